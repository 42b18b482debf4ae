// SPDX-License-Identifier: GPL-2.0-or-later
// Device operations: insertion dialog, timer, write / read / erase bodies and progress.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "ui/interface.h"

#include "core/messages.h"
#include "operations/interruption.h"
#include "operations/operations.h"
#include "sim/simulateur.h"
#include "vue/bilan_operation.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

bool en_cours = false;

// The simulated chip's protocol violations, after what the operation itself said.
void signale_violations() {
    const std::vector<std::string> lignes = releve_violations();
    if (lignes.empty()) return;
    std::string texte;
    int fin = 0;
    if (error_box && error_msg && gtk_widget_get_visible(error_box)) {
        texte = std::string(gtk_label_get_text(GTK_LABEL(error_msg))) + "\n";
        fin = erreur_fin;
    }
    for (std::size_t i = 0; i < lignes.size(); ++i) texte += (i ? "\n" : "") + lignes[i];
    message_erreur(texte, fin);
}

void choisit(int operation, const char* titre, gpointer boite) {
    // Without a device (empty catalogue) no operation can be chosen.
    if (!pic_courant()) return;
    ecrire_pic = operation;
    montre_etat("");
    gtk_window_set_title(GTK_WINDOW(boite), titre);
    presente(GTK_WIDGET(boite));
    // Return confirms each time, whichever button was clicked last: "Ok" is the default button.
    if (GtkWidget* ok = gtk_window_get_default_widget(GTK_WINDOW(boite))) gtk_widget_grab_focus(ok);
}

// Runs one operation body with the image and the device held still; its result goes to the
// status line with the time it took.
void execute(std::string (*corps)()) {
    en_cours = true;
    met_a_jour_sensibilite();
    const gint64 debut = g_get_monotonic_time();
    std::string bilan;
    {
        // A signal meanwhile stops the operation with the chip powered down; the simulated chip
        // is kept after each operation, as a real one would be.
        Garde_operation garde;
        bilan = corps();
        sauve_simulateur();
    }
    if (!bilan.empty())
        montre_etat(bilan + " — " +
                    texte_secondes(static_cast<double>(g_get_monotonic_time() - debut) / 1e6));
    signale_violations();
    en_cours = false;
    met_a_jour_sensibilite();
    remontre_composant_choisi();
    // What was asked for meanwhile and waited for the end.
    lecture_differee();
    confirmation_differee();
    affichage_differe();
    fin_differee();
}

// The warning dialog's Oui/Non question; closing it answers "Non".
bool question_acceptee(const char* titre, const char* texte) {
    if (!protection_box) return false;
    gtk_window_set_title(GTK_WINDOW(protection_box), titre);
    g_object_set(protection_box, "text", texte, nullptr);
    const gint reponse = gtk_dialog_run(GTK_DIALOG(protection_box));
    gtk_widget_hide(protection_box);
    return reponse == GTK_RESPONSE_YES;
}

// Asks before a write that turns the code, data or write protection on; true to go on.
bool protection_acceptee() {
    if (protections_ecrites(*m_pic).empty()) return true;
    std::string texte =
        texte_protections_ecrites(*m_pic) + ". Sur un PIC à EPROM, c'est définitif. Continuer ?";
    texte[0] = 'L';
    return question_acceptee("Protection du code", texte.c_str());
}

// Asks before a write that would leave a part reached by the low-voltage key out of this board's
// reach (LVP off); true to go on.
bool lvp_accepte() {
    if (!lvp_efface_par_l_ecriture(*m_pic)) return true;
    std::string texte = texte_lvp_efface(*m_pic) + " Continuer ?";
    texte[0] = 'L';
    return question_acceptee("Programmation basse tension", texte.c_str());
}

// The progress window over the memory view, never over the button column: transient for the
// main window, on top of it.
void montre_progression() {
    GtkWidget* volet = texte_D ? gtk_widget_get_parent(texte_D) : nullptr;
    GdkWindow* principale =
        fenetre_principale ? gtk_widget_get_window(fenetre_principale) : nullptr;
    if (volet && principale && gtk_widget_get_mapped(volet)) {
        int x = 0, y = 0, dx = 0, dy = 0;
        gdk_window_get_origin(principale, &x, &y);
        gtk_widget_translate_coordinates(volet, fenetre_principale, 0, 0, &dx, &dy);
        // No wider than the view.
        const int largeur = gtk_widget_get_allocated_width(volet);
        gtk_widget_set_size_request(util_label, -1, -1);
        int naturelle = 0, minimum = 0;
        gtk_widget_get_preferred_width(en_prog_box, &minimum, &naturelle);
        if (naturelle > largeur)
            gtk_window_resize(GTK_WINDOW(en_prog_box), std::max(minimum, largeur), 1);
        gtk_window_move(GTK_WINDOW(en_prog_box), x + dx, y + dy);
    }
    presente(en_prog_box);
}

} // namespace

