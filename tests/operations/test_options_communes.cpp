// SPDX-License-Identifier: GPL-2.0-or-later
// The option reading both front ends share: whole names only, options after the command
// whatever the environment says, "--", values and what korval hands on to GTK.
#include "operations/options_communes.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(Options_communes, lecture_de_la_ligne) {
    struct Cas {
        std::vector<const char*> args;
        bool inconnues_gardees = false;
        std::string erreur = {};
        std::vector<std::string> positionnels = {};
        std::vector<int> restes = {};
        std::string conf = {}, puce = {}, ppdev = {};
        std::string propres = {}; // "c=VALEUR" and "q=", in order
        bool aide = false;
    };
    const Cas cas[] = {
        {{"lire", "f.hex", "--conf", "r", "--puce=P", "-cX", "--", "--ppdev", "x"},
         false,
         "",
         {"lire", "f.hex", "--ppdev", "x"},
         {1, 2, 7, 8, 9},
         "r",
         "P",
         "",
         "c=X"},
        {{"-c", "-q", "--composant=Y", "--ppdev", "--conf"},
         false,
         "",
         {},
         {},
         "",
         "",
         "--conf",
         "c=-q,c=Y"},
        {{"--con", "r", "effacer"}, false, "option inconnue : --con"},
        {{"--simu=e", "effacer"}, true, "", {"effacer"}, {1, 2}},
        {{"-x", "--trace"}, false, "option inconnue : -x"},
        {{"--trace"}, false, "l'option --trace demande une valeur"},
        {{"-qc"}, false, "l'option -c demande une valeur"},
        {{"--puce="}, false, "l'option --puce demande une valeur non vide"},
        {{"--version=1"}, false, "l'option --version ne prend pas de valeur"},
        {{"--display", ":1", "--conf", "r", "-xh", "--g-fatal-warnings"},
         true,
         "",
         {":1"},
         {1, 2, 5, 6},
         "r",
         "",
         "",
         "",
         true},
    };
    const Option_ligne propres[] = {{"composant", 'c', true}, {"silencieux", 'q', false}};
    // Options after the command must not depend on the environment.
    ::setenv("POSIXLY_CORRECT", "1", 1);
    for (const Cas& c : cas) {
        std::vector<const char*> argv = {"korval"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        Options_communes o;
        std::string lues;
        const Ligne_lue l = lit_ligne(
            static_cast<int>(argv.size()), argv.data(), o, propres,
            [&lues](int code, const std::string& v, std::string&) {
                lues +=
                    (lues.empty() ? "" : ",") + std::string(1, static_cast<char>(code)) + "=" + v;
                return true;
            },
            c.inconnues_gardees);
        const std::string nom = c.args.empty() ? "" : c.args.front();
        EXPECT_EQ(l.erreur, c.erreur) << nom;
        if (!c.erreur.empty()) continue;
        EXPECT_EQ(l.positionnels, c.positionnels) << nom;
        EXPECT_EQ(l.restes, c.restes) << nom;
        EXPECT_EQ(o.conf, c.conf) << nom;
        EXPECT_EQ(o.puce, c.puce) << nom;
        EXPECT_EQ(o.ppdev, c.ppdev) << nom;
        EXPECT_EQ(lues, c.propres) << nom;
        EXPECT_EQ(o.aide, c.aide) << nom;
    }
    ::unsetenv("POSIXLY_CORRECT");
}

} // namespace
