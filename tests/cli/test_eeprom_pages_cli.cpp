// SPDX-License-Identifier: GPL-2.0-or-later
// Serial EEPROMs through korval-cli on the simulated programmer, one byte per transaction and with
// --rapide (page writes, sequential reads): full writes, ranges that start and end mid-page, reads,
// erasing, and the failures of the fast mode, as the user sees them (exit status, message, and the
// simulated chip's contents in its state file).
#include "banc_cli.h"
#include "commun/outils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace test_cli;

using Octets = std::vector<uint8_t>;

// Plain byte layout, 16 bytes a line (the arrays here stay below 64 KiB).
std::string hex_de(const Octets& o) {
    std::string t;
    char morceau[16];
    for (std::size_t a = 0; a < o.size(); a += 16) {
        const std::size_t n = std::min<std::size_t>(16, o.size() - a);
        unsigned somme = static_cast<unsigned>(n + (a >> 8) + (a & 0xFF));
        std::snprintf(morceau, sizeof morceau, ":%02X%04X00", static_cast<unsigned>(n),
                      static_cast<unsigned>(a));
        t += morceau;
        for (std::size_t k = 0; k < n; ++k) {
            somme += o[a + k];
            std::snprintf(morceau, sizeof morceau, "%02X", o[a + k]);
            t += morceau;
        }
        std::snprintf(morceau, sizeof morceau, "%02X\n", (0x100 - (somme & 0xFF)) & 0xFF);
        t += morceau;
    }
    return t + ":00000001FF\n";
}

// The data records of an Intel HEX text (no extended addresses), over a blank array.
Octets octets_de(const std::string& texte, std::size_t taille) {
    Octets o(taille, 0xFF);
    std::istringstream in(texte);
    for (std::string l; std::getline(in, l);) {
        if (l.size() < 11 || l[0] != ':' || l.substr(7, 2) != "00") continue;
        const std::size_t n = std::stoul(l.substr(1, 2), nullptr, 16);
        const std::size_t a = std::stoul(l.substr(3, 4), nullptr, 16);
        for (std::size_t k = 0; k < n && a + k < taille; ++k)
            o[a + k] = static_cast<uint8_t>(std::stoul(l.substr(9 + 2 * k, 2), nullptr, 16));
    }
    return o;
}

// Two patterns without 0xFF: what the file holds, and what the chip held before.
Octets motif(int taille, int graine) {
    Octets o(static_cast<std::size_t>(taille));
    for (int a = 0; a < taille; ++a)
        o[static_cast<std::size_t>(a)] = static_cast<uint8_t>((a * graine + (a >> 8) + 1) % 0xFF);
    return o;
}

// First differing address, or -1.
int difference(const Octets& a, const Octets& b) {
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k)
        if (a[k] != b[k]) return static_cast<int>(k);
    return a.size() == b.size() ? -1 : static_cast<int>(std::min(a.size(), b.size()));
}

class Eeprom_cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
    int n = 0;

    // The shipped settings with the data range (and enable) replaced.
    std::string conf(int debut, int fin, int active = 1) {
        return reglages(rep, "conf" + std::to_string(++n),
                        {{"_L_E_DATA_DEBUT", std::to_string(debut)},
                         {"_L_E_DATA_FIN", std::to_string(fin)},
                         {"_L_E_DATA_ENABLE", std::to_string(active)}});
    }

    Resultat lance(const std::vector<std::string>& args) { return lance_korval_cli(rep, args); }
};

struct Composant {
    const char* nom;
    int taille;
    int page;                          // the page write of --rapide
    bool long_octet_par_octet = false; // skip the whole-array byte mode runs (minutes of bus)
};

// One part per bus, and the page-size extremes (the 1-byte-address I2C parts carry the block bits
// in the control byte, the 25C040 its address bit 8 in the instruction).
const Composant composants[] = {
    {"24C01", 128, 8},  {"24C16", 2048, 16}, {"24C256", 32768, 64, true}, {"93C46", 128, 1},
    {"93C86", 2048, 1}, {"25C040", 512, 8},  {"25C640", 8192, 32},
};

enum class Essai { ecrire_tout, ecrire_plage, lire, effacer };

