// SPDX-License-Identifier: GPL-2.0-or-later
// korval-cli and the enhanced mid-range parts' LVP bit: on a board above 9 V the part is entered
// by the low-voltage key only, so a file that clears LVP is refused unless forced.
#include "banc_cli.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace test_cli;

class Lvp_cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
};

TEST_F(Lvp_cli, effacer_lvp_est_refuse_sans_forcer_sur_une_carte_a_treize_volts) {
    const std::string hex = test::assemble("pic16f1847.asm", "inhx32", rep);
    ASSERT_FALSE(hex.empty());
    std::string texte = test::lit_fichier(hex);
    const std::string config2 = ":02001000FF3EB1"; // LVP on
    ASSERT_NE(texte.find(config2), std::string::npos) << texte;
    texte.replace(texte.find(config2), config2.size(), ":02001000FF1ED1"); // LVP off
    const std::string sans_lvp = rep.fichier("sans_lvp.hex");
    test::ecrit_fichier(sans_lvp, texte);

    struct Cas {
        const char* tension;
        const std::string* fichier;
        bool forcer;
        int code;
    };
    const Cas cas[] = {
        {"13", &sans_lvp, false, 2},
        {"13", &sans_lvp, true, 0},
        {"9", &sans_lvp, false, 0},
        {"13", &hex, false, 0},
    };
    int n = 0;
    for (const Cas& k : cas) {
        const std::string etat = rep.fichier("puce" + std::to_string(++n) + ".etat");
        SCOPED_TRACE(etat);
        const std::string conf = reglages(rep, "conf" + std::to_string(n));
        const std::string port = conf + "/conf_port";
        test::ecrit_fichier(port, test::lit_fichier(port) + "_TENSION_VPP " + k.tension + "\n");
        std::vector<std::string> args = {"--conf",   conf, "--simulateur", etat,
                                         "--strict", "-c", "PIC16F1847"};
        if (k.forcer) args.push_back("--forcer");
        args.insert(args.end(), {"ecrire", *k.fichier});
        const Resultat r = lance_korval_cli(rep, args);
        EXPECT_EQ(r.code, k.code) << r.erreurs;
        EXPECT_EQ(contient(r.erreurs, "met LVP à 0 : ce programmateur n'entre dans ce PIC que "
                                      "par la clé basse tension"),
                  k.code == 2)
            << r.erreurs;
        EXPECT_EQ(fs::exists(etat), k.code == 0); // refused: the chip was not touched
    }
}

} // namespace
