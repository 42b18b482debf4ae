// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up effects, options, the empty catalogue and the two ways of ending.
#include "banc_ui.h"

#include "core/repertoire_conf.h"
#include "hex/hex.h"

#include <algorithm>
#include <cstdlib>
#include <glib/gstdio.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace test_ui;

namespace {

bool image_vierge() {
    return std::all_of(m_pic->prog.begin(), m_pic->prog.end(),
                       [](uint16_t w) { return w == 0xFFFF; }) &&
           std::all_of(m_pic->donnee.begin(), m_pic->donnee.end(),
                       [](uint8_t o) { return o == 0xFF; }) &&
           m_pic->config == 0x3FFF && m_pic->id[0] == 0xFF && m_pic->id[3] == 0xFF;
}

std::vector<char*> arguments(std::vector<std::string>& a) {
    std::vector<char*> v;
    for (std::string& s : a) v.push_back(s.data());
    v.push_back(nullptr);
    return v;
}

} // namespace

TEST_F(Interface, appareil_retenu_image_vierge_et_fichier_propose) {
    // The remembered HEX file exists and holds a program: it is only proposed, not loaded.
    Memoire_PIC m;
    m.prog[0] = 0x2805;
    const std::string hex = rep.fichier("dernier.hex");
    Ecrire_Fichier_Hex_PIC(hex, m);
    demarre(catalogue, reglages(3, hex));

    EXPECT_EQ(pic_select, 3);
    EXPECT_EQ(texte(boutons.combo_pic), "PIC12C671");
    EXPECT_EQ(texte(type_PIC), "PIC12C671 (ATTENTION : NON TESTE )");
    EXPECT_FALSE(visible(boutons.effacer)); // algorithm 2
    EXPECT_TRUE(visible(check_aff_MCLRE));
    EXPECT_TRUE(image_vierge());
    EXPECT_EQ(texte(Fichier), "");
    EXPECT_EQ(lastFile, hex);
    pompe();
    gchar* propose = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(lire_file_box));
    ASSERT_NE(propose, nullptr);
    EXPECT_EQ(std::string(propose), hex);
    g_free(propose);
    EXPECT_FALSE(visible(error_box));
    EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(fenetre_principale))),
              "KORVAL  v1.0 — programmateur simulé");
}

TEST_F(Interface, sans_reglages_le_message_et_les_valeurs_par_defaut) {
    demarre(catalogue, "");
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Le fichier conf_port n'existe pas");
    EXPECT_EQ(erreur_fin, 0);
    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(type_de_prog, 0);
    EXPECT_EQ(texte(boutons.combo_pic), "PIC16F84"); // the first entry
    error_ok_clicked(nullptr, nullptr);
    EXPECT_FALSE(visible(error_box));
    EXPECT_FALSE(fin_demandee());
}

TEST_F(Interface, catalogue_absent_aucun_composant_puis_fin_sans_sauver) {
    const std::string reglage = reglages(5);
    demarre("", reglage);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Le fichier conf_PICS n'existe pas\nLe programme va se terminer");
    EXPECT_EQ(erreur_fin, 1);
    // Above the main window, not under it.
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(error_box)), GTK_WINDOW(fenetre_principale));
    EXPECT_EQ(texte(type_PIC), "");
    EXPECT_EQ(texte(boutons.combo_pic), "");
    EXPECT_EQ(gtk_tree_model_iter_n_children(
                  gtk_combo_box_get_model(GTK_COMBO_BOX(boutons.combo_pic)), nullptr),
              0);
    for (GtkWidget* w :
         {boutons.charger, boutons.lire, boutons.effacer, boutons.comparer, boutons.lire_hex,
          boutons.sauver_hex, boutons.combo_pic, boutons.modifier_prog, boutons.modifier_donnee})
        EXPECT_FALSE(sensible(w));
    for (GtkWidget* w : {boutons.options, boutons.aide, boutons.quitter}) EXPECT_TRUE(sensible(w));
    EXPECT_EQ(texte_vue(texte_P), "");
    EXPECT_FALSE(visible(entry_ID));

    // Nothing that needs a device may crash: the timer with a confirmed write, a refresh.
    prepare_PIC_e(nullptr, prepare_PIC_box);
    EXPECT_FALSE(visible(prepare_PIC_box));
    ecrire_pic = 11; // confirmed all the same
    timeout(nullptr);
    affiche_pic_mem();
    // A later message must not replace the fatal one: none was posted.
    EXPECT_EQ(erreur_fin, 1);
    error_ok_clicked(nullptr, nullptr);
    EXPECT_TRUE(fin_demandee());
    EXPECT_EQ(test::lit_fichier(rep.fichier("conf_port")), reglage);
}

