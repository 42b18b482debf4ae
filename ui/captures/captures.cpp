// SPDX-License-Identifier: GPL-2.0-or-later
// Opens each window of korval on the simulated programmer with an example loaded and saves a PNG
// of it: korval-captures DIR [--conf REP]. Run it under Xvfb (scripts/captures).
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"
#include "hex/hex.h"
#include "ui/interface.h"

#include <cstdio>
#include <string>

namespace {

std::string dossier;

void laisse_dessiner() {
    for (int k = 0; k < 30; ++k) {
        while (gtk_events_pending()) gtk_main_iteration();
        g_usleep(10000);
    }
}

bool capture(GtkWidget* fenetre, const std::string& nom) {
    gtk_widget_show(fenetre);
    gtk_window_present(GTK_WINDOW(fenetre));
    laisse_dessiner();
    GdkWindow* w = gtk_widget_get_window(fenetre);
    if (!w) return false;
    GdkPixbuf* image =
        gdk_pixbuf_get_from_window(w, 0, 0, gdk_window_get_width(w), gdk_window_get_height(w));
    if (!image) return false;
    const std::string chemin = dossier + "/" + nom + ".png";
    GError* erreur = nullptr;
    const bool ok = gdk_pixbuf_save(image, chemin.c_str(), "png", &erreur, nullptr);
    if (!ok) {
        std::fprintf(stderr, "%s : %s\n", chemin.c_str(), erreur->message);
        g_error_free(erreur);
    } else {
        std::printf("%s\n", chemin.c_str());
    }
    g_object_unref(image);
    return ok;
}

// Confirms an operation in the insertion dialog and runs it as the timer would.
void execute_operation(void (*prepare)(GtkWidget*, gpointer)) {
    prepare(nullptr, prepare_PIC_box);
    ok_prepare_PIC_box(nullptr, prepare_PIC_box);
    timeout(nullptr);
}

void choisit(const char* nom) {
    gtk_entry_set_text(champ_combo(boutons.combo_pic), nom);
}

// A small program with data, IDs and a configuration word, written as a HEX file.
std::string exemple(const std::string& rep) {
    Memoire_PIC m;
    for (int i = 0; i < 200; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((0x3000 + i * 37) & 0x3FFF);
    for (int i = 0; i < 64; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 5);
    m.config = 0x3FF1;
    const uint8_t id[4] = {1, 2, 3, 4};
    for (int i = 0; i < 4; ++i) m.id[i] = id[i];
    const std::string chemin = rep + "/exemple.hex";
    Ecrire_Fichier_Hex_PIC(chemin, m);
    return chemin;
}

// The settings of conf (the catalogue copied to a private directory, so that the captures leave
// the caller's settings alone) and the simulated chip there; the private directory.
std::string demarre(const std::string& conf) {
    Options_korval o;
    o.avec_simulateur = true;
    o.conf = conf;
    gchar* tmp = g_dir_make_tmp("korval-captures-XXXXXX", nullptr);
    const std::string rep_tmp = tmp;
    g_free(tmp);
    gchar* contenu = nullptr;
    if (g_file_get_contents((o.conf + "/conf_PICS").c_str(), &contenu, nullptr, nullptr)) {
        g_file_set_contents((rep_tmp + "/conf_PICS").c_str(), contenu, -1, nullptr);
        g_free(contenu);
    }
    force_repertoire_conf(rep_tmp);
    o.simulateur = rep_tmp + "/puce.etat";
    demarre_interface(o, false);
    gtk_widget_hide(error_box); // the missing private conf_port
    return rep_tmp;
}

// The main window with the example, then with a long path; the error window for a short and a
// long message. The number of captures that failed.
int captures_fenetre_et_erreurs(const std::string& hex, const std::string& rep_tmp) {
    int echecs = !capture(fenetre_principale, "principale_pic16f84");
    // A long path is cut in the label; the window keeps its width.
    int large_avant = 0, large_apres = 0, haut = 0;
    gtk_window_get_size(GTK_WINDOW(fenetre_principale), &large_avant, &haut);
    std::string long_chemin = rep_tmp;
    while (long_chemin.size() < 240) long_chemin += "/un_dossier_au_nom_assez_long";
    lit_fichier_hex(long_chemin + "/exemple.hex", 0);
    gtk_widget_hide(error_box); // the file does not exist
    echecs += !capture(fenetre_principale, "principale_chemin_long");
    gtk_window_get_size(GTK_WINDOW(fenetre_principale), &large_apres, &haut);
    std::printf("fenêtre principale : %d pixels de large, %d avec un long chemin\n", large_avant,
                large_apres);
    lit_fichier_hex(hex, 0);

    // The error window takes the size of each message.
    message_erreur("Un problème est survenue \npendant l'ouverture du fichier " + long_chemin +
                       "/exemple.hex\n",
                   0);
    echecs += !capture(error_box, "erreur_longue");
    gtk_widget_hide(error_box);
    message_erreur("Une ligne du fichier n'est pas correcte", 0);
    echecs += !capture(error_box, "erreur");
    gtk_widget_hide(error_box);
    return echecs;
}

// The file, insertion, modify, progress and quit dialogs.
int captures_dialogues() {
    lire_hex_clicked(nullptr, prep_lect_ecr);
    int echecs = !capture(prep_lect_ecr, "choix_lecture");
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    echecs += !capture(lire_file_box, "lire_fichier");
    gtk_widget_hide(lire_file_box);
    ecrire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    echecs += !capture(ecrire_file_box, "ecrire_fichier");
    gtk_widget_hide(ecrire_file_box);

    prepare_PIC_e(nullptr, prepare_PIC_box);
    echecs += !capture(prepare_PIC_box, "insertion");
    gtk_widget_hide(prepare_PIC_box);
    modif_mem_prog(nullptr, nullptr);
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), "0010");
    echecs += !capture(modif_box, "modification");
    gtk_widget_hide(modif_box);
    gtk_label_set_text(GTK_LABEL(util_label), legende_progression(0));
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_bar), 0.5);
    echecs += !capture(en_prog_box, "progression");
    gtk_widget_hide(en_prog_box);
    echecs += !capture(quitter_box, "quitter");
    gtk_widget_hide(quitter_box);
    return echecs;
}