bool operation_en_cours() {
    return en_cours;
}

void met_a_jour_sensibilite() {
    if (!boutons.charger) return;
    const bool pic = pic_courant() != nullptr;
    for (GtkWidget* w :
         {boutons.charger, boutons.lire, boutons.comparer, boutons.effacer, boutons.sauver_hex})
        gtk_widget_set_sensitive(w, pic);
    // What would free or replace what the operation uses waits for its end.
    for (GtkWidget* w : {boutons.lire_hex, boutons.combo_pic, boutons.modifier_donnee})
        gtk_widget_set_sensitive(w, pic && !en_cours);
    // A serial EEPROM has no program memory to modify.
    const Desc_PIC* p = pic_courant();
    gtk_widget_set_sensitive(boutons.modifier_prog, p && est_pic(*p) && !en_cours);
    // Changing the base redraws the configuration panel, which writes into the image.
    gtk_widget_set_sensitive(boutons.combo_base, !en_cours);
    gtk_widget_set_sensitive(combo_aff_clock, !en_cours);
    gtk_widget_set_sensitive(entry_ID, !en_cours);
    for (int i = 0; i < 14; ++i) gtk_widget_set_sensitive(case_fusible(i), !en_cours);
    config2_sensible(!en_cours);
    // The modify dialog edits the image: held too while it may be open.
    if (modif_box) gtk_widget_set_sensitive(gtk_bin_get_child(GTK_BIN(modif_box)), !en_cours);
}

void prepare_PIC_l(GtkWidget*, gpointer boite) {
    choisit(0, "Insertion du PIC - Lecture", boite);
}
void prepare_PIC_e(GtkWidget*, gpointer boite) {
    choisit(1, "Insertion du PIC - Ecriture", boite);
}
void prepare_PIC_r(GtkWidget*, gpointer boite) {
    choisit(2, "Insertion du PIC - Effacement", boite);
}
void prepare_PIC_c(GtkWidget*, gpointer boite) {
    choisit(3, "Insertion du PIC - Comparaison", boite);
}

void ok_prepare_PIC_box(GtkWidget*, gpointer boite) {
    gtk_widget_hide(GTK_WIDGET(boite));
    montre_progression();
    const char* legende = "";
    switch (ecrire_pic) {
    case 0:
        legende = "Lecture en cours...";
        break;
    case 1:
        legende = "Ecriture en cours...";
        break;
    case 2:
        legende = "Effacement en cours...";
        break;
    case 3:
        legende = "Comparaison en cours...";
        break;
    default:
        break;
    }
    if (*legende) gtk_label_set_text(GTK_LABEL(util_label), legende);
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_bar), 0.0);
    while (gtk_events_pending()) gtk_main_iteration();
    if (ecrire_pic <= 9) ecrire_pic += 10;
}

gboolean timeout(gpointer) {
    if (ecrire_pic == -1) gtk_widget_hide(en_prog_box);
    static std::string (*const corps[4])() = {recoit_du_PIC, envoie_vers_PIC, effacement_du_PIC,
                                              comparaison_du_PIC};
    for (int k = 0; k < 4; ++k) {
        if (ecrire_pic != 10 + k) continue;
        if (!pic_courant()) {
            ecrire_pic = -1;
            continue;
        }
        ecrire_pic = -1;
        execute(corps[k]);
        if (fin_demandee()) break; // quit asked for during the operation
        montre_progression();
    }
    return G_SOURCE_CONTINUE;
}

// The sequences themselves are shared with the command-line front end.
std::string envoie_vers_PIC() {
    // The image is held still from here: the question is about the word written.
    if (!protection_acceptee() || !lvp_accepte()) return {};
    if (ecrit_image(*m_pic) != OPERATION_REUSSIE) return {};
    return texte_bilan(Operation_faite::ecriture, *pic_courant(), *m_pic);
}

std::string recoit_du_PIC() {
    // A read that failed leaves the image as it was.
    Memoire_PIC lu = *m_pic;
    if (lit_image(lu) != OPERATION_REUSSIE) return {};
    *m_pic = std::move(lu);
    affiche_pic_mem_en_haut();
    return texte_bilan(Operation_faite::lecture, *pic_courant(), *m_pic);
}

std::string effacement_du_PIC() {
    if (efface_puce() != OPERATION_REUSSIE) return {};
    return texte_bilan(Operation_faite::effacement, *pic_courant(), *m_pic);
}

void progression_ui(float fraction, const char* legende, int) {
    if (progress_bar) gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_bar), fraction);
    if (util_label) gtk_label_set_text(GTK_LABEL(util_label), legende);
    while (gtk_events_pending()) gtk_main_iteration();
}
