// SPDX-License-Identifier: GPL-2.0-or-later
// Device selection and configuration-word editor.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "pic/dispatch.h"
#include "ui/interface.h"
#include "vue/edition_config.h"
#include "vue/groupes_composants.h"
#include "vue/vue_memoire.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Blanks what lies beyond the device selected until now.
void blanchit_au_dela(const Desc_PIC& ancien) {
    const auto tp = static_cast<std::size_t>(std::clamp(ancien.taille_prog, 0, TAILLE_PROG_MAX));
    const auto td =
        static_cast<std::size_t>(std::clamp(ancien.taille_donnee, 0, TAILLE_DONNEE_MAX));
    std::fill(m_pic->prog.begin() + static_cast<std::ptrdiff_t>(tp), m_pic->prog.end(), 0xFFFF);
    std::fill(m_pic->donnee.begin() + static_cast<std::ptrdiff_t>(td), m_pic->donnee.end(), 0xFF);
}

// A word the user changed is one the writers program.
void change_config(uint16_t config) {
    if (config == m_pic->config) return;
    m_pic->config = config;
    m_pic->config_definie = true;
}

void texte_pic(const Desc_PIC& p) {
    std::string t = p.nom;
    if (p.teste == 0) t += " (ATTENTION : NON TESTE )";
    gtk_label_set_text(GTK_LABEL(type_PIC), t.c_str());
}

// A name matches what is typed when it holds it, whatever the case.
gboolean nom_contient(GtkEntryCompletion* completion, const gchar* cle, GtkTreeIter* it, gpointer) {
    gchar* nom = nullptr;
    gtk_tree_model_get(gtk_entry_completion_get_model(completion), it, 0, &nom, -1);
    gchar* n = nom ? g_utf8_casefold(nom, -1) : nullptr;
    gchar* c = g_utf8_casefold(cle, -1);
    const bool oui = n && std::strstr(n, c) != nullptr;
    g_free(n);
    g_free(c);
    g_free(nom);
    return oui;
}

// Leaving the list with a text that names no device shows the selected one again.
gboolean quitte_liste(GtkWidget*, GdkEvent*, gpointer) {
    remontre_composant_choisi();
    return FALSE;
}

} // namespace

GtkWidget* construit_liste_composants(GtkWidget* effacer) {
    // Submenus by kind; the names keep the catalogue's order within each.
    GtkTreeStore* groupes = gtk_tree_store_new(1, G_TYPE_STRING);
    GtkListStore* noms = gtk_list_store_new(1, G_TYPE_STRING);
    for (int g = 0; g < NB_GROUPES_COMPOSANTS; ++g) {
        GtkTreeIter parent;
        bool vide = true;
        for (const Desc_PIC& p : tab_pic) {
            if (groupe_composant(p) != g) continue;
            if (vide)
                gtk_tree_store_insert_with_values(groupes, &parent, nullptr, -1, 0,
                                                  groupes_composants[g], -1);
            vide = false;
            gtk_tree_store_insert_with_values(groupes, nullptr, &parent, -1, 0, p.nom.c_str(), -1);
        }
    }
    for (const Desc_PIC& p : tab_pic)
        gtk_list_store_insert_with_values(noms, nullptr, -1, 0, p.nom.c_str(), -1);
    GtkWidget* c = gtk_combo_box_new_with_model_and_entry(GTK_TREE_MODEL(groupes));
    g_object_unref(groupes);
    gtk_combo_box_set_entry_text_column(GTK_COMBO_BOX(c), 0);
    GtkEntry* champ = champ_combo(c);
    GtkEntryCompletion* completion = gtk_entry_completion_new();
    gtk_entry_completion_set_model(completion, GTK_TREE_MODEL(noms));
    g_object_unref(noms);
    gtk_entry_completion_set_text_column(completion, 0);
    gtk_entry_completion_set_match_func(completion, nom_contient, nullptr, nullptr);
    gtk_entry_completion_set_minimum_key_length(completion, 2);
    gtk_entry_set_completion(champ, completion);
    g_object_unref(completion);
    // "changed" only once the list is in: the name set at start-up selects the device.
    g_signal_connect(champ, "changed", G_CALLBACK(combo_pic_changed), effacer);
    g_signal_connect(champ, "focus-out-event", G_CALLBACK(quitte_liste), nullptr);
    return c;
}