// The Options window with the KORVAL wiring as the custom map, then with a map without lines.
int captures_options() {
    c_autre = brochage_korval;
    put_options();
    Options_clicked(nullptr, nullptr);
    int echecs = !capture(Options_window, "options");
    gtk_entry_set_text(champ_combo(combo_type), "Autres");
    echecs += !capture(Options_window, "options_autres");
    Options_Annuler_Clicked(nullptr, Options_window);
    // A custom map without lines: each row says so.
    c_autre = {};
    put_options();
    Options_clicked(nullptr, nullptr);
    gtk_entry_set_text(champ_combo(combo_type), "Autres");
    echecs += !capture(Options_window, "options_sans_ligne");
    Options_Annuler_Clicked(nullptr, Options_window);
    return echecs;
}

// The example written into the simulated chip (the result in the status line), one word
// changed, then compared.
int captures_operations(const std::string& hex) {
    execute_operation(prepare_PIC_e);
    timeout(nullptr);
    int echecs = !capture(fenetre_principale, "principale_ecrit");
    m_pic->prog[0x20] = 0x3FFF;
    execute_operation(prepare_PIC_c);
    gtk_widget_hide(en_prog_box);
    if (rapports_ouverts().empty()) {
        std::fprintf(stderr, "pas de rapport de comparaison\n");
        ++echecs;
    } else {
        echecs += !capture(rapports_ouverts().back(), "comparaison");
    }
    ferme_rapports();
    lit_fichier_hex(hex, 0);
    return echecs;
}

// The main window for other kinds of parts.
int captures_composants() {
    choisit("PIC12C671");
    int echecs = !capture(fenetre_principale, "principale_pic12c671");
    // Two configuration words: the second one's entry and boxes under the first one's.
    choisit("PIC16F1827");
    echecs += !capture(fenetre_principale, "principale_pic16f1827");
    choisit("PIC16F886");
    echecs += !capture(fenetre_principale, "principale_pic16f886");
    donnee_en_binaire = 1;
    choisit("24C16");
    echecs += !capture(fenetre_principale, "principale_24c16_binaire");
    donnee_en_binaire = 0;
    return echecs;
}

} // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc < 2) {
        std::fprintf(stderr, "Usage : korval-captures DOSSIER [--conf REP]\n");
        return 2;
    }
    dossier = argv[1];
    g_mkdir_with_parents(dossier.c_str(), 0755);
    const std::string rep_tmp =
        demarre(argc >= 4 && std::string(argv[2]) == "--conf" ? argv[3] : KORVAL_DATA_DIR);

    choisit("PIC16F84");
    const std::string hex = exemple(rep_tmp);
    lastFile = hex;
    lit_fichier_hex(hex, 0);
    int echecs = captures_fenetre_et_erreurs(hex, rep_tmp);
    echecs += captures_dialogues();
    echecs += captures_options();
    echecs += captures_operations(hex);
    echecs += captures_composants();

    arrete_interface();
    return echecs == 0 ? 0 : 1;
}
