// SPDX-License-Identifier: GPL-2.0-or-later
// Error window, HEX files through the chooser and the file selections, help.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "hex/binaire.h"
#include "hex/hex.h"
#include "pic/commandes.h"
#include "port/port.h"
#include "port/privileges.h"
#include "ui/interface.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

#ifndef KORVAL_AIDE_INSTALLEE
#define KORVAL_AIDE_INSTALLEE ""
#endif

namespace {

constexpr std::size_t LASTFILE_MAX = 255;

struct Lecture_attente {
    std::string nom;
    int eeprom;
};
std::optional<Lecture_attente> en_attente;

std::string nom_choisi(gpointer dialogue) {
    gchar* n = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialogue));
    std::string nom = n ? n : "";
    g_free(n);
    return nom;
}

// lastFile holds at most 255 characters: a longer name is used but not remembered.
void retient(const std::string& nom) {
    if (nom.size() <= LASTFILE_MAX) lastFile = nom;
}

// The save dialog keeps the folder and name of the last file saved, and opens there again.
constexpr const char* DOSSIER_ECRIT = "korval-dossier";
constexpr const char* NOM_ECRIT = "korval-nom";

// Files read and written go to the desktop's recent files ("Récents" in the choosers).
void ajoute_aux_recents(const std::string& nom) {
    gchar* uri = g_filename_to_uri(nom.c_str(), nullptr, nullptr);
    if (!uri) return;
    gtk_recent_manager_add_item(gtk_recent_manager_get_default(), uri);
    g_free(uri);
}

void montre_fichier(const std::string& nom) {
    if (!Fichier) return;
    const std::string t = nom_affichable(nom);
    gtk_label_set_text(GTK_LABEL(Fichier), t.c_str());
    // The label is cut in its middle; the whole name shows on hovering.
    gtk_widget_set_tooltip_text(Fichier, t.empty() ? nullptr : t.c_str());
}

void ouvre_selection(gpointer choix) {
    gtk_widget_hide(GTK_WIDGET(choix));
    propose_fichier(lire_file_box, lastFile);
    const auto* dossier =
        static_cast<const gchar*>(g_object_get_data(G_OBJECT(ecrire_file_box), DOSSIER_ECRIT));
    if (lire_hex != 1 && dossier) {
        GtkFileChooser* fc = GTK_FILE_CHOOSER(ecrire_file_box);
        gtk_file_chooser_set_current_folder(fc, dossier);
        gtk_file_chooser_set_current_name(
            fc, static_cast<const gchar*>(g_object_get_data(G_OBJECT(fc), NOM_ECRIT)));
    }
    presente_selection(lire_hex == 1 ? lire_file_box : ecrire_file_box);
}

} // namespace

std::string nom_affichable(const std::string& nom) {
    gchar* t = g_filename_display_name(nom.c_str());
    std::string s = t;
    g_free(t);
    return s;
}

void affiche_message(const std::string& texte, int fin) {
    if (!error_box) return;
    gchar* valide = g_utf8_make_valid(texte.c_str(), static_cast<gssize>(texte.size()));
    gtk_label_set_text(GTK_LABEL(error_msg), valide);
    g_free(valide);
    erreur_fin = fin;
    // The window takes the size of this message, smaller as well as larger: the label asks for
    // its natural width (at most its wrapping width), so that the window's least height is that
    // of the message, and the window shrinks to its least size.
    gtk_widget_set_size_request(error_msg, -1, -1);
    int minimum = 0, naturelle = 0;
    gtk_widget_get_preferred_width(error_msg, &minimum, &naturelle);
    const int marges =
        gtk_widget_get_margin_start(error_msg) + gtk_widget_get_margin_end(error_msg);
    gtk_widget_set_size_request(error_msg, std::max(naturelle - marges, 1), -1);
    gtk_window_resize(GTK_WINDOW(error_box), 1, 1);
    presente(error_box);
}

void error_ok_clicked(GtkWidget*, gpointer) {
    gtk_widget_hide(error_box);
    if (erreur_fin != 0) {
        Fini_Prog_Mode();
        Power_off();
        quitte_boucle();
    }
}

void lire_hex_clicked(GtkWidget*, gpointer choix) {
    lire_hex = 1;
    gtk_window_set_title(GTK_WINDOW(choix), "Lecture");
    gtk_widget_hide(GTK_WIDGET(choix));
    presente(GTK_WIDGET(choix));
}

void ecrire_hex_clicked(GtkWidget*, gpointer choix) {
    lire_hex = 0;
    gtk_window_set_title(GTK_WINDOW(choix), "Ecrire");
    gtk_widget_hide(GTK_WIDGET(choix));
    presente(GTK_WIDGET(choix));
}

void prep_lect_ecr_pic(GtkWidget*, gpointer choix) {
    juste_donnee = 0;
    ouvre_selection(choix);
}

void prep_lect_ecr_eeprom(GtkWidget*, gpointer choix) {
    juste_donnee = 1;
    ouvre_selection(choix);
}

void lit_fichier_hex(const std::string& nom, int eeprom) {
    montre_etat("");
    m_pic.reset();
    Lecture_hex bilan;
    m_pic = eeprom == 1 ? Lire_Fichier_Hex_EEPROM(nom, &bilan) : Lire_Fichier_Hex_PIC(nom, &bilan);
    if (!m_pic) m_pic = std::make_unique<Memoire_PIC>();
    montre_fichier(nom);
    ajoute_aux_recents(nom);
    affiche_pic_mem_en_haut();
    // Said once, unless the reader has a message of its own in the window.
    const std::string hors = texte_hors_composant(bilan, eeprom == 1);
    if (bilan.messages == 0 && !hors.empty()) message_erreur(hors, 0);
}

