// SPDX-License-Identifier: GPL-2.0-or-later
// Raw binary images through korval-cli on the simulated programmer, for each kind of data memory
// (I2C, Microwire, SPI, data EEPROM of a PIC): writing, comparing and reading .bin files, the file
// too long or too short, --format against the extension, and "-" on standard input and output, as
// the user sees them (exit status, message, bytes of the file, simulated chip's contents).
#include "banc_cli.h"
#include "commun/outils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace test_cli;

using Octets = std::vector<uint8_t>;

// A pattern without 0xFF, so that a byte left blank shows.
Octets motif(std::size_t taille, unsigned graine) {
    Octets o(taille);
    for (std::size_t a = 0; a < taille; ++a) o[a] = static_cast<uint8_t>((a * graine + 1) % 0xFF);
    return o;
}

std::string texte(const Octets& o) {
    return std::string(o.begin(), o.end());
}

// One Intel HEX record of type 00.
std::string enregistrement(std::size_t adresse, const Octets& donnees) {
    char morceau[16];
    unsigned somme = static_cast<unsigned>(donnees.size() + (adresse >> 8) + (adresse & 0xFF));
    std::snprintf(morceau, sizeof morceau, ":%02X%04X00", static_cast<unsigned>(donnees.size()),
                  static_cast<unsigned>(adresse));
    std::string t = morceau;
    for (uint8_t b : donnees) {
        somme += b;
        std::snprintf(morceau, sizeof morceau, "%02X", b);
        t += morceau;
    }
    std::snprintf(morceau, sizeof morceau, "%02X\n", (0x100 - (somme & 0xFF)) & 0xFF);
    return t + morceau;
}

// Plain byte layout (pic false) or the PIC layout's data EEPROM, one byte a word from 0x4200.
std::string hex_de(const Octets& o, bool pic) {
    std::string t;
    for (std::size_t a = 0; a < o.size(); a += 8) {
        Octets ligne;
        for (std::size_t k = a; k < std::min(a + 8, o.size()); ++k) {
            ligne.push_back(o[k]);
            if (pic) ligne.push_back(0);
        }
        t += enregistrement(pic ? 0x4200 + 2 * a : a, ligne);
    }
    return t;
}

// Program word 0 of the PIC, which a binary image must never touch.
constexpr uint16_t MOT_0 = 0x2804;

struct Puce {
    Octets donnees;
    int mot_0 = -1; // program word 0 of a PIC
};

// The simulated chip's state file read back.
Puce puce_de(const std::string& etat, std::size_t taille, bool pic) {
    Puce p;
    p.donnees.assign(taille, 0xFF);
    std::istringstream in(etat);
    for (std::string l; std::getline(in, l);) {
        if (l.size() < 11 || l[0] != ':' || l.substr(7, 2) != "00") continue;
        const std::size_t n = std::stoul(l.substr(1, 2), nullptr, 16);
        const std::size_t a = std::stoul(l.substr(3, 4), nullptr, 16);
        Octets b(n);
        for (std::size_t k = 0; k < n; ++k)
            b[k] = static_cast<uint8_t>(std::stoul(l.substr(9 + 2 * k, 2), nullptr, 16));
        if (pic && a == 0 && n >= 2) p.mot_0 = b[0] | b[1] << 8;
        for (std::size_t k = 0; k < n; k += pic ? 2 : 1) {
            const std::size_t i = pic ? (a >= 0x4200 ? (a - 0x4200 + k) / 2 : taille) : a + k;
            if (i < taille) p.donnees[i] = b[k];
        }
    }
    return p;
}

struct Composant {
    const char* nom;
    std::size_t taille;
    bool pic;
};

const Composant composants[] = {
    {"24C16", 2048, false},
    {"93C46", 128, false},
    {"25C040", 512, false},
    {"PIC16F84", 64, true},
};

// What the chip holds at the end: as before the run, the file, or the file's first half then FF.
enum class Apres { avant, fichier, moitie };

