// SPDX-License-Identifier: GPL-2.0-or-later
// The help button: kdehelp, else xdg-open, in a process of its own.
#include "banc_ui.h"

#include <cstdlib>
#include <glib/gstdio.h>

using namespace test_ui;

namespace {

// A stand-in browser that writes its name and argument into a file.
void faux_navigateur(const test::Repertoire_temp& rep, const std::string& nom,
                     const std::string& sortie) {
    const std::string chemin = rep.fichier(nom);
    test::ecrit_fichier(chemin, "#!/bin/sh\necho \"" + nom + " $*\" > " + sortie + ".tmp && mv " +
                                    sortie + ".tmp " + sortie + "\n");
    g_chmod(chemin.c_str(), 0755);
}

// The browser runs on its own: wait for what it wrote, for a bounded while.
std::string attend_fichier(const std::string& chemin) {
    for (int k = 0; k < 500 && !g_file_test(chemin.c_str(), G_FILE_TEST_EXISTS); ++k)
        g_usleep(10000);
    return g_file_test(chemin.c_str(), G_FILE_TEST_EXISTS) ? test::lit_fichier(chemin) : "";
}

class Aide : public ::testing::Test {
  protected:
    void SetUp() override {
        chemin = g_getenv("PATH");
        pwd = g_getenv("PWD") ? g_getenv("PWD") : "";
    }
    void TearDown() override {
        g_setenv("PATH", chemin.c_str(), TRUE);
        g_setenv("PWD", pwd.c_str(), TRUE);
    }
    std::string chemin, pwd;
    test::Repertoire_temp bin, dossier;
};

} // namespace

TEST_F(Aide, adresse_depuis_le_repertoire_de_lancement) {
    g_mkdir(dossier.fichier("aide").c_str(), 0755);
    test::ecrit_fichier(dossier.fichier("aide/aide_sommaire.htm"), "<html></html>");
    g_setenv("PWD", dossier.chemin().c_str(), TRUE);
    EXPECT_EQ(adresse_aide(), "file:" + dossier.chemin().string() + "/aide/aide_sommaire.htm");
    // Without pages there, the shipped ones.
    g_setenv("PWD", bin.chemin().c_str(), TRUE);
    const std::string a = adresse_aide();
    EXPECT_EQ(a.substr(0, 5), "file:");
    EXPECT_TRUE(g_file_test(a.substr(5).c_str(), G_FILE_TEST_IS_REGULAR)) << a;
}

TEST_F(Aide, kdehelp_sinon_xdg_open) {
    g_mkdir(dossier.fichier("aide").c_str(), 0755);
    test::ecrit_fichier(dossier.fichier("aide/aide_sommaire.htm"), "<html></html>");
    g_setenv("PWD", dossier.chemin().c_str(), TRUE);
    const std::string adresse = "file:" + dossier.chemin().string() + "/aide/aide_sommaire.htm";

    faux_navigateur(bin, "xdg-open", bin.fichier("vu_xdg"));
    g_setenv("PATH", (bin.chemin().string() + ":/usr/bin:/bin").c_str(), TRUE);
    aide_clicked(nullptr, nullptr);
    EXPECT_EQ(attend_fichier(bin.fichier("vu_xdg")), "xdg-open " + adresse + "\n");

    faux_navigateur(bin, "kdehelp", bin.fichier("vu_kde"));
    aide_clicked(nullptr, nullptr);
    EXPECT_EQ(attend_fichier(bin.fichier("vu_kde")), "kdehelp " + adresse + "\n");
}

TEST_F(Interface, sans_navigateur_le_chemin_de_la_page_dans_la_fenetre_d_erreur) {
    demarre();
    const std::string chemin = g_getenv("PATH"), pwd = g_getenv("PWD") ? g_getenv("PWD") : "";
    test::Repertoire_temp vide;
    g_mkdir(rep.fichier("aide").c_str(), 0755);
    test::ecrit_fichier(rep.fichier("aide/aide_sommaire.htm"), "<html></html>");
    g_setenv("PWD", rep.chemin().c_str(), TRUE);
    g_setenv("PATH", vide.chemin().c_str(), TRUE); // neither kdehelp nor xdg-open
    aide_clicked(nullptr, nullptr);
    g_setenv("PATH", chemin.c_str(), TRUE);
    g_setenv("PWD", pwd.c_str(), TRUE);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Aucun navigateur pour l'aide (ni kdehelp ni xdg-open) : ouvrez la "
                                "page " +
                                    rep.fichier("aide/aide_sommaire.htm") + " dans un navigateur");
}