TEST_F(Interface, catalogue_sans_composant_meme_comportement) {
    demarre("; rien que des commentaires\n1 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 PWRTE/ WDTE "
            "FOSC1 FOSC0\n");
    EXPECT_TRUE(tab_pic.empty());
    EXPECT_FALSE(sensible(boutons.charger));
    EXPECT_EQ(texte(type_PIC), "");
}

TEST_F(Interface, fermeture_par_quitter_sauve_les_reglages) {
    demarre(catalogue, reglages(1));
    choisit("24C16");
    gtk_button_clicked(GTK_BUTTON(boutons.quitter));
    EXPECT_TRUE(fin_demandee());
    EXPECT_EQ(fenetre_principale, nullptr);
    EXPECT_NE(test::lit_fichier(rep.fichier("conf_port")).find("_DERNIER_PIC 6"),
              std::string::npos);
    EXPECT_NO_FATAL_FAILURE(affiche_pic_mem()); // nothing left to draw into
}

TEST_F(Interface, fermeture_par_le_gestionnaire_de_fenetres_sauve_aussi) {
    demarre(catalogue, reglages(0));
    choisit("PIC12C508");
    // What the window manager's close does when no handler refuses it.
    gtk_widget_destroy(fenetre_principale);
    EXPECT_TRUE(fin_demandee());
    EXPECT_NE(test::lit_fichier(rep.fichier("conf_port")).find("_DERNIER_PIC 4"),
              std::string::npos);
}

TEST_F(Interface, minuterie_enregistree_au_demarrage) {
    test::ecrit_fichier(rep.fichier("conf_PICS"), catalogue);
    test::ecrit_fichier(rep.fichier("conf_port"), reglages(0));
    force_repertoire_conf(rep.chemin().string());
    options.avec_simulateur = true;
    demarre_interface(options, true);
    demarree = true;
    EXPECT_NE(minuterie(), 0u);
    EXPECT_EQ(g_main_context_find_source_by_id(nullptr, minuterie()) != nullptr, true);
}

TEST(Options_korval, options_propres_retirees_celles_de_gtk_laissees) {
    std::vector<std::string> a = {
        "korval",        "--display", ":3",        "--simulateur",      "s.etat",        "--puce",
        "PIC16F84",      "--panne",   "sans_puce", "--panne=x",         "--conf=/tmp/c", "--ppdev",
        "/dev/parport1", "--trace",   "t.vcd",     "--g-fatal-warnings"};
    auto v = arguments(a);
    int argc = static_cast<int>(a.size());
    Options_korval o;
    ASSERT_TRUE(lit_options(argc, v.data(), o));
    ASSERT_EQ(argc, 4);
    EXPECT_STREQ(v[1], "--display");
    EXPECT_STREQ(v[2], ":3");
    EXPECT_STREQ(v[3], "--g-fatal-warnings");
    EXPECT_EQ(v[4], nullptr);
    EXPECT_TRUE(o.avec_simulateur);
    EXPECT_EQ(o.simulateur, "s.etat");
    EXPECT_EQ(o.puce, "PIC16F84");
    EXPECT_EQ(o.pannes, (std::vector<std::string>{"sans_puce", "x"}));
    EXPECT_EQ(o.conf, "/tmp/c");
    EXPECT_EQ(o.ppdev, "/dev/parport1");
    EXPECT_EQ(o.trace, "t.vcd");

    std::vector<std::string> b = {"korval", "--puce"};
    auto w = arguments(b);
    argc = 2;
    Options_korval o2;
    EXPECT_FALSE(lit_options(argc, w.data(), o2));

    EXPECT_STREQ(titre_principal(false), "KORVAL  v1.0");
}

TEST(Demarrage, sans_root_seul_le_message_et_le_code_1) {
    if (geteuid() != 0)
        GTEST_SKIP() << "il faut être root pour lancer le programme sous un autre utilisateur";
    gchar* setpriv = g_find_program_in_path("setpriv");
    const bool trouve = setpriv != nullptr;
    g_free(setpriv);
    if (!trouve) GTEST_SKIP() << "setpriv absent";
    const std::string personne = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    if (std::system((personne + "test -x " KORVAL_BIN).c_str()) != 0)
        GTEST_SKIP() << "le programme n'est pas accessible à un autre utilisateur ici";
    test::Repertoire_temp rep;
    const std::string sortie = rep.fichier("sortie");
    const std::string commande = "cd / && " + personne + KORVAL_BIN + " > " + sortie + " 2>&1";
    const int statut = std::system(commande.c_str());
    ASSERT_TRUE(WIFEXITED(statut));
    EXPECT_EQ(WEXITSTATUS(statut), 1);
    EXPECT_EQ(test::lit_fichier(sortie),
              "Erreur : vous devez etre en root, ou il faut que le bit set-UID soit mis à 1\n");
}
