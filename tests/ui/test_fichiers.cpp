// SPDX-License-Identifier: GPL-2.0-or-later
// Error window, HEX files through the chooser and the file dialogs.
#include "banc_ui.h"

#include "core/messages.h"
#include "hex/hex.h"
#include "ui/vue_defilante.h"

#include <algorithm>
#include <glib/gstdio.h>

using namespace test_ui;

namespace {

// The chooser selects the proposed file once its folder is loaded, which goes on in the
// background: waited for, a few seconds at most.
std::string nom_propose(GtkWidget* dialogue) {
    std::string s;
    for (int k = 0; k < 1000 && s.empty(); ++k) {
        if (k > 0) g_usleep(5000);
        pompe();
        gchar* n = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialogue));
        s = n ? n : "";
        g_free(n);
    }
    return s;
}

// The dialog's OK: a save dialog checks the name asynchronously before it answers.
void valide(GtkWidget* dialogue) {
    gtk_dialog_response(GTK_DIALOG(dialogue), GTK_RESPONSE_ACCEPT);
    for (int k = 0; k < 200 && visible(dialogue); ++k) {
        pompe();
        g_usleep(5000);
    }
}

Memoire_PIC exemple() {
    Memoire_PIC m;
    for (int i = 0; i < 100; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>(0x3000 + i);
    for (int i = 0; i < 64; ++i) m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    m.config = 0x3FF1;
    m.id[0] = 0x12;
    return m;
}

} // namespace

TEST_F(Interface, un_seul_message_le_dernier_decide_de_la_fin) {
    demarre();
    message_erreur("premier", 1);
    message_erreur("second", 0);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "second");
    error_ok_clicked(nullptr, nullptr);
    EXPECT_FALSE(visible(error_box));
    EXPECT_FALSE(fin_demandee());

    message_erreur("non fatal", 0);
    message_erreur("Le fichier conf_PICS n'existe pas\nLe programme va se terminer", 1);
    EXPECT_EQ(erreur_fin, 1);
    error_ok_clicked(nullptr, nullptr);
    EXPECT_TRUE(fin_demandee());
}

TEST_F(Interface, message_avec_des_octets_non_utf8_reste_lisible) {
    demarre();
    message_erreur("Un problème est survenue \npendant l'ouverture du fichier /tmp/\xE9t\xE9.hex\n",
                   0);
    const std::string t = texte(error_msg);
    EXPECT_TRUE(g_utf8_validate(t.c_str(), -1, nullptr));
    EXPECT_EQ(t.substr(0, 26), "Un problème est survenue ");
}

TEST_F(Interface, lire_un_fichier_pic_par_le_choix_et_la_selection) {
    demarre();
    const Memoire_PIC m = exemple();
    const std::string hex = rep.fichier("prog.hex");
    Ecrire_Fichier_Hex_PIC(hex, m);

    gtk_button_clicked(GTK_BUTTON(boutons.lire_hex));
    EXPECT_EQ(lire_hex, 1);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(prep_lect_ecr)), "Lecture");
    EXPECT_TRUE(visible(prep_lect_ecr));
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    EXPECT_EQ(juste_donnee, 0);
    EXPECT_FALSE(visible(prep_lect_ecr));
    EXPECT_TRUE(visible(lire_file_box));
    EXPECT_FALSE(visible(ecrire_file_box));
    choisit_fichier(lire_file_box, hex);
    valide(lire_file_box);
    EXPECT_FALSE(visible(lire_file_box));
    EXPECT_EQ(lastFile, hex);
    EXPECT_EQ(texte(Fichier), hex);
    EXPECT_EQ(m_pic->prog[99], 0x3063);
    EXPECT_EQ(m_pic->donnee[63], 63);
    EXPECT_EQ(m_pic->config, 0x3FF1);
    EXPECT_EQ(m_pic->id[0], 0x12);
    EXPECT_EQ(texte_vue(texte_P).substr(0, 16), "0000: 3000 3001 ");
    EXPECT_EQ(texte(entry_ID), "12FFFFFF");

    // Reading the same file as EEPROM data blanks the program words again.
    lire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_eeprom(nullptr, prep_lect_ecr);
    EXPECT_EQ(juste_donnee, 1);
    EXPECT_EQ(nom_propose(lire_file_box), hex);
    valide(lire_file_box);
    EXPECT_TRUE(std::all_of(m_pic->prog.begin(), m_pic->prog.end(),
                            [](uint16_t w) { return w == 0xFFFF; }));
}

TEST_F(Interface, annuler_la_lecture_ne_change_rien) {
    demarre();
    m_pic->prog[0] = 0x1111;
    const Memoire_PIC* avant = m_pic.get();
    lire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    choisit_fichier(lire_file_box, rep.fichier("conf_PICS"));
    gtk_dialog_response(GTK_DIALOG(lire_file_box), GTK_RESPONSE_CANCEL);
    EXPECT_FALSE(visible(lire_file_box));
    EXPECT_EQ(m_pic.get(), avant);
    EXPECT_EQ(m_pic->prog[0], 0x1111);
    EXPECT_EQ(lastFile, "");
    EXPECT_EQ(texte(Fichier), "");
}

TEST_F(Interface, fichier_introuvable_image_vierge_et_nom_retenu) {
    demarre();
    m_pic->prog[0] = 0x1111;
    const std::string absent = rep.fichier("absent.hex");
    lit_fichier_hex(absent, 0);
    EXPECT_EQ(m_pic->prog[0], 0xFFFF);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg),
              "Un problème est survenue \npendant l'ouverture du fichier " + absent + "\n");
    EXPECT_EQ(texte(Fichier), absent);
}