void remontre_composant_choisi() {
    const Desc_PIC* p = pic_courant();
    if (!p || !boutons.combo_pic) return;
    GtkEntry* champ = champ_combo(boutons.combo_pic);
    if (p->nom == gtk_entry_get_text(champ)) return;
    g_signal_handlers_block_by_func(champ, reinterpret_cast<gpointer>(combo_pic_changed),
                                    boutons.effacer);
    gtk_entry_set_text(champ, p->nom.c_str());
    g_signal_handlers_unblock_by_func(champ, reinterpret_cast<gpointer>(combo_pic_changed),
                                      boutons.effacer);
}

void combo_pic_changed(GtkEntry* champ, gpointer effacer) {
    // The device list is insensitive while an operation runs: the operation uses the device.
    if (operation_en_cours() || !m_pic) return;
    const std::string texte = gtk_entry_get_text(champ);
    if (const Desc_PIC* ancien = pic_courant()) blanchit_au_dela(*ancien);
    const int i = cherche_pic(texte);
    if (i >= 0) {
        const Desc_PIC& p = tab_pic[static_cast<std::size_t>(i)];
        texte_pic(p);
        if (i != pic_select) {
            // The word of another device: nobody gave this one.
            m_pic->config = 0x3FFF;
            m_pic->config_definie = false;
            m_pic->config2 = 0x3FFF;
            m_pic->config2_definie = false;
        }
        pic_select = i;
        gtk_widget_set_visible(GTK_WIDGET(effacer), peut_effacer(p));
        gtk_label_set_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(effacer))),
                           est_pic(p) ? "Effacer PIC" : "Effacer l'EEPROM");
        if (est_pic(p)) {
            const Fusibles& f = fusibles_de(p);
            const std::vector<std::string> liste = liste_oscillateur(f);
            GtkComboBoxText* c = GTK_COMBO_BOX_TEXT(combo_aff_clock);
            gtk_combo_box_text_remove_all(c);
            for (std::size_t k = 0; k < 3; ++k) gtk_combo_box_text_append_text(c, liste[k].c_str());
            std::printf("algo %d, FOSC2 %u\n", p.algo, static_cast<unsigned>(f.masque[F_FOSC2]));
            std::fflush(stdout);
            for (std::size_t k = 3; k < liste.size(); ++k)
                gtk_combo_box_text_append_text(c, liste[k].c_str());
            gtk_label_set_text(GTK_LABEL(bouton_charger), "Charger dans le PIC");
            gtk_label_set_text(GTK_LABEL(bouton_lire), "Lire le PIC");
        } else {
            gtk_label_set_text(GTK_LABEL(bouton_charger), "Charger dans EEPORM");
            gtk_label_set_text(GTK_LABEL(bouton_lire), "Lire l'EEPROM");
        }
        montre_volet_programme(est_pic(p));
        met_a_jour_sensibilite();
        // The simulated socket keeps the chip it was given at start-up.
        const std::string& support = puce_du_support();
        montre_etat(support.empty() || support == p.nom
                        ? ""
                        : "Le support simulé contient toujours le " + support +
                              " choisi au démarrage");
    }
    affiche_pic_mem();
    // The window takes the size of what it now shows, smaller as well as larger.
    if (i >= 0 && fenetre_principale && gtk_widget_get_visible(fenetre_principale))
        taille_naturelle(fenetre_principale);
}

void check_conf_change(GtkToggleButton* bouton, gpointer index) {
    const Desc_PIC* p = pic_courant();
    if (!p || !m_pic) return;
    change_config(applique_case(m_pic->config, GPOINTER_TO_INT(index),
                                gtk_toggle_button_get_active(bouton) != FALSE, fusibles_de(*p)));
}

void combo_conf_change(GtkEntry* champ, gpointer) {
    const Desc_PIC* p = pic_courant();
    if (!p || !m_pic) return;
    // The view sets the text of the word it shows, which changes nothing.
    change_config(applique_oscillateur(m_pic->config, gtk_entry_get_text(champ), fusibles_de(*p)));
}

void entry_ID_change(GtkEntry* champ, gpointer) {
    if (!m_pic) return;
    lit_ID(gtk_entry_get_text(champ), m_pic->id);
}