struct Cas {
    const char* nom;
    std::vector<std::string> args; // FICHIER stands for the file's path
    const char* fichier;           // its name in the temporary directory; "-" for the streams
    // What the file (or standard input) holds, from the chip's size: the pattern written, the
    // chip's contents before, longer, shorter, empty, or Intel HEX.
    std::function<std::string(const Composant&)> contenu;
    int code;
    // Expected on standard error; "" for no message from korval-cli.
    std::function<std::string(const Composant&)> message;
    Apres apres;
    bool lit = false; // lire: the file (or standard output) holds the chip's bytes exactly
};

const Octets& fichier_de(const Composant& c) {
    static std::map<std::size_t, Octets> f;
    return f.try_emplace(c.taille, motif(c.taille, 7)).first->second;
}

const Octets& avant_de(const Composant& c) {
    static std::map<std::size_t, Octets> f;
    return f.try_emplace(c.taille, motif(c.taille, 13)).first->second;
}

std::string memoire(const Composant& c) {
    return std::string(c.pic ? "la mémoire de données de " : "la mémoire de ") +
           std::to_string(c.taille) + " octets du " + c.nom;
}

class Binaire_cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;

    Resultat lance(const std::vector<std::string>& args, const std::string& entree) {
        return lance_korval_cli(rep, args, "", entree);
    }
};

TEST_F(Binaire_cli, lire_ecrire_comparer_un_fichier_binaire) {
    const auto complet = [](const Composant& c) { return texte(fichier_de(c)); };
    const auto avant = [](const Composant& c) { return texte(avant_de(c)); };
    const auto rien = [](const Composant&) { return std::string(); };
    const Cas cas[] = {
        {"ecrire", {"ecrire", "FICHIER"}, "image.bin", complet, 0, rien, Apres::fichier},
        {"ecrire court",
         {"ecrire", "FICHIER"},
         "court.Bin",
         [](const Composant& c) { return texte(fichier_de(c)).substr(0, c.taille / 2); },
         0,
         [](const Composant& c) {
             const std::string moitie = std::to_string(c.taille / 2);
             return "court.Bin ne fait que " + moitie + " octets : le reste de la mémoire (" +
                    moitie + " octets) est laissé à FF";
         },
         Apres::moitie},
        {"ecrire trop long",
         {"ecrire", "FICHIER"},
         "long.BIN",
         [](const Composant& c) { return texte(fichier_de(c)) + "x"; },
         2,
         [](const Composant& c) {
             return "long.BIN fait " + std::to_string(c.taille + 1) + " octets, plus que " +
                    memoire(c) + " : rien n'a été fait";
         },
         Apres::avant},
        {"ecrire vide",
         {"ecrire", "FICHIER"},
         "vide.bin",
         rien,
         2,
         [](const Composant&) {
             return std::string("Le fichier ne contient aucune donnée : rien à écrire");
         },
         Apres::avant},
        {"ecrire entree standard",
         {"ecrire", "--format", "binaire", "-"},
         "-",
         complet,
         0,
         rien,
         Apres::fichier},
        {"--format binaire sur un .hex",
         {"--format", "binaire", "ecrire", "FICHIER"},
         "image.hex",
         complet,
         0,
         rien,
         Apres::fichier},
        {"--format hex sur un .bin",
         {"--format", "hex", "-d", "ecrire", "FICHIER"},
         "image.bin",
         [](const Composant& c) { return hex_de(fichier_de(c), false) + ":00000001FF\n"; },
         0,
         rien,
         Apres::fichier},
        {"comparer egal", {"comparer", "FICHIER"}, "avant.bin", avant, 0, rien, Apres::avant},
        {"comparer different",
         {"comparer", "FICHIER"},
         "image.bin",
         complet,
         1,
         rien,
         Apres::avant},
        {"comparer entree standard",
         {"comparer", "--format", "binaire", "-"},
         "-",
         avant,
         0,
         rien,
         Apres::avant},
        {"lire", {"lire", "FICHIER"}, "lu.bin", rien, 0, rien, Apres::avant, true},
        {"lire sortie standard",
         {"lire", "--format", "binaire", "-"},
         "-",
         rien,
         0,
         rien,
         Apres::avant,
         true},
        {"afficher court",
         {"afficher", "FICHIER"},
         "court.bin",
         [](const Composant& c) { return texte(fichier_de(c)).substr(0, 1); },
         0,
         [](const Composant& c) {
             return "court.bin ne fait que 1 octet : le reste de la mémoire (" +
                    std::to_string(c.taille - 1) + " octets) est laissé à FF";
         },
         Apres::avant},
    };
    int n = 0;
    for (const Composant& c : composants) {
        for (const Cas& k : cas) {
            SCOPED_TRACE(std::string(c.nom) + " " + k.nom);
            const std::string dossier = rep.fichier("essai" + std::to_string(++n));
            std::filesystem::create_directory(dossier);
            const std::string etat = dossier + "/puce.etat";
            test::ecrit_fichier(etat, std::string("; puce ") + c.nom + "\n" +
                                          (c.pic ? enregistrement(0, {0x04, 0x28}) : "") +
                                          hex_de(avant_de(c), c.pic) + ":00000001FF\n");
            const bool flux = std::string(k.fichier) == "-";
            const std::string chemin = dossier + "/" + k.fichier;
            const std::string entree = flux ? dossier + "/entree" : "/dev/null";
            if (flux || !k.lit) test::ecrit_fichier(flux ? entree : chemin, k.contenu(c));

            std::vector<std::string> args = {
                "--conf", KORVAL_DATA_DIR, "--simulateur", etat, "--strict", "-q", "-c", c.nom};
            for (const std::string& a : k.args) args.push_back(a == "FICHIER" ? chemin : a);
            const Resultat r = lance(args, entree);

            EXPECT_EQ(r.code, k.code) << r.erreurs;
            const std::string message = k.message(c);
            if (message.empty()) {
                EXPECT_FALSE(contient(r.erreurs, "korval-cli :")) << r.erreurs;
            } else {
                EXPECT_TRUE(contient(r.erreurs, message)) << r.erreurs;
            }
            Octets attendu = avant_de(c);
            if (k.apres == Apres::fichier) attendu = fichier_de(c);
            if (k.apres == Apres::moitie) {
                attendu.assign(c.taille, 0xFF);
                std::copy_n(fichier_de(c).begin(), c.taille / 2, attendu.begin());
            }
            const Puce p = puce_de(test::lit_fichier(etat), c.taille, c.pic);
            EXPECT_TRUE(p.donnees == attendu);
            if (c.pic) {
                EXPECT_EQ(p.mot_0, MOT_0);
            }
            if (k.lit) {
                EXPECT_EQ(flux ? r.sortie : test::lit_fichier(chemin), texte(avant_de(c)));
            }
        }
    }
}