TEST_F(Interface, ecrire_un_fichier_puis_le_relire) {
    demarre();
    *m_pic = exemple();
    const std::string hex = rep.fichier("sortie.hex");
    gtk_button_clicked(GTK_BUTTON(boutons.sauver_hex));
    EXPECT_EQ(lire_hex, 0);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(prep_lect_ecr)), "Ecrire");
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    EXPECT_TRUE(visible(ecrire_file_box));
    EXPECT_FALSE(visible(lire_file_box));
    choisit_fichier(ecrire_file_box, hex);
    valide(ecrire_file_box);
    EXPECT_FALSE(visible(ecrire_file_box));
    EXPECT_EQ(lastFile, hex);
    EXPECT_EQ(texte(Fichier), hex);
    const auto relu = Lire_Fichier_Hex_PIC(hex);
    EXPECT_EQ(relu->prog, m_pic->prog);
    EXPECT_EQ(relu->config, m_pic->config);
    // The read dialog now proposes the file just written; the save dialog opens again on it.
    lire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    EXPECT_EQ(nom_propose(lire_file_box), hex);
    cache_file_box(nullptr, lire_file_box);
    ecrire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_pic(nullptr, prep_lect_ecr);
    EXPECT_EQ(nom_propose(ecrire_file_box), hex);
    cache_file_box(nullptr, ecrire_file_box);

    // EEPROM data: the plain byte layout.
    const std::string donnees = rep.fichier("donnees.hex");
    ecrire_hex_clicked(nullptr, prep_lect_ecr);
    prep_lect_ecr_eeprom(nullptr, prep_lect_ecr);
    choisit_fichier(ecrire_file_box, donnees);
    ecrire_file_ok_sel(nullptr, ecrire_file_box);
    const auto octets = Lire_Fichier_Hex_EEPROM(donnees);
    EXPECT_TRUE(
        std::equal(octets->donnee.begin(), octets->donnee.begin() + 64, m_pic->donnee.begin()));
    // Both files are among the recent ones that the choosers list.
    // The manager takes an item once it has looked the file up.
    for (const std::string& f : {hex, donnees}) {
        gchar* uri = g_filename_to_uri(f.c_str(), nullptr, nullptr);
        GtkRecentManager* recents = gtk_recent_manager_get_default();
        for (int k = 0; k < 400 && !gtk_recent_manager_has_item(recents, uri); ++k) {
            pompe();
            g_usleep(5000);
        }
        EXPECT_TRUE(gtk_recent_manager_has_item(recents, uri)) << f;
        g_free(uri);
    }
}

TEST_F(Interface, fichier_depose_lu_et_vues_remises_en_haut) {
    options.puce = "24C16";
    demarre(catalogue, reglages(6));
    // The window takes files dropped from a file manager.
    GtkTargetList* cibles = gtk_drag_dest_get_target_list(fenetre_principale);
    ASSERT_NE(cibles, nullptr);
    EXPECT_TRUE(
        gtk_target_list_find(cibles, gdk_atom_intern_static_string("text/uri-list"), nullptr));
    // Scrolled down, then a file: the view starts at its first line.
    GtkAdjustment* adj = defilement_de(texte_D);
    for (int k = 0; k < 400 && gtk_adjustment_get_upper(adj) <= gtk_adjustment_get_page_size(adj);
         ++k) {
        pompe();
        g_usleep(5000);
    }
    gtk_adjustment_set_value(adj, gtk_adjustment_get_upper(adj));
    pompe();
    ASSERT_GT(gtk_adjustment_get_value(adj), 0.0);
    const std::string bin = rep.fichier("image.BIN");
    test::ecrit_fichier(bin, std::string("\x11\x22\x33"));
    lit_fichier_depose(bin);
    for (int k = 0; k < 400 && gtk_adjustment_get_value(adj) != 0.0; ++k) {
        pompe();
        g_usleep(5000);
    }
    EXPECT_EQ(gtk_adjustment_get_value(adj), 0.0);
    EXPECT_EQ(texte_vue(texte_D).substr(0, 15), "0000: 11 22 33 ");
    EXPECT_EQ(texte(Fichier), bin);
    EXPECT_EQ(lastFile, bin);
    // A HEX file of data for an EEPROM.
    const std::string hex = rep.fichier("eeprom.hex");
    test::ecrit_fichier(hex, ":02000000445565\r\n:00000001FF\r\n");
    lit_fichier_depose(hex);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_EQ(texte_vue(texte_D).substr(0, 12), "0000: 44 55 ");
}

TEST_F(Interface, nom_trop_long_utilise_mais_pas_retenu) {
    demarre();
    lastFile = "/avant.hex";
    std::string rep_long = rep.chemin().string();
    while (rep_long.size() < 260) {
        rep_long += "/rrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrr";
        g_mkdir(rep_long.c_str(), 0755);
    }
    const std::string hex = rep_long + "/long.hex";
    *m_pic = exemple();
    juste_donnee = 0;
    choisit_fichier(ecrire_file_box, hex);
    ecrire_file_ok_sel(nullptr, ecrire_file_box);
    EXPECT_TRUE(g_file_test(hex.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_EQ(lastFile, "/avant.hex");
    EXPECT_EQ(texte(Fichier), hex);
}