void lit_fichier_depose(const std::string& nom) {
    const Desc_PIC* p = pic_courant();
    if (!p || operation_en_cours()) return;
    retient(nom);
    gchar* minuscule = g_ascii_strdown(nom.c_str(), -1);
    const bool binaire = g_str_has_suffix(minuscule, ".bin");
    g_free(minuscule);
    if (!binaire) {
        lit_fichier_hex(nom, est_pic(*p) ? 0 : 1);
        return;
    }
    montre_etat("");
    m_pic = Lire_Fichier_Binaire(nom);
    if (!m_pic) m_pic = std::make_unique<Memoire_PIC>();
    montre_fichier(nom);
    ajoute_aux_recents(nom);
    affiche_pic_mem_en_haut();
}

void lire_file_ok_sel(GtkWidget*, gpointer dialogue) {
    const std::string nom = nom_choisi(dialogue);
    if (nom.empty()) return; // nothing chosen yet: the dialog stays
    retient(nom);
    gtk_widget_hide(GTK_WIDGET(dialogue));
    // A running operation holds the image: the file is read once it has ended.
    if (operation_en_cours()) {
        en_attente = Lecture_attente{nom, juste_donnee};
        return;
    }
    lit_fichier_hex(nom, juste_donnee);
}

void lecture_differee() {
    if (!en_attente || operation_en_cours()) return;
    const Lecture_attente l = *en_attente;
    en_attente.reset();
    lit_fichier_hex(l.nom, l.eeprom);
}

void ecrire_file_ok_sel(GtkWidget*, gpointer dialogue) {
    const std::string nom = nom_choisi(dialogue);
    if (nom.empty()) return;
    retient(nom);
    gchar* base = g_path_get_basename(nom.c_str());
    g_object_set_data_full(G_OBJECT(dialogue), DOSSIER_ECRIT, g_path_get_dirname(nom.c_str()),
                           g_free);
    g_object_set_data_full(G_OBJECT(dialogue), NOM_ECRIT, g_filename_display_name(base), g_free);
    g_free(base);
    gtk_widget_hide(GTK_WIDGET(dialogue));
    montre_etat("");
    if (juste_donnee == 1)
        Ecrire_Fichier_Hex_EEPROM(nom, *m_pic);
    else
        Ecrire_Fichier_Hex_PIC(nom, *m_pic);
    montre_fichier(nom);
    ajoute_aux_recents(nom);
}

void cache_file_box(GtkWidget*, gpointer dialogue) {
    gtk_widget_hide(GTK_WIDGET(dialogue));
}

std::string adresse_aide() {
    std::string rep;
    if (const char* pwd = std::getenv("PWD"); pwd && *pwd) {
        rep = pwd;
    } else {
        gchar* cwd = g_get_current_dir();
        rep = cwd;
        g_free(cwd);
    }
    const std::string page = "/aide/aide_sommaire.htm";
    if (g_file_test((rep + page).c_str(), G_FILE_TEST_IS_REGULAR)) return "file:" + rep + page;
    // Started elsewhere: the installed pages, KORVAL_AIDE_INSTALLEE being relative to the
    // program's own directory, then those of the directory KORVAL_AIDE names (the source tree's
    // for a program run from its build directory, as the tests do). No path of the build
    // machine is compiled in.
    const char* env_aide = std::getenv("KORVAL_AIDE");
    std::string copies[2] = {"", env_aide ? env_aide : ""};
    gchar* exe = *KORVAL_AIDE_INSTALLEE ? g_file_read_link("/proc/self/exe", nullptr) : nullptr;
    if (exe) {
        gchar* bin = g_path_get_dirname(exe);
        gchar* aide = g_canonicalize_filename(KORVAL_AIDE_INSTALLEE, bin);
        copies[0] = aide;
        g_free(aide);
        g_free(bin);
        g_free(exe);
    }
    for (const std::string& d : copies) {
        const std::string copie = d + "/aide_sommaire.htm";
        if (!d.empty() && g_file_test(copie.c_str(), G_FILE_TEST_IS_REGULAR))
            return "file:" + copie;
    }
    return "file:" + rep + page;
}

void aide_clicked(GtkWidget*, gpointer) {
    const std::string adresse = adresse_aide();
    // Without a browser nothing would happen: say where the pages are.
    const char* navigateurs[] = {"kdehelp", "xdg-open"};
    bool navigateur = false;
    for (const char* n : navigateurs) {
        gchar* chemin = g_find_program_in_path(n);
        navigateur = navigateur || chemin;
        g_free(chemin);
    }
    if (!navigateur) {
        message_erreur("Aucun navigateur pour l'aide (ni kdehelp ni xdg-open) : ouvrez la page " +
                           nom_affichable(adresse.substr(5)) + " dans un navigateur",
                       0);
        return;
    }
    // The browser runs in a grandchild: the intermediate child ends at once and is collected, so
    // the program neither waits for the browser nor leaves a zombie behind.
    const pid_t enfant = fork();
    if (enfant < 0) return;
    if (enfant == 0) {
        if (fork() == 0) {
            // The browser gets no access to the programmer's I/O ports.
            abandonne_acces_ports();
            for (const char* n : navigateurs)
                execlp(n, n, adresse.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int statut;
    waitpid(enfant, &statut, 0);
}