TEST_F(Binaire_cli, refus_avant_de_toucher_la_puce) {
    struct Refus {
        const char* composant;
        std::vector<std::string> args;
        const char* message;
    };
    const std::string image = rep.fichier("image.bin");
    test::ecrit_fichier(image, "\x01\x02");
    const Refus refus[] = {
        {"PIC12C508", {"ecrire", image}, "le PIC12C508 n'a pas de mémoire de données"},
        {"PIC12C508",
         {"lire", rep.fichier("lu.bin")},
         "le PIC12C508 n'a pas de mémoire de données"},
        {"PIC16C74", {"afficher", image}, "le PIC16C74 n'a pas de mémoire de données"},
        {"24C16", {"--format", "bin", "ecrire", image}, "format inconnu : bin (binaire ou hex)"},
    };
    for (const Refus& f : refus) {
        SCOPED_TRACE(f.message);
        const std::string etat = rep.fichier(std::string(f.composant) + ".etat");
        std::vector<std::string> args = {"--conf", KORVAL_DATA_DIR, "--simulateur", etat, "-q",
                                         "-c",     f.composant};
        args.insert(args.end(), f.args.begin(), f.args.end());
        const Resultat r = lance(args, "/dev/null");
        EXPECT_EQ(r.code, 2) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, f.message)) << r.erreurs;
        EXPECT_FALSE(std::filesystem::exists(etat));
        EXPECT_FALSE(std::filesystem::exists(rep.fichier("lu.bin")));
    }
}

} // namespace
