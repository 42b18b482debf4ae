// SPDX-License-Identifier: GPL-2.0-or-later
// korval-cli on a faulty simulated programmer or chip, as a user sees it: the exit status, the
// message, no file from a failed read, and the chip powered down at the end.
#include "banc_cli.h"
#include "commun/outils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace test_cli;

// Final level of VCC, VPP1 and VPP2 in a VCD trace, and whether VCC was ever on.
struct Alimentation {
    bool finale = true;  // one of the three still on at the end (or no trace)
    bool allumee = true; // VCC went on at some point
};

Alimentation alimentation(const std::string& vcd) {
    std::map<std::string, std::string> code_de; // identifier -> line name
    std::map<std::string, char> niveau;
    Alimentation a;
    a.allumee = false;
    std::istringstream in(test::lit_fichier(vcd));
    bool definitions = true;
    for (std::string l; std::getline(in, l);) {
        if (definitions) {
            if (l.rfind("$var wire 1 ", 0) == 0) {
                std::istringstream mots(l.substr(12));
                std::string id, nom;
                mots >> id >> nom;
                code_de[id] = nom;
            }
            if (contient(l, "$enddefinitions")) definitions = false;
            continue;
        }
        if (l.size() < 2 || (l[0] != '0' && l[0] != '1')) continue;
        const auto nom = code_de.find(l.substr(1));
        if (nom == code_de.end()) continue;
        niveau[nom->second] = l[0];
        if (nom->second == "VCC" && l[0] == '1') a.allumee = true;
    }
    if (code_de.empty()) return {};
    a.finale = niveau["VCC"] != '0' || niveau["VPP1"] != '0' || niveau["VPP2"] != '0';
    return a;
}

// An EEPROM image of taille bytes, none of them 0xFF, in the plain byte layout.
std::string image_hex(int taille) {
    std::string t;
    char ligne[64];
    for (int a = 0; a < taille; a += 16) {
        unsigned somme = 16 + (static_cast<unsigned>(a) >> 8) + (static_cast<unsigned>(a) & 0xFF);
        std::snprintf(ligne, sizeof ligne, ":10%04X00", static_cast<unsigned>(a));
        t += ligne;
        for (int k = 0; k < 16; ++k) {
            const unsigned o = static_cast<unsigned>((a + k) * 7 + 3) & 0xFF;
            somme += o;
            std::snprintf(ligne, sizeof ligne, "%02X", o);
            t += ligne;
        }
        std::snprintf(ligne, sizeof ligne, "%02X\n", (0x100 - (somme & 0xFF)) & 0xFF);
        t += ligne;
    }
    return t + ":00000001FF\n";
}

int taille_de(const std::string& composant) {
    if (composant == "24C02") return 256;
    if (composant == "93C46") return 128;
    return 512; // 25C040
}

class Pannes_cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;

    // A settings directory: the shipped files, with some lines of conf_port replaced.
    std::string conf(const std::string& nom, const std::map<std::string, std::string>& lignes) {
        return reglages(rep, nom, lignes);
    }

    Resultat lance(const std::vector<std::string>& args, const std::string& prefixe = "") {
        return lance_korval_cli(rep, args, prefixe);
    }
};

struct Cas {
    const char* composant;
    const char* panne;    // "" for none
    const char* reglages; // "" shipped settings, "p16pro" the P16Pro wiring, "tempo" _TEMPO -6000
    const char* commande; // lire, ecrire, comparer
    int code;
    const char* message;  // on standard error; "" for none
    bool deja_la = false; // lire: the target exists before the run
    bool jamais_alimentee = false;
};