TEST_F(Eeprom_cli, octet_par_octet_et_rapide_donnent_la_meme_puce) {
    for (const Composant& c : composants) {
        for (const bool rapide : {false, true}) {
            for (const Essai e :
                 {Essai::ecrire_tout, Essai::ecrire_plage, Essai::lire, Essai::effacer}) {
                if (!rapide && c.long_octet_par_octet &&
                    (e == Essai::ecrire_tout || e == Essai::effacer))
                    continue;
                SCOPED_TRACE(std::string(c.nom) + (rapide ? " --rapide " : " ") +
                             std::to_string(static_cast<int>(e)));
                const std::string suffixe = std::to_string(++n);
                const Octets fichier = motif(c.taille, 7);
                const Octets avant = motif(c.taille, 13);
                // A range that starts and ends mid-page, over three page boundaries (and the
                // 256-byte block or the address bit 8 of the small parts).
                const int debut = c.taille / 2 - c.page / 2 - 3;
                const int fin = c.taille / 2 + 2 * c.page + 5;
                const std::string etat = rep.fichier("puce" + suffixe + ".etat");
                test::ecrit_fichier(etat, std::string("; puce ") + c.nom + "\n" + hex_de(avant));
                const std::string image = rep.fichier("image" + suffixe + ".hex");
                test::ecrit_fichier(image, hex_de(fichier));
                const std::string lu = rep.fichier("lu" + suffixe + ".hex");

                std::vector<std::string> args = {
                    "--conf",       e == Essai::ecrire_plage ? conf(debut, fin) : conf(0, 65535),
                    "--simulateur", etat,
                    "--strict",     "-q",
                    "-c",           c.nom};
                if (rapide) args.push_back("--rapide");
                if (e == Essai::lire) args.insert(args.end(), {"lire", lu});
                if (e == Essai::effacer) args.push_back("effacer");
                if (e == Essai::ecrire_tout || e == Essai::ecrire_plage)
                    args.insert(args.end(), {"ecrire", image});
                const Resultat r = lance(args);
                ASSERT_EQ(r.code, 0) << r.erreurs;

                Octets attendu = avant;
                if (e == Essai::ecrire_tout) attendu = fichier;
                if (e == Essai::effacer) attendu.assign(attendu.size(), 0xFF);
                if (e == Essai::ecrire_plage)
                    for (int a = debut; a <= fin; ++a)
                        attendu[static_cast<std::size_t>(a)] = fichier[static_cast<std::size_t>(a)];
                const std::size_t taille = static_cast<std::size_t>(c.taille);
                EXPECT_EQ(difference(octets_de(test::lit_fichier(etat), taille), attendu), -1);
                if (e == Essai::lire) {
                    EXPECT_EQ(difference(octets_de(test::lit_fichier(lu), taille), avant), -1);
                }
            }
        }
    }
}

TEST_F(Eeprom_cli, les_pannes_en_mode_rapide_sortent_en_1_avec_leur_message) {
    struct Cas {
        const char* composant;
        int taille;
        const char* panne;
        const char* commande;
        const char* message;
    };
    // The dead cell is at the middle of the array; the chip held motif(taille, 13) before.
    const Octets avant_24 = motif(256, 13), avant_93 = motif(128, 13);
    char morte_24[96], morte_25[96], effacee_93[96];
    std::snprintf(morte_24, sizeof morte_24,
                  "EEPROM : Adresse 80, Donnee envoyée %X, Donnée reçue %X", motif(256, 7)[0x80],
                  avant_24[0x80]);
    std::snprintf(morte_25, sizeof morte_25,
                  "EEPROM : Adresse 100, Donnee envoyée FF, Donnée reçue %X",
                  motif(512, 13)[0x100]);
    std::snprintf(effacee_93, sizeof effacee_93,
                  "EEPROM : Adresse 40, Donnee envoyée FF, Donnée reçue %X", avant_93[0x40]);
    const Cas cas[] = {
        {"24C02", 256, "cellule-morte", "ecrire", morte_24},
        {"25C040", 512, "cellule-morte", "effacer", morte_25},
        {"93C46", 128, "cellule-morte", "effacer", effacee_93},
        {"24C02", 256, "sans-puce", "lire", "Un problème avec l'ack pour l'addresse1"},
        {"93C46", 128, "occupee", "effacer", "erreur : serie toujours busy"},
        {"25C040", 512, "occupee", "ecrire",
         "erreur : SPI toujours occupée (puce absente, ou cycle d'écriture sans fin)"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.composant) + " " + c.panne + " " + c.commande);
        const std::string suffixe = std::to_string(++n);
        const std::string etat = rep.fichier("puce" + suffixe + ".etat");
        test::ecrit_fichier(etat, std::string("; puce ") + c.composant + "\n" +
                                      hex_de(motif(c.taille, 13)));
        const std::string image = rep.fichier("image" + suffixe + ".hex");
        test::ecrit_fichier(image, hex_de(motif(c.taille, 7)));
        std::vector<std::string> args = {"--conf",  conf(0, 65535), "--simulateur", etat,
                                         "-q",      "--rapide",     "-c",           c.composant,
                                         "--panne", c.panne,        c.commande};
        if (std::string(c.commande) != "effacer")
            args.push_back(std::string(c.commande) == "lire" ? rep.fichier("lu.hex") : image);
        const Resultat r = lance(args);
        EXPECT_EQ(r.code, 1) << r.erreurs;
        EXPECT_NE(r.erreurs.find(c.message), std::string::npos) << r.erreurs;
        EXPECT_FALSE(fs::exists(rep.fichier("lu.hex")));
    }
}

TEST_F(Eeprom_cli, effacer_garde_l_eeprom_quand_la_zone_des_donnees_est_desactivee) {
    for (const char* nom : {"24C02", "93C46"}) {
        SCOPED_TRACE(nom);
        const std::string etat = rep.fichier(std::string(nom) + ".etat");
        const Octets avant = motif(128, 13);
        test::ecrit_fichier(etat, std::string("; puce ") + nom + "\n" + hex_de(avant));
        const Resultat r =
            lance({"--conf", conf(0, 65535, 0), "--simulateur", etat, "-q", "-c", nom, "effacer"});
        // A selection that covers nothing is refused before the chip is touched.
        EXPECT_EQ(r.code, 2) << r.erreurs;
        EXPECT_NE(r.erreurs.find(std::string("ne couvrent rien sur le ") + nom), std::string::npos)
            << r.erreurs;
        EXPECT_EQ(difference(octets_de(test::lit_fichier(etat), 128), avant), -1);
    }
}

} // namespace
