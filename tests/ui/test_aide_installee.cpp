// SPDX-License-Identifier: GPL-2.0-or-later
// The help pages of an installed program: found from the program's own directory when the start
// directory has none. A copy of this test program, put in bin/ of a fake installation tree, runs
// the case Aide_installee.adresse_vue_par_une_copie with the address it must find.
#include "banc_ui.h"

#include <filesystem>
#include <sys/wait.h>

#ifndef KORVAL_AIDE_INSTALLEE
#define KORVAL_AIDE_INSTALLEE ""
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* VARIABLE_ATTENDUE = "KORVAL_TEST_AIDE_ATTENDUE";

struct Resultat {
    int statut = -1;
    std::string sortie;
};

// Runs the copy on the one case, from the directory pwd, expecting the address attendue.
Resultat lance_copie(const fs::path& copie, const fs::path& pwd, const std::string& attendue) {
    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "PWD", pwd.c_str(), TRUE);
    env = g_environ_setenv(env, VARIABLE_ATTENDUE, attendue.c_str(), TRUE);
    const std::string programme = copie.string();
    gchar* argv[] = {const_cast<gchar*>(programme.c_str()),
                     const_cast<gchar*>("--gtest_filter=Aide_installee.adresse_vue_par_une_copie"),
                     nullptr};
    gchar* sortie = nullptr;
    Resultat r;
    GError* erreur = nullptr;
    if (!g_spawn_sync(pwd.c_str(), argv, env, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &sortie,
                      nullptr, &r.statut, &erreur)) {
        ADD_FAILURE() << erreur->message;
        g_error_free(erreur);
    }
    r.sortie = sortie ? sortie : "";
    g_free(sortie);
    g_strfreev(env);
    return r;
}

// The copy passed its one case (a filter that matches nothing would pass with no test).
void verifie_copie(const Resultat& r) {
    EXPECT_TRUE(WIFEXITED(r.statut) && WEXITSTATUS(r.statut) == 0) << r.sortie;
    EXPECT_NE(r.sortie.find("[  PASSED  ] 1 test."), std::string::npos) << r.sortie;
}

} // namespace

// Run only by the copy: the test below sets the expected address.
TEST(Aide_installee, adresse_vue_par_une_copie) {
    const char* attendue = g_getenv(VARIABLE_ATTENDUE);
    if (!attendue) GTEST_SKIP() << "lancé par Aide_installee.pages_a_cote_du_programme";
    EXPECT_EQ(adresse_aide(), attendue);
}

TEST(Aide_installee, pages_a_cote_du_programme) {
    ASSERT_STRNE(KORVAL_AIDE_INSTALLEE, "");
    ASSERT_TRUE(fs::path(KORVAL_AIDE_INSTALLEE).is_relative());
    test::Repertoire_temp racine, ailleurs, lancement;
    const fs::path base = fs::canonical(racine.chemin());
    fs::create_directories(base / "bin");
    const fs::path copie = base / "bin" / "tests_ui";
    fs::copy_file("/proc/self/exe", copie);
    const fs::path aide = (base / "bin" / KORVAL_AIDE_INSTALLEE).lexically_normal();
    fs::create_directories(aide);
    test::ecrit_fichier((aide / "aide_sommaire.htm").string(), "<html></html>");

    // Started from a directory without aide/: the pages of the installation tree, not those of
    // the source tree.
    verifie_copie(
        lance_copie(copie, ailleurs.chemin(), "file:" + (aide / "aide_sommaire.htm").string()));

    // The start directory's pages come first.
    fs::create_directory(lancement.chemin() / "aide");
    test::ecrit_fichier(lancement.fichier("aide/aide_sommaire.htm"), "<html></html>");
    verifie_copie(lance_copie(copie, lancement.chemin(),
                              "file:" + lancement.chemin().string() + "/aide/aide_sommaire.htm"));

    // Without installed pages, those of the source tree.
    fs::remove_all(aide);
    verifie_copie(lance_copie(copie, ailleurs.chemin(),
                              "file:" + test::fichier_source("aide/aide_sommaire.htm")));
}