TEST_F(Pannes_cli, chaque_echec_sort_en_1_puce_hors_tension_sans_fichier) {
    const char* const sans_ligne = "Ce programmateur n'a pas de ligne SELECT ou DATA 93xx : les "
                                   "EEPROM Microwire et SPI ne peuvent pas être programmées";
    const char* const spi_occupee =
        "erreur : SPI toujours occupée (puce absente, ou cycle d'écriture sans fin)";
    const Cas cas[] = {
        {"24C02", "sans-puce", "", "lire", 1, "Un problème avec l'ack pour l'addresse1"},
        {"24C02", "sans-puce", "", "lire", 1, "Un problème avec l'ack pour l'addresse1", true},
        {"24C02", "sans-puce", "", "comparer", 1, "Un problème avec l'ack pour l'addresse1"},
        {"24C02", "occupee", "", "ecrire", 1, "Un problème avec l'ack pour l'addresse1"},
        {"24C02", "cellule-morte", "", "ecrire", 1,
         "EEPROM : Adresse 80, Donnee envoyée 83, Donnée reçue FF"},
        {"93C46", "cellule-morte", "", "ecrire", 1,
         "EEPROM : Adresse 40, Donnee envoyée C3, Donnée reçue FF"},
        {"93C46", "sans-puce", "", "ecrire", 1, "EEPROM : pas de réponse de la puce"},
        {"93C46", "sans-puce", "", "lire", 1, "EEPROM : pas de réponse de la puce", true},
        {"93C46", "sans-puce", "", "comparer", 1, "EEPROM : pas de réponse de la puce"},
        {"93C46", "occupee", "", "ecrire", 1, "erreur : serie toujours busy"},
        {"25C040", "cellule-morte", "", "ecrire", 1,
         "EEPROM : Adresse 100, Donnee envoyée 3, Donnée reçue FF"},
        {"25C040", "occupee", "", "ecrire", 1, spi_occupee},
        {"25C040", "sans-puce", "", "ecrire", 1, spi_occupee},
        {"25C040", "sans-puce", "", "lire", 1, spi_occupee},
        {"93C46", "", "p16pro", "ecrire", 1, sans_ligne, false, true},
        {"25C040", "", "p16pro", "lire", 1, sans_ligne, false, true},
        {"25C040", "", "p16pro", "comparer", 1, sans_ligne, false, true},
        // Polling waits for a slow cell or a short bus: every byte written.
        {"25C040", "cellule-lente", "", "ecrire", 0, ""},
        {"25C040", "", "tempo", "ecrire", 0, ""},
        {"24C02", "", "tempo", "ecrire", 0, ""},
        {"93C46", "cellule-lente", "", "ecrire", 0, ""},
    };
    const std::string ancien = ":00000001FF\n";
    int n = 0;
    for (const Cas& c : cas) {
        const std::string nom = std::string(c.composant) + " " + c.panne + " " + c.reglages + " " +
                                c.commande + (c.deja_la ? " (fichier existant)" : "");
        SCOPED_TRACE(nom);
        const std::string suffixe = std::to_string(++n);
        const std::string image = rep.fichier("image" + suffixe + ".hex");
        test::ecrit_fichier(image, image_hex(taille_de(c.composant)));
        std::string dossier = conf("conf", {});
        if (std::string(c.reglages) == "p16pro") dossier = conf("conf_p16pro", {{"_TYPE_P", "1"}});
        if (std::string(c.reglages) == "tempo") dossier = conf("conf_tempo", {{"_TEMPO", "-6000"}});
        const std::string etat = rep.fichier("puce" + suffixe + ".etat");
        const std::string vcd = rep.fichier("trace" + suffixe + ".vcd");
        const std::string lu = rep.fichier("lu" + suffixe + ".hex");
        if (c.deja_la) test::ecrit_fichier(lu, ancien);

        std::vector<std::string> args = {"--conf",    dossier, "--simulateur", etat, "-c",
                                         c.composant, "-q",    "--trace",      vcd};
        if (*c.panne) args.insert(args.end(), {"--panne", c.panne});
        args.insert(args.end(), {c.commande, std::string(c.commande) == "lire" ? lu : image});
        const Resultat r = lance(args);

        EXPECT_EQ(r.code, c.code) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, c.message)) << r.erreurs;
        // No "correspond" line for an area that could not be read.
        EXPECT_EQ(c.code != 0 && contient(r.sortie, "correspond"), false) << r.sortie;
        const Alimentation a = alimentation(vcd);
        EXPECT_FALSE(a.finale);
        EXPECT_FALSE(c.jamais_alimentee && a.allumee);
        if (std::string(c.commande) == "lire" && c.code != 0) {
            if (c.deja_la) {
                EXPECT_EQ(test::lit_fichier(lu), ancien);
            } else {
                EXPECT_FALSE(fs::exists(lu));
            }
        }
        // A write that succeeded left every byte in the chip.
        if (c.code == 0 && std::string(c.commande) == "ecrire") {
            const Resultat v = lance({"--conf", conf("conf", {}), "--simulateur", etat, "-c",
                                      c.composant, "-q", "comparer", image});
            EXPECT_EQ(v.code, 0) << v.erreurs;
            EXPECT_EQ(v.sortie, "Les données de l'EEPROM correspondent à celles en mémoire\n");
        }
    }
}

TEST_F(Pannes_cli, lire_refuse_une_cible_en_lecture_seule_avant_de_lire_la_puce) {
    // Run as an ordinary user: root may write any file.
    std::string prefixe;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "setpriv is needed to run the program as an ordinary user";
        fs::permissions(rep.chemin(), fs::perms::all, fs::perm_options::add);
        prefixe = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const std::string dossier = conf("conf", {});
    fs::permissions(dossier, fs::perms::all, fs::perm_options::add);
    const std::string lu = rep.fichier("lu.hex");
    test::ecrit_fichier(lu, ":00000001FF\n");
    fs::permissions(lu, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string vcd = rep.fichier("trace.vcd");
    const Resultat r = lance({"--conf", dossier, "--simulateur", rep.fichier("puce.etat"), "-c",
                              "24C02", "--trace", vcd, "lire", lu},
                             prefixe);
    EXPECT_EQ(r.code, 2) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "impossible d'écrire " + lu + " : rien n'a été lu"))
        << r.erreurs;
    EXPECT_EQ(test::lit_fichier(lu), ":00000001FF\n");
    EXPECT_FALSE(fs::exists(rep.fichier("puce.etat")));
    EXPECT_FALSE(fs::exists(vcd));
}

} // namespace
