// SPDX-License-Identifier: GPL-2.0-or-later
// korval-cli run as a user runs it, mostly on the simulated programmer.
#include "banc_cli.h"
#include "commun/outils.h"
#include "core/catalogue.h"
#include "core/etat.h"
#include "hex/hex.h"
#include "sim/pannes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <csignal>
#include <fstream>
#include <map>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace test_cli;

std::vector<std::string> lignes(const std::string& t) {
    std::vector<std::string> l;
    std::istringstream in(t);
    for (std::string s; std::getline(in, s);) l.push_back(s);
    return l;
}

// One Intel HEX data record.
std::string enregistrement(unsigned adresse, std::initializer_list<unsigned> octets) {
    unsigned somme = static_cast<unsigned>(octets.size()) + (adresse >> 8) + (adresse & 0xFF);
    char t[16];
    std::string l = ":";
    std::snprintf(t, sizeof t, "%02X%04X00", static_cast<unsigned>(octets.size()), adresse);
    l += t;
    for (unsigned o : octets) {
        std::snprintf(t, sizeof t, "%02X", o);
        l += t;
        somme += o;
    }
    std::snprintf(t, sizeof t, "%02X", (0x100 - (somme & 0xFF)) & 0xFF);
    return l + t + "\n";
}

// The file with extra records just before its end record: they override what came before.
void ajoute_avant_fin(const std::string& source, const std::string& cible,
                      const std::string& enregistrements) {
    std::string t = test::lit_fichier(source);
    const std::size_t fin = t.find(":00000001FF");
    ASSERT_NE(fin, std::string::npos);
    t.insert(fin, enregistrements);
    test::ecrit_fichier(cible, t);
}

class Cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
    std::string conf;
    std::string programme; // tests/fixtures/pic16f84.asm assembled

    void SetUp() override {
        test::Etat_propre::SetUp();
        conf = rep.fichier("conf");
        fs::create_directory(conf);
        for (const char* f : {"conf_PICS", "conf_port"})
            fs::copy_file(std::string(KORVAL_DATA_DIR) + "/" + f, conf + "/" + f);
        programme = test::assemble("pic16f84.asm", "inhx32", rep);
        ASSERT_FALSE(programme.empty());
    }

    Resultat lance(const std::vector<std::string>& args, const std::string& prefixe = "") {
        return lance_korval_cli(rep, args, prefixe);
    }

    // Options and command on the simulated programmer, the chip kept in etat. Runs without a
    // simulated fault are strict: a protocol violation fails them.
    Resultat sim(const std::string& composant, std::vector<std::string> args,
                 const std::string& etat = "puce.etat") {
        std::vector<std::string> tout = {"--conf",          conf, "--simulateur",
                                         rep.fichier(etat), "-c", composant};
        if (std::find(args.begin(), args.end(), "--panne") == args.end())
            tout.push_back("--strict");
        tout.insert(tout.end(), args.begin(), args.end());
        return lance(tout);
    }

    // The catalogue in this process, the device selected, for reading HEX files here.
    void choisit(const std::string& nom) {
        ASSERT_TRUE(lire_catalogue_fichier(conf + "/conf_PICS"));
        pic_select = cherche_pic(nom);
        ASSERT_GE(pic_select, 0);
    }
};

std::string exemple(const std::string& nom) {
    return std::string(KORVAL_EXEMPLES_DIR) + "/" + nom;
}

} // namespace

// --- Usage ------------------------------------------------------------------------------------

TEST_F(Cli, mauvais_usages_sortent_en_2_avec_la_raison) {
    struct Cas {
        std::vector<std::string> args;
        const char* raison;
    };
    const Cas cas[] = {
        {{}, "commande manquante"},
        {{"graver", "f.hex"}, "commande inconnue : graver"},
        {{"écrire", "f.hex"}, "commande inconnue : écrire (vouliez-vous dire ecrire ?)"},
        {{"write", "f.hex"}, "commande inconnue : write (vouliez-vous dire ecrire ?)"},
        {{"Lire", "f.hex"}, "commande inconnue : Lire (vouliez-vous dire lire ?)"},
        {{"afficehr", "f.hex"}, "commande inconnue : afficehr (vouliez-vous dire afficher ?)"},
        {{"verify", "f.hex"}, "commande inconnue : verify (vouliez-vous dire comparer ?)"},
        {{"lire"}, "la commande lire demande un FICHIER"},
        {{"effacer", "f.hex"}, "argument en trop : f.hex"},
        {{"--bavard", "composants"}, "option inconnue : --bavard"},
        {{"composants", "-x"}, "option inconnue : -x"},
        {{"composants", "--conf"}, "l'option --conf demande une valeur"},
        {{"--base", "octale", "afficher", "f.hex"}, "base inconnue : octale"},
        {{"--panne", "occupee", "effacer"},
         "--puce et --panne ne s'emploient qu'avec --simulateur"},
        {{"--simulateur", "e", "--ppdev", "/dev/parport0", "effacer"},
         "--simulateur et --ppdev ne s'emploient pas ensemble"},
        {{"--strict", "effacer"}, "--strict ne s'emploie qu'avec --simulateur"},
        {{"--version=2", "composants"}, "l'option --version ne prend pas de valeur"},
        {{"--zones", "programme,eeprom", "vierge"},
         "zone inconnue : eeprom (programme, donnees, id ou config)"},
        {{"vierge", "f.hex"}, "argument en trop : f.hex"},
    };
    for (const Cas& c : cas) {
        const Resultat r = lance(c.args);
        EXPECT_EQ(r.code, 2) << c.raison;
        EXPECT_TRUE(contient(r.erreurs, std::string("korval-cli : ") + c.raison)) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, "korval-cli --help")) << r.erreurs;
        EXPECT_EQ(r.sortie, "") << c.raison;
    }
}

TEST_F(Cli, aide_et_version) {
    const Resultat r = lance({"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* mot :
         {"composants",    "lire FICHIER",     "ecrire FICHIER", "comparer FICHIER",
          "effacer",       "afficher FICHIER", "--composant",    "--donnees",
          "--conf",        "--simulateur",     "--puce",         "--panne",
          "--ppdev",       "--trace",          "--proteger",     "--base hexa|decimale|binaire",
          "--silencieux",  "--strict",         "--version",      "vierge",
          "--zones LISTE", "--toutes",         "--forcer",       "--format binaire|hex"})
        EXPECT_TRUE(contient(r.sortie, mot)) << mot;
    for (const Desc_panne& p : liste_pannes()) {
        EXPECT_TRUE(contient(r.sortie, std::string(p.nom) + " ")) << p.nom;
        EXPECT_TRUE(contient(r.sortie, p.description)) << p.nom;
    }
    for (const char* code : {"  0  ", "  1  ", "  2  ", "  3  "})
        EXPECT_TRUE(contient(r.sortie, code)) << code;
    EXPECT_EQ(lance({"-h"}).sortie, r.sortie);

    const Resultat v = lance({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.sortie.rfind("korval-cli ", 0), 0u) << v.sortie;
}

// --- Catalogue and device names ---------------------------------------------------------------

TEST_F(Cli, composants_une_ligne_par_composant) {
    const Resultat r = lance({"--conf", conf, "composants"});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    ASSERT_TRUE(lire_catalogue_fichier(conf + "/conf_PICS"));
    const auto l = lignes(r.sortie);
    ASSERT_EQ(l.size(), tab_pic.size() + 1) << r.sortie; // a header line, then the devices
    auto ligne_de = [&](const std::string& nom) {
        for (const std::string& s : l)
            if (contient(s, "  " + nom + " ")) return s;
        return std::string();
    };
    auto mots = [](const std::string& s) {
        std::istringstream in(s);
        std::vector<std::string> m;
        for (std::string w; in >> w;) m.push_back(w);
        return m;
    };
    const std::vector<std::string> f84 = {
        std::to_string(cherche_pic("PIC16F84")), "PIC16F84", "1024", "64", "1", "oui"};
    EXPECT_EQ(mots(ligne_de("PIC16F84")), f84);
    const std::vector<std::string> f628 = {
        std::to_string(cherche_pic("PIC16F628")), "PIC16F628", "2048", "128", "1", "non"};
    EXPECT_EQ(mots(ligne_de("PIC16F628")), f628);
    EXPECT_EQ(mots(ligne_de("24C16")),
              (std::vector<std::string>{std::to_string(cherche_pic("24C16")), "24C16", "0", "2048",
                                        "I2C", "oui"}));
    EXPECT_EQ(mots(ligne_de("93C46"))[4], "Microwire");
    EXPECT_EQ(mots(ligne_de("25C160"))[4], "SPI");
    EXPECT_EQ(mots(ligne_de("PIC12C508"))[4], "3");
}

TEST_F(Cli, composant_inconnu_sort_en_2_avec_les_noms_proches) {
    const Resultat r = sim("16F84", {"effacer"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contient(r.erreurs, "korval-cli : composant inconnu : 16F84")) << r.erreurs;
    const std::size_t proches = r.erreurs.find("Noms les plus proches : ");
    ASSERT_NE(proches, std::string::npos) << r.erreurs;
    EXPECT_EQ(r.erreurs.compare(proches + 24, 8, "PIC16F84"), 0) << r.erreurs; // closest first
    EXPECT_TRUE(contient(r.erreurs, "PIC16F84A")) << r.erreurs;
    EXPECT_FALSE(fs::exists(rep.fichier("puce.etat"))); // no programmer touched

    const Resultat e = sim("24C61", {"afficher", programme});
    EXPECT_EQ(e.code, 2);
    EXPECT_TRUE(contient(e.erreurs, "24C16")) << e.erreurs;
    EXPECT_FALSE(contient(e.erreurs, "PIC16F84")) << e.erreurs;

    const Resultat loin = sim("XYZZY-9000", {"afficher", programme});
    EXPECT_EQ(loin.code, 2);
    EXPECT_FALSE(contient(loin.erreurs, "Noms les plus proches")) << loin.erreurs;

    const Resultat puce = sim("PIC16F84", {"--puce", "PIC16F8", "effacer"});
    EXPECT_EQ(puce.code, 2);
    EXPECT_TRUE(contient(puce.erreurs, "composant inconnu : PIC16F8")) << puce.erreurs;

    // The letter case of a catalogue name does not matter.
    EXPECT_EQ(sim("pic16f84", {"ecrire", programme}).code, 0);
}

// --- Write, compare, read ----------------------------------------------------------------------

TEST_F(Cli, ecrire_puis_comparer_sort_en_0) {
    const Resultat e = sim("PIC16F84", {"ecrire", programme});
    ASSERT_EQ(e.code, 0) << e.erreurs;
    EXPECT_EQ(e.sortie, "");
    EXPECT_TRUE(contient(e.erreurs, "Durée sur un vrai programmateur : ")) << e.erreurs;

    const Resultat c = sim("PIC16F84", {"comparer", programme});
    EXPECT_EQ(c.code, 0) << c.erreurs;
    EXPECT_EQ(c.sortie, "ID0 identiques\n"
                        "ID1 identiques\n"
                        "ID2 identiques\n"
                        "ID3 identiques\n"
                        "Les mot de configurations du PIC et de la mémoire sont identiques\n"
                        "Le programme du PIC correspond à celui en mémoire\n"
                        "Les données du PIC correspondent à celles en mémoire\n");
}

TEST_F(Cli, une_difference_sort_en_1_avec_son_adresse) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);

    // Word 5 (movlw 0x55, 3055H) becomes 3056H in the file.
    const std::string mot = rep.fichier("mot.hex");
    ajoute_avant_fin(programme, mot, enregistrement(0x000A, {0x56, 0x30}));
    const Resultat p = sim("PIC16F84", {"comparer", mot});
    EXPECT_EQ(p.code, 1) << p.erreurs;
    EXPECT_TRUE(contient(p.sortie,
                         "Le programme du PIC et celui en mémoire ne correspondent pas :\n"
                         "Pour le mot n°5H on a : 3055H dans le PIC au lieu de 3056H\n"))
        << p.sortie;
    EXPECT_TRUE(contient(p.sortie, "Les données du PIC correspondent à celles en mémoire\n"));

    // Data byte 1 (34H) becomes 35H.
    const std::string donnee = rep.fichier("donnee.hex");
    ajoute_avant_fin(programme, donnee, enregistrement(0x4202, {0x35, 0x00}));
    const Resultat d = sim("PIC16F84", {"comparer", donnee});
    EXPECT_EQ(d.code, 1);
    EXPECT_TRUE(contient(d.sortie, "Le programme du PIC correspond à celui en mémoire\n"));
    EXPECT_TRUE(contient(d.sortie,
                         "Les données du PIC et celles en mémoire ne correspondent pas :\n"
                         "Pour le mot n°1H on a : 34H dans le PIC au lieu de 35H\n"))
        << d.sortie;

    // Both, listed one by one with --toutes after the report.
    const std::string deux = rep.fichier("deux.hex");
    ajoute_avant_fin(programme, deux,
                     enregistrement(0x000A, {0x56, 0x30}) + enregistrement(0x4202, {0x35, 0x00}));
    const Resultat t = sim("PIC16F84", {"comparer", "--toutes", deux});
    EXPECT_EQ(t.code, 1);
    EXPECT_EQ(t.sortie.substr(t.sortie.find("Les données du PIC et celles")),
              "Les données du PIC et celles en mémoire ne correspondent pas :\n"
              "Pour le mot n°1H on a : 34H dans le PIC au lieu de 35H\n"
              "Programme 5H : 3055H dans le PIC au lieu de 3056H\n"
              "Données 1H : 34H dans le PIC au lieu de 35H\n"
              "2 mots différents\n")
        << t.sortie;

    // ID 2 (3) and the configuration word.
    const std::string id = rep.fichier("id.hex");
    ajoute_avant_fin(programme, id,
                     enregistrement(0x4004, {0x07, 0x00}) + enregistrement(0x400E, {0xF5, 0x3F}));
    const Resultat i = sim("PIC16F84", {"comparer", id});
    EXPECT_EQ(i.code, 1);
    EXPECT_TRUE(contient(i.sortie, "ID2 différents : On a 3H dans le PIC au lieu de 7H\n"))
        << i.sortie;
    EXPECT_TRUE(contient(i.sortie, "Les mot de configuration du PIC et de la mémoire sont "
                                   "différents : On a 3FF1H dans le PIC au lieu de 3FF5H\n"))
        << i.sortie;
}

TEST_F(Cli, lire_donne_un_fichier_hex_qui_relit_la_puce) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    const std::string lu = rep.fichier("lu.hex");
    const Resultat r = sim("PIC16F84", {"lire", lu});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_EQ(r.sortie, "");
    EXPECT_EQ(sim("PIC16F84", {"comparer", lu}).code, 0);

    choisit("PIC16F84");
    const auto source = Lire_Fichier_Hex_PIC(programme);
    const auto relu = Lire_Fichier_Hex_PIC(lu);
    for (std::size_t i = 0; i < 1024; ++i) {
        // A word the program does not set reads blank (14 bits) from the chip.
        const uint16_t attendu = source->prog[i] == 0xFFFF ? 0x3FFF : source->prog[i];
        ASSERT_EQ(relu->prog[i], attendu) << "mot " << i;
    }
    EXPECT_EQ(relu->prog[5], 0x3055);
    EXPECT_EQ(relu->config, 0x3FF1);
    EXPECT_EQ(std::vector<uint8_t>(relu->id, relu->id + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(relu->donnee[0], 0x12);
    EXPECT_EQ(relu->donnee[1], 0x34);
    EXPECT_EQ(std::count(relu->donnee.begin() + 2, relu->donnee.begin() + 64, 0xFF), 62);
    // Intel HEX as the writer makes it: CR LF lines, the end record last.
    const std::string texte = test::lit_fichier(lu);
    EXPECT_EQ(texte.substr(texte.size() - 13), ":00000001FF\r\n");
}

TEST_F(Cli, fichier_octets_pour_un_pic_ne_touche_que_les_donnees) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    const std::string octets = rep.fichier("octets.hex");
    test::ecrit_fichier(octets, enregistrement(0, {0xAB, 0xCD}) + ":00000001FF\n");
    ASSERT_EQ(sim("PIC16F84", {"-d", "ecrire", octets}).code, 0);
    EXPECT_EQ(sim("PIC16F84", {"--donnees", "comparer", octets}).code, 0);

    // Program, IDs and configuration are still those of the program file.
    const Resultat c = sim("PIC16F84", {"comparer", programme});
    EXPECT_EQ(c.code, 1);
    EXPECT_TRUE(contient(c.sortie, "Le programme du PIC correspond à celui en mémoire\n"));
    EXPECT_TRUE(contient(c.sortie, "Les mot de configurations du PIC et de la mémoire sont "
                                   "identiques\n"));
    EXPECT_TRUE(contient(c.sortie, "ID3 identiques\n"));
    EXPECT_TRUE(contient(c.sortie, "Pour le mot n°0H on a : ABH dans le PIC au lieu de 12H\n"))
        << c.sortie;

    // Reading in bytes gives the data memory only, in the plain layout.
    const std::string lu = rep.fichier("lu.hex");
    ASSERT_EQ(sim("PIC16F84", {"-d", "lire", lu}).code, 0);
    choisit("PIC16F84");
    const auto m = Lire_Fichier_Hex_EEPROM(lu);
    EXPECT_EQ(m->donnee[0], 0xAB);
    EXPECT_EQ(m->donnee[1], 0xCD);
    EXPECT_EQ(m->donnee[2], 0xFF);
    EXPECT_FALSE(contient(test::lit_fichier(lu), ":02400E00")); // no configuration record
}

// --- Configuration word and code protection ----------------------------------------------------

TEST_F(Cli, fichier_sans_configuration_ou_sans_donnees) {
    // A gpasm file without __config: the program is written, the chip's word stays blank.
    const std::string sans_config = test::assemble("pic16f84_sans_config.asm", "inhx8m", rep);
    ASSERT_FALSE(sans_config.empty());
    const Resultat e = sim("PIC16F84", {"ecrire", sans_config});
    ASSERT_EQ(e.code, 0) << e.erreurs;
    EXPECT_TRUE(contient(
        e.erreurs, "Le fichier ne contient pas de mot de configuration : il n'est pas écrit\n"))
        << e.erreurs;
    const Resultat c = sim("PIC16F84", {"comparer", sans_config});
    EXPECT_EQ(c.code, 0) << c.sortie;
    EXPECT_TRUE(contient(
        c.sortie, "Le fichier ne contient pas de mot de configuration : il n'est pas comparé\n"))
        << c.sortie;
    const std::string lu = rep.fichier("lu.hex");
    ASSERT_EQ(sim("PIC16F84", {"lire", lu}).code, 0);
    choisit("PIC16F84");
    const auto relu = Lire_Fichier_Hex_PIC(lu);
    EXPECT_EQ(relu->config, 0x3FFF);
    EXPECT_EQ(relu->prog[0], 0x2805); // readable: not protected
    EXPECT_EQ(relu->prog[5], 0x3055);

    // Files with no data record: refused before the programmer is touched.
    struct Cas {
        const char* composant;
        const char* contenu;
    };
    const Cas cas[] = {{"PIC16F84", ""},
                       {"PIC16F84", ":00000001FF\n"},
                       {"24C16", ""},
                       {"PIC12C508", "; rien\n:00000001FF\n"}};
    for (const Cas& k : cas) {
        const std::string vide = rep.fichier("vide.hex");
        test::ecrit_fichier(vide, k.contenu);
        const Resultat r = sim(k.composant, {"ecrire", vide}, "vide.etat");
        EXPECT_EQ(r.code, 2) << k.composant << " " << k.contenu;
        EXPECT_TRUE(contient(r.erreurs, "Le fichier ne contient aucune donnée : rien à écrire\n"))
            << r.erreurs;
        EXPECT_FALSE(fs::exists(rep.fichier("vide.etat"))) << k.composant;
    }
}

TEST_F(Cli, protection_du_code_seulement_avec_proteger) {
    struct Cas {
        const char* composant;
        std::string fichier;
        const char* noms; // the protection fuses named
    };
    const std::string cp0 = rep.fichier("cp0.hex");
    ajoute_avant_fin(programme, cp0, enregistrement(0x400E, {0x0D, 0x00}));
    const std::string cpd = rep.fichier("cpd.hex"); // 16F628: CPD alone, bit 8
    test::ecrit_fichier(cpd, enregistrement(0, {0x05, 0x28}) +
                                 enregistrement(0x400E, {0xFF, 0x3E}) + ":00000001FF\n");
    const std::string c508 = rep.fichier("508.hex"); // 12-bit core: CP0 is bit 3, word 0xFFF
    test::ecrit_fichier(c508, enregistrement(0, {0x05, 0x0A}) +
                                  enregistrement(0x1FFE, {0xF7, 0x0F}) + ":00000001FF\n");
    const Cas cas[] = {{"PIC16F84", cp0, "000D active la protection du code (CP0) ;"},
                       {"PIC16F628", cpd, "3EFF active la protection du code (CPD) ;"},
                       {"PIC12C508", c508, "0FF7 active la protection du code (CP0) ;"}};
    for (const Cas& k : cas) {
        const Resultat r = sim(k.composant, {"ecrire", k.fichier}, "refus.etat");
        EXPECT_EQ(r.code, 2) << k.composant;
        EXPECT_TRUE(
            contient(r.erreurs, std::string("korval-cli : le mot de configuration ") + k.noms))
            << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, "--proteger")) << r.erreurs;
        EXPECT_FALSE(fs::exists(rep.fichier("refus.etat"))) << k.composant; // chip untouched
    }

    // Asked for: the chip is protected. Comparing is not refused.
    const Resultat p = sim("PIC16F84", {"--proteger", "ecrire", cp0});
    ASSERT_EQ(p.code, 0) << p.erreurs;
    const Resultat c = sim("PIC16F84", {"comparer", cp0});
    EXPECT_EQ(c.code, 1) << c.erreurs;
    EXPECT_TRUE(contient(c.sortie, "Les mot de configurations du PIC et de la mémoire sont "
                                   "identiques\nLa mémoire est protégée\n"))
        << c.sortie;
    EXPECT_FALSE(contient(c.erreurs, "--proteger")) << c.erreurs;
}

// A protection fuse in either configuration word: the message prints the word that holds it.
TEST_F(Cli, protection_ecrite_dans_l_un_ou_l_autre_mot) {
    struct Cas {
        const char* composant;
        const char* source;
        std::string enregistrements; // overriding the assembled file's configuration
        const char* texte;           // the refusal, empty when nothing is protected
    };
    const std::string bas = ":020000040000FA\n", haut = ":020000040001F9\n";
    const Cas cas[] = {
        {"PIC16F88", "pic16f88.asm", bas + enregistrement(0x400E, {0x30, 0x39}),
         "le mot de configuration 3930 active la protection du code (WRT) ;"},
        {"PIC16F887", "pic16f887.asm", bas + enregistrement(0x4010, {0xFF, 0x38}),
         "le second mot de configuration 38FF active la protection du code (WRT) ;"},
        {"PIC16F1847", "pic16f1847.asm", haut + enregistrement(0x0010, {0xFC, 0x3E}),
         "le second mot de configuration 3EFC active la protection du code (WRT) ;"},
        {"PIC16F88", "pic16f88.asm", "", ""}, // CONFIG2 3FFC: IESO and FCMEN off only
    };
    int n = 0;
    for (const Cas& k : cas) {
        SCOPED_TRACE(std::string(k.composant) + " " + k.texte);
        const std::string assemble = test::assemble(k.source, "inhx32", rep);
        ASSERT_FALSE(assemble.empty());
        const std::string fichier = rep.fichier("protege" + std::to_string(++n) + ".hex");
        ajoute_avant_fin(assemble, fichier, k.enregistrements);
        const std::string etat = "protege" + std::to_string(n) + ".etat";
        const bool protege = *k.texte != '\0';
        const Resultat r = sim(k.composant, {"ecrire", fichier}, etat);
        EXPECT_EQ(r.code, protege ? 2 : 0) << r.erreurs;
        EXPECT_EQ(contient(r.erreurs, std::string("korval-cli : ") + k.texte), protege)
            << r.erreurs;
        EXPECT_EQ(fs::exists(rep.fichier(etat)), !protege); // refused: chip untouched
        if (protege) {
            const Resultat p = sim(k.composant, {"--proteger", "ecrire", fichier}, etat);
            EXPECT_EQ(p.code, 0) << p.erreurs;
        }
        const Resultat c = sim(k.composant, {"comparer", fichier}, etat);
        EXPECT_EQ(c.code, 0) << c.sortie << c.erreurs; // the chip holds both words
    }
}

// --- Erasing -----------------------------------------------------------------------------------

TEST_F(Cli, effacer_une_puce_de_l_algorithme_1) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    const Resultat e = sim("PIC16F84", {"effacer"});
    ASSERT_EQ(e.code, 0) << e.erreurs;
    const Resultat c = sim("PIC16F84", {"comparer", programme});
    EXPECT_EQ(c.code, 1);
    EXPECT_TRUE(contient(c.sortie, "Pour le mot n°0H on a : 3FFFH dans le PIC au lieu de 2805H\n"))
        << c.sortie;
    EXPECT_TRUE(contient(c.sortie, "Pour le mot n°0H on a : FFH dans le PIC au lieu de 12H\n"))
        << c.sortie;
}

TEST_F(Cli, effacer_refuse_pour_les_autres_composants) {
    for (const char* nom : {"PIC16C61", "PIC12C508"}) {
        const Resultat r = sim(nom, {"effacer"});
        EXPECT_EQ(r.code, 2) << nom;
        EXPECT_TRUE(
            contient(r.erreurs, "effacer ne s'applique qu'aux composants de l'algorithme 1"))
            << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, std::string(nom) + " ne peut pas être effacé"))
            << r.erreurs;
        EXPECT_FALSE(fs::exists(rep.fichier("puce.etat"))) << nom; // no programmer touched
    }
}

// --- Blank check, chip identity, calibration word ---------------------------------------------

TEST_F(Cli, vierge_et_effacer) {
    choisit("PIC16F84");
    const auto source = Lire_Fichier_Hex_PIC(programme);
    const auto mots = std::count_if(source->prog.begin(), source->prog.begin() + 1024,
                                    [](uint16_t w) { return w != 0xFFFF && w != 0x3FFF; });
    const std::string ecrit = "Programme : " + std::to_string(mots) +
                              " mots non vierges, le premier à l'adresse 0H (2805H)\n"
                              "Données : 2 octets non vierges, le premier à l'adresse 0H (12H)\n";
    const std::string ids_config = "ID : 4 mots non vierges, le premier à l'adresse 2000H (1H)\n"
                                   "Configuration : non vierge (3FF1H à l'adresse 2007H)\n";
    const std::string cp0 = rep.fichier("cp0.hex");
    ajoute_avant_fin(programme, cp0, enregistrement(0x400E, {0x0D, 0x00}));
    const std::vector<std::string> ecrire = {"ecrire", programme};
    const std::string message = exemple("message_24c16.hex");
    choisit("24C16");
    const auto texte = Lire_Fichier_Hex_EEPROM(message);
    const auto octets = std::count_if(texte->donnee.begin(), texte->donnee.begin() + 2048,
                                      [](uint8_t b) { return b != 0xFF; });

    struct Etape {
        std::vector<std::string> args;
        int code;
    };
    struct Cas {
        const char* composant;
        std::vector<Etape> etapes;
        std::string sortie;  // of the last step
        std::string erreurs; // found in the last step's
    };
    const Cas cas[] = {
        {"PIC16F84", {{{"vierge"}, 0}}, "La puce est vierge\n", ""},
        {"PIC16F84", {{ecrire, 0}, {{"vierge"}, 1}}, ecrit + ids_config, ""},
        {"PIC16F84", {{ecrire, 0}, {{"--zones", "id,config", "vierge"}, 1}}, ids_config, ""},
        // The 16F84's erase clears program and data memory; its IDs and word stay.
        {"PIC16F84",
         {{ecrire, 0}, {{"effacer"}, 0}, {{"--zones", "programme,donnees", "vierge"}, 0}},
         "La puce est vierge\n",
         ""},
        {"PIC16F84",
         {{{"--proteger", "ecrire", cp0}, 0}, {{"--zones", "programme,donnees", "vierge"}, 1}},
         "Programme : 1024 mots non vierges, le premier à l'adresse 0H (0H)\n"
         "Données : 64 octets non vierges, le premier à l'adresse 0H (0H)\n",
         ""},
        {"PIC16F84", {{{"--proteger", "ecrire", cp0}, 0}, {{"effacer"}, 0}}, "", ""},
        {"PIC16F84",
         {{ecrire, 0}, {{"--panne", "bit-colle", "effacer"}, 1}},
         "",
         "La puce n'est pas vierge après l'effacement :\nProgramme : 1024 mots non vierges"},
        // An empty socket reads blank: only a part with a device ID tells it.
        {"PIC16F84", {{{"--panne", "sans-puce", "vierge"}, 0}}, "La puce est vierge\n", ""},
        // The factory calibration (and the 12F675's bandgap bits) is not counted.
        {"PIC12C508", {{{"vierge"}, 0}}, "La puce est vierge\n", ""},
        {"PIC12F675", {{{"vierge"}, 0}}, "La puce est vierge\n", ""},
        {"PIC12F675", {{ecrire, 0}, {{"effacer"}, 0}, {{"vierge"}, 0}}, "La puce est vierge\n", ""},
        {"24C16",
         {{{"ecrire", message}, 0}, {{"vierge"}, 1}},
         "Données : " + std::to_string(octets) +
             " octets non vierges, le premier à l'adresse 0H (42H)\n",
         ""},
    };
    int n = 0;
    for (const Cas& k : cas) {
        const std::string etat = "vierge" + std::to_string(n++) + ".etat";
        SCOPED_TRACE(etat);
        Resultat r;
        for (const Etape& e : k.etapes) {
            r = sim(k.composant, e.args, etat);
            EXPECT_EQ(r.code, e.code) << e.args.back() << "\n" << r.erreurs;
        }
        EXPECT_EQ(r.sortie, k.sortie);
        EXPECT_TRUE(contient(r.erreurs, k.erreurs)) << r.erreurs;
    }
}

TEST_F(Cli, identite_du_composant_avant_chaque_operation) {
    const std::string lu = rep.fichier("lu.hex");
    EXPECT_EQ(sim("PIC16F84A", {"ecrire", programme}, "bon.etat").code, 0);
    EXPECT_EQ(sim("PIC16F84A", {"comparer", programme}, "bon.etat").code, 0);

    // Another part in the socket, or none: nothing written, read or erased.
    struct Cas {
        const char* composant;
        std::vector<std::string> args;
        const char* message;
    };
    const Cas cas[] = {
        {"PIC16F84A",
         {"--puce", "PIC16F628", "ecrire", programme},
         "Le composant dans le support est un PIC16F628 (ID 07"},
        {"PIC16F84A", {"--puce", "PIC16F628", "lire", lu}, "), pas un PIC16F84A\n"},
        {"PIC16F84A", {"--puce", "PIC16F628", "comparer", programme}, "), pas un PIC16F84A\n"},
        {"PIC16F84A", {"--puce", "PIC16F628", "effacer"}, "), pas un PIC16F84A\n"},
        {"PIC16F84A", {"--puce", "PIC16F628", "vierge"}, "), pas un PIC16F84A\n"},
        {"PIC16F877A",
         {"--panne", "sans-puce", "ecrire", programme},
         "Le composant dans le support ne répond pas (ID 3FFF) : absent ou protégé, pas un "
         "PIC16F877A\n"},
        {"PIC12F675",
         {"--puce", "PIC12F629", "effacer"},
         "Le composant dans le support est un PIC12F629 (ID 0F83), pas un PIC12F675\n"},
    };
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.args[2]);
        const Resultat r = sim(k.composant, k.args, k.args[1] + ".etat");
        EXPECT_EQ(r.code, 1) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, k.message)) << r.erreurs;
        EXPECT_EQ(r.sortie, "");
        EXPECT_FALSE(fs::exists(lu));
    }
    // The 16F628 is still blank.
    EXPECT_EQ(sim("PIC16F628", {"vierge"}, "PIC16F628.etat").sortie, "La puce est vierge\n");

    // Forced: the message, then the operation.
    const Resultat f = sim("PIC16F84A", {"--puce", "PIC16F628", "--forcer", "lire", lu}, "f.etat");
    EXPECT_EQ(f.code, 0) << f.erreurs;
    EXPECT_TRUE(contient(f.erreurs, "pas un PIC16F84A\nOpération forcée : elle continue quand "
                                    "même.\n"))
        << f.erreurs;
    EXPECT_TRUE(fs::exists(lu));
}

// A 12C509 in the socket of a 12C508 has program memory where the 508 keeps its calibration:
// nothing is burned unless forced, and the chip is left as it was.
TEST_F(Cli, puce_sans_calibration_refusee_avant_d_etre_brulee) {
    const std::string f = rep.fichier("f.hex");
    test::ecrit_fichier(f, enregistrement(0, {0x05, 0x0A}) + ":00000001FF\n");
    const Resultat r = sim("PIC12C508", {"--puce", "PIC12C509", "ecrire", f}, "509.etat");
    EXPECT_EQ(r.code, 1) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "Le dernier mot du PIC (adresse 1FF) vaut 0FFF : ce n'est pas "
                                    "une instruction de calibration"))
        << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "pas un PIC12C508")) << r.erreurs;
    const std::string lu = rep.fichier("lu.hex");
    ASSERT_EQ(sim("PIC12C509", {"lire", lu}, "509.etat").code, 0);
    choisit("PIC12C509");
    EXPECT_EQ(Lire_Fichier_Hex_PIC(lu)->prog[0], 0x0FFF);
    EXPECT_EQ(sim("PIC12C508", {"--puce", "PIC12C509", "--forcer", "ecrire", f}, "509.etat").code,
              0);
}

TEST_F(Cli, calibration_de_l_oscillateur_lue_notee_et_gardee) {
    const std::string osc = rep.fichier("osc");
    fs::create_directory(osc);
    fs::copy_file(conf + "/conf_PICS", osc + "/conf_PICS");
    test::ecrit_fichier(osc + "/conf_port",
                        test::lit_fichier(conf + "/conf_port") + "_ECRIRE_OSC_INT_12C5XX 1\n");
    const std::string donnees = rep.fichier("donnees");
    auto lance_508 = [&](std::vector<std::string> args) {
        std::vector<std::string> tout = {"--conf", osc,         "--simulateur", rep.fichier("508"),
                                         "-c",     "PIC12C508", "--strict"};
        tout.insert(tout.end(), args.begin(), args.end());
        return lance(tout, "XDG_DATA_HOME=" + entre_quotes(donnees) + " ");
    };
    // Word 0 GOTO 5, and a last word (1FFH) that is not MOVLW, or another value than the chip's.
    const std::string goto_fin = rep.fichier("goto.hex");
    test::ecrit_fichier(goto_fin, enregistrement(0, {0x05, 0x0A}) +
                                      enregistrement(0x03FE, {0x05, 0x0A}) + ":00000001FF\n");
    const std::string movlw_0 = rep.fichier("movlw.hex");
    test::ecrit_fichier(movlw_0, enregistrement(0, {0x05, 0x0A}) +
                                     enregistrement(0x03FE, {0x00, 0x0C}) + ":00000001FF\n");
    struct Cas {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Cas cas[] = {
        {{"ecrire", goto_fin},
         1,
         "Le dernier mot du fichier (adresse 1FF) vaut 0A05 : ce n'est pas une instruction de "
         "calibration (MOVLW, 0Ckk).\nL'écrire perdrait pour toujours la calibration de "
         "l'oscillateur du PIC (0C"},
        {{"ecrire", movlw_0},
         1,
         "Le dernier mot du fichier (adresse 1FF) vaut 0C00, la "
         "calibration de l'oscillateur du PIC vaut 0C"},
        {{"vierge"}, 0, ""}, // unchanged
        {{"--forcer", "ecrire", movlw_0}, 0, "Opération forcée : elle continue quand même."},
    };
    std::string calibration;
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.args.back());
        const Resultat r = lance_508(k.args);
        EXPECT_EQ(r.code, k.code) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, k.message)) << r.erreurs;
        if (k.args[0] == "vierge") continue;
        const std::size_t lu = r.erreurs.find("Calibration de l'oscillateur : ");
        ASSERT_NE(lu, std::string::npos) << r.erreurs;
        calibration = r.erreurs.substr(lu + 31, 4);
    }
    // Written over with MOVLW 0: the EPROM keeps only the bits both have.
    const std::string lu = rep.fichier("lu.hex");
    ASSERT_EQ(lance_508({"lire", lu}).code, 0);
    choisit("PIC12C508");
    const auto relu = Lire_Fichier_Hex_PIC(lu);
    EXPECT_EQ(relu->prog[0], 0x0A05);
    EXPECT_EQ(relu->prog[511], 0x0C00);
    EXPECT_NE(calibration, "0C00");

    // One dated line per write, appended.
    const auto l = lignes(test::lit_fichier(donnees + "/korval/calibration/PIC12C508.txt"));
    ASSERT_EQ(l.size(), 3u);
    for (const std::string& s : l) {
        EXPECT_EQ(s.size(), 24u) << s; // "YYYY-MM-DD HH:MM:SS 0Ckk"
        EXPECT_EQ(s.substr(20), calibration) << s;
    }
}

// --- Programmer faults and port access ----------------------------------------------------------

TEST_F(Cli, sans_programmateur_sort_en_3) {
    const std::string lu = rep.fichier("lu.hex");
    const std::vector<std::vector<std::string>> commandes = {
        {"ecrire", programme}, {"lire", lu}, {"comparer", programme}, {"effacer"}};
    for (const auto& commande : commandes) {
        std::vector<std::string> args = {"--panne", "sans-programmateur"};
        args.insert(args.end(), commande.begin(), commande.end());
        const Resultat r = sim("PIC16F84", args);
        EXPECT_EQ(r.code, 3) << commande[0];
        EXPECT_TRUE(contient(r.erreurs, "Attention : le programmateur n'a pas été détecté\n"))
            << r.erreurs;
        EXPECT_EQ(r.sortie, "") << commande[0];
    }
    EXPECT_FALSE(fs::exists(lu));
}

TEST_F(Cli, echec_de_verification_sort_en_1_panne_inconnue_en_2) {
    const Resultat r = sim("PIC16F84", {"--panne", "cellule-morte", "ecrire", programme});
    EXPECT_EQ(r.code, 1) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "Un problème est survenu")) << r.erreurs;
    EXPECT_FALSE(
        contient(r.erreurs, "Ecriture du programme  [##############################] 100 %"))
        << r.erreurs;

    const Resultat p = sim("PIC16F84", {"--panne", "court-circuit", "effacer"});
    EXPECT_EQ(p.code, 2);
    EXPECT_TRUE(contient(p.erreurs, "panne inconnue : court-circuit")) << p.erreurs;
    EXPECT_TRUE(contient(p.erreurs, "sans-programmateur")) << p.erreurs;
}

TEST_F(Cli, ppdev_absent_sort_en_3) {
    const Resultat r = lance({"--conf", conf, "-c", "PIC16F84", "--ppdev", rep.fichier("parport9"),
                              "ecrire", programme});
    EXPECT_EQ(r.code, 3) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, rep.fichier("parport9"))) << r.erreurs;
}

TEST_F(Cli, controle_root_seulement_pour_l_acces_direct) {
    // Run as an ordinary user: as root, direct access would drive a real port.
    std::string prefixe;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "setpriv is needed to run the program as an ordinary user";
        fs::permissions(rep.chemin(), fs::perms::all, fs::perm_options::add);
        prefixe = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    const Resultat r = lance({"--conf", conf, "-c", "PIC16F84", "ecrire", programme}, prefixe);
    EXPECT_EQ(r.code, 3) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "Erreur : vous devez etre en root, ou il faut que le bit "
                                    "set-UID soit mis à 1\n"))
        << r.erreurs;

    const Resultat a = lance({"--conf", conf, "-c", "PIC16F84", "afficher", programme}, prefixe);
    EXPECT_EQ(a.code, 0) << a.erreurs;
    const Resultat s = lance({"--conf", conf, "--simulateur", rep.fichier("nobody.etat"), "-c",
                              "PIC16F84", "ecrire", programme},
                             prefixe);
    EXPECT_EQ(s.code, 0) << s.erreurs;
}

// --- Files
// ----------------------------------------------------------------------------------------

TEST_F(Cli, fichiers_illisibles_ou_impossibles_a_ecrire_sortent_en_2) {
    const Resultat absent = sim("PIC16F84", {"ecrire", rep.fichier("absent.hex")});
    EXPECT_EQ(absent.code, 2);
    EXPECT_TRUE(
        contient(absent.erreurs, "pendant l'ouverture du fichier " + rep.fichier("absent.hex")))
        << absent.erreurs;
    EXPECT_FALSE(fs::exists(rep.fichier("puce.etat"))); // nothing written

    const std::string abime = rep.fichier("abime.hex");
    test::ecrit_fichier(abime, ":020000000528D1\nceci n'est pas du HEX\n:00000001FF\n");
    const Resultat a = sim("PIC16F84", {"ecrire", abime});
    EXPECT_EQ(a.code, 2);
    EXPECT_TRUE(contient(a.erreurs, "Une ligne du fichier n'est pas correcte")) << a.erreurs;
    EXPECT_TRUE(contient(a.erreurs, "rien n'a été fait")) << a.erreurs;
    EXPECT_EQ(sim("PIC16F84", {"comparer", abime}).code, 2);
    EXPECT_EQ(sim("PIC16F84", {"afficher", abime}).code, 2);
    EXPECT_FALSE(fs::exists(rep.fichier("puce.etat")));

    const Resultat l = sim("PIC16F84", {"lire", rep.fichier("pas/de/dossier/lu.hex")});
    EXPECT_EQ(l.code, 2);
    EXPECT_TRUE(contient(l.erreurs, "rien n'a été lu")) << l.erreurs;
    EXPECT_EQ(sim("PIC16F84", {"lire", rep.chemin().string()}).code, 2);

    const Resultat t =
        sim("PIC16F84", {"--trace", rep.fichier("pas/de/dossier/t.vcd"), "ecrire", programme});
    EXPECT_EQ(t.code, 2);
    EXPECT_TRUE(contient(t.erreurs, "la trace")) << t.erreurs;

    const Resultat e = sim("PIC16F84", {"ecrire", programme}, "pas/de/dossier/puce.etat");
    EXPECT_EQ(e.code, 2);
    EXPECT_TRUE(contient(e.erreurs, "Impossible d'enregistrer l'état de la puce simulée"))
        << e.erreurs;

    // Each missing configuration file said once, with the directory searched.
    const Resultat c = lance({"--conf", rep.fichier("vide"), "composants"});
    EXPECT_EQ(c.code, 2);
    for (const char* f : {"conf_port", "conf_PICS"}) {
        const std::string m = std::string("Le fichier ") + f + " n'existe pas (cherché dans : " +
                              rep.fichier("vide") + "/)";
        EXPECT_TRUE(contient(c.erreurs, m)) << c.erreurs;
        EXPECT_EQ(c.erreurs.find(std::string("Le fichier ") + f),
                  c.erreurs.rfind(std::string("Le fichier ") + f))
            << c.erreurs;
    }
}

TEST_F(Cli, sortie_fermee_tot_fin_normale_sans_message) {
    // The reader of the output has gone before anything is written, as head does after its
    // lines: the command ends as if done.
    const std::vector<std::vector<std::string>> cas = {
        {"--conf", conf, "-c", "PIC16F84", "afficher", programme},
        {"--conf", conf, "composants"},
        {"--help"},
    };
    for (const auto& args : cas) {
        int tube[2];
        ASSERT_EQ(::pipe(tube), 0);
        ::close(tube[0]);
        const std::string erreurs = rep.fichier("stderr");
        const pid_t enfant = ::fork();
        ASSERT_GE(enfant, 0);
        if (enfant == 0) {
            const int err = ::open(erreurs.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nul = ::open("/dev/null", O_RDONLY);
            if (err < 0 || nul < 0 || ::dup2(tube[1], 1) < 0 || ::dup2(err, 2) < 0 ||
                ::dup2(nul, 0) < 0)
                ::_exit(126);
            std::vector<const char*> argv = {KORVAL_CLI};
            for (const std::string& a : args) argv.push_back(a.c_str());
            argv.push_back(nullptr);
            ::execv(KORVAL_CLI, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(tube[1]);
        int etat = 0;
        ASSERT_EQ(::waitpid(enfant, &etat, 0), enfant);
        EXPECT_TRUE(WIFEXITED(etat) && WEXITSTATUS(etat) == 0) << args.back() << " " << etat;
        EXPECT_EQ(test::lit_fichier(erreurs), "") << args.back();
    }
}

TEST_F(Cli, flux_standard_descripteurs_et_sorties_en_erreur) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    ASSERT_EQ(sim("PIC16F84", {"lire", rep.fichier("lu.hex")}).code, 0);
    const std::string lu = test::lit_fichier(rep.fichier("lu.hex"));
    ajoute_avant_fin(rep.fichier("lu.hex"), rep.fichier("hors.hex"),
                     enregistrement(0x0800, {0x01, 0x00}));
    ASSERT_EQ(::mkfifo(rep.fichier("fifo").c_str(), 0600), 0);

    struct Cas {
        std::string avant;    // shell commands run first
        std::string commande; // options, command and the redirections of standard input and output
        int code;
        std::string message; // expected on standard error
        std::string sortie;  // expected in the file "sortie" ("" : not checked)
    };
    const Cas cas[] = {
        {"", "lire - >sortie", 0, "", lu},
        // Standard error is not standard output: the journal keeps its text.
        {"", "lire /dev/stdout >sortie", 0, "", lu},
        {"", "ecrire - <lu.hex", 0, "", ""},
        {"", "comparer - <lu.hex >sortie", 0, "", "Le programme du PIC correspond"},
        {"", "-d afficher - <lu.hex >sortie", 0, "", "Données :"},
        {"timeout 60 sh -c 'cat lu.hex >fifo' & ", "ecrire fifo", 0, "", ""},
        {"timeout 60 sh -c 'cat fifo >sortie' & ", "lire fifo", 0, "", lu},
        {"", "afficher hors.hex >sortie", 0,
         "1 mot du fichier est hors du composant PIC16F84 : il ne sera pas écrit", ""},
        {"", "afficher lu.hex >/dev/full", 2, "erreur d'écriture sur la sortie standard", ""},
        {"", "lire - >/dev/full", 2, "erreur d'écriture sur la sortie standard", ""},
        {"", "lire /dev/full", 2, "erreur d'écriture sur /dev/full", ""},
        {"", "--trace /dev/full ecrire lu.hex", 2, "fichier de trace /dev/full", ""},
        {"", "afficher /dev/zero", 2, "lignes incorrectes : ce n'est pas un fichier Intel HEX ?",
         ""},
        {"", "afficher - <.", 2, "impossible de lire l'entrée standard", ""},
    };
    const std::string base = entre_quotes(KORVAL_CLI) + " --conf " + entre_quotes(conf) +
                             " --simulateur puce.etat -c PIC16F84 -q ";
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.commande);
        test::ecrit_fichier(rep.fichier("journal"), "avant\n");
        test::ecrit_fichier(rep.fichier("sortie"), "");
        // A FIFO opened twice would wait for ever: timeout ends such a run and the other end.
        const std::string ligne = "cd " + entre_quotes(rep.chemin().string()) + " || exit 9; " +
                                  c.avant + "timeout 60 " + base + c.commande +
                                  " 2>>journal; r=$?; wait; exit $r";
        const int etat = std::system(ligne.c_str());
        ASSERT_TRUE(WIFEXITED(etat));
        const std::string journal = test::lit_fichier(rep.fichier("journal"));
        EXPECT_EQ(WEXITSTATUS(etat), c.code) << journal;
        EXPECT_EQ(journal.rfind("avant\n", 0), 0u) << journal;
        EXPECT_FALSE(contient(journal, ":00000001FF")) << journal;
        if (!c.message.empty()) {
            EXPECT_TRUE(contient(journal, c.message)) << journal;
        }
        if (c.sortie == lu) {
            EXPECT_EQ(test::lit_fichier(rep.fichier("sortie")), lu);
        } else if (!c.sortie.empty()) {
            EXPECT_TRUE(contient(test::lit_fichier(rep.fichier("sortie")), c.sortie));
        }
    }
    EXPECT_FALSE(fs::exists(rep.fichier("-")));
}

TEST_F(Cli, les_reglages_ne_sont_jamais_reecrits) {
    const std::string avant = test::lit_fichier(conf + "/conf_port");
    const auto date = fs::last_write_time(conf + "/conf_port");
    ASSERT_EQ(sim("PIC16C61", {"comparer", programme}, "16c61.etat").code, 1);
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    EXPECT_EQ(test::lit_fichier(conf + "/conf_port"), avant);
    EXPECT_EQ(fs::last_write_time(conf + "/conf_port"), date);
    EXPECT_EQ(std::distance(fs::directory_iterator(conf), fs::directory_iterator()), 2);
}

TEST_F(Cli, composant_par_defaut_celui_des_reglages) {
    // The shipped settings remember device 2.
    ASSERT_TRUE(lire_catalogue_fichier(conf + "/conf_PICS"));
    const std::string nom = tab_pic.at(2).nom;
    const Resultat r = lance({"--conf", conf, "afficher", programme});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_EQ(lignes(r.sortie).at(0), "Programmateur pour : " + nom);
}

// --- Memory view --------------------------------------------------------------------------------

TEST_F(Cli, afficher_imprime_la_vue_memoire) {
    const Resultat r = sim("PIC16F84", {"afficher", programme});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    const auto l = lignes(r.sortie);
    // Header, 1024 / 8 program lines, 64 / 16 data lines, configuration summary.
    ASSERT_EQ(l.size(), 1u + 1 + 128 + 1 + 4 + 6) << r.sortie;
    EXPECT_EQ(l[0], "Programmateur pour : PIC16F84");
    EXPECT_EQ(l[1], "Programme :");
    EXPECT_EQ(l[2], "0000: 2805 FFFF FFFF FFFF 0009 3055 0086 0185 ");
    EXPECT_EQ(l[3], "0008: 0B8C 2808 0063 FFFF FFFF FFFF FFFF FFFF ");
    EXPECT_EQ(l[129], "03F8: FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF ");
    EXPECT_EQ(l[130], "Données :");
    EXPECT_EQ(l[131], "0000: 12 34 FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
    EXPECT_EQ(l[134], "0030: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
    const std::vector<std::string> resume(l.begin() + 135, l.end());
    EXPECT_EQ(resume, (std::vector<std::string>{"Configuration : 3FF1", "Type d'horloge : XT",
                                                "Protection CP0 : non", "Chien de garde : non",
                                                "Power Up Timer (PWRTE/) : oui", "ID : 01020304"}));
    EXPECT_FALSE(fs::exists(rep.fichier("puce.etat"))); // no programmer touched

    const auto dec = lignes(sim("PIC16F84", {"--base", "decimale", "afficher", programme}).sortie);
    ASSERT_EQ(dec.size(), l.size() + 4);
    EXPECT_EQ(dec[131], "0000: 018 052 255 255 255 255 255 255 ");
    EXPECT_EQ(dec[132], "0008: 255 255 255 255 255 255 255 255 ");
    const auto bin = lignes(sim("PIC16F84", {"--base=binaire", "afficher", programme}).sortie);
    ASSERT_EQ(bin.size(), l.size() + 12);
    EXPECT_EQ(bin[131], "0000: 00010010 00110100 11111111 11111111 ");
    EXPECT_EQ(bin[132], "0004: 11111111 11111111 11111111 11111111 ");
}

TEST_F(Cli, afficher_une_image_d_eeprom) {
    const Resultat r = sim("24C16", {"afficher", exemple("message_24c16.hex")});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    const auto l = lignes(r.sortie);
    ASSERT_EQ(l.size(), 1u + 1 + 128 + 3) << r.sortie;
    EXPECT_EQ(l[0], "Programmateur pour : 24C16");
    EXPECT_EQ(l[1], "Données :");
    EXPECT_EQ(l[2], "0000: 42 6F 6E 6A 6F 75 72 20 21 20 43 65 20 6D 65 73 ");
    EXPECT_EQ(l[129], "07F0: 4B 4F 52 56 41 4C 20 32 34 43 31 36 20 46 49 4E ");
    EXPECT_EQ(l[130], "EEPROM 24C16");
    EXPECT_EQ(l[131], "Memoire : 2048 octets");
    EXPECT_EQ(l[132], "PROTOCOLE : I2C");
}

// --- Progress, virtual time and trace -----------------------------------------------------------

TEST_F(Cli, progression_une_ligne_par_zone_hors_terminal) {
    const Resultat r = sim("PIC16F84", {"ecrire", programme});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_EQ(r.erreurs.find('\r'), std::string::npos);
    const auto l = lignes(r.erreurs);
    std::vector<std::string> zones;
    for (const std::string& s : l) {
        if (!contient(s, "] 100 %  écoulé ")) continue;
        zones.push_back(s.substr(0, s.find("  ")));
    }
    // Data first, then the program, as the graphical program writes them.
    EXPECT_EQ(zones, (std::vector<std::string>{"Ecriture des données", "Ecriture du programme"}))
        << r.erreurs;

    const Resultat c = sim("PIC16F84", {"comparer", programme});
    zones.clear();
    for (const std::string& s : lignes(c.erreurs))
        if (contient(s, "] 100 %")) zones.push_back(s.substr(0, s.find("  ")));
    EXPECT_EQ(zones, (std::vector<std::string>{"Lecture du programme", "Lecture des données"}));

    const Resultat q = sim("PIC16F84", {"-q", "ecrire", programme});
    EXPECT_EQ(q.code, 0);
    EXPECT_FALSE(contient(q.erreurs, "Ecriture")) << q.erreurs;
    EXPECT_TRUE(contient(q.erreurs, "Durée sur un vrai programmateur : ")) << q.erreurs;
}

TEST_F(Cli, progression_redessinee_sur_un_terminal) {
    int maitre = -1, esclave = -1;
    ASSERT_EQ(::openpty(&maitre, &esclave, nullptr, nullptr, nullptr), 0);
    termios t;
    ASSERT_EQ(::tcgetattr(esclave, &t), 0);
    ::cfmakeraw(&t); // line ends as written
    ASSERT_EQ(::tcsetattr(esclave, TCSANOW, &t), 0);
    const std::vector<std::string> args = {KORVAL_CLI,       "--conf", conf,       "--simulateur",
                                           rep.fichier("e"), "-c",     "PIC16F84", "--strict",
                                           "ecrire",         programme};
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int nul = ::open("/dev/null", O_RDWR);
        ::dup2(nul, STDIN_FILENO);
        ::dup2(nul, STDOUT_FILENO);
        ::dup2(esclave, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(esclave);
    std::string vu;
    char tampon[4096];
    for (ssize_t n; (n = ::read(maitre, tampon, sizeof tampon)) > 0;)
        vu.append(tampon, static_cast<std::size_t>(n));
    ::close(maitre);
    int etat = 0;
    ASSERT_EQ(::waitpid(pid, &etat, 0), pid);
    ASSERT_TRUE(WIFEXITED(etat));
    EXPECT_EQ(WEXITSTATUS(etat), 0) << vu;

    // One terminal line per area, redrawn many times over itself.
    std::size_t zone_programme = 0;
    for (const std::string& l : lignes(vu)) {
        if (!contient(l, "Ecriture du programme")) continue;
        ++zone_programme;
        EXPECT_EQ(l.rfind("\rEcriture du programme", 0), 0u) << l;
        EXPECT_GT(std::count(l.begin(), l.end(), '\r'), 10) << l;
        EXPECT_NE(l.find("100 %"), std::string::npos) << l;
    }
    EXPECT_EQ(zone_programme, 1u) << vu;
}

TEST_F(Cli, trace_vcd_de_l_operation) {
    const std::string vcd = rep.fichier("ecriture.vcd");
    const Resultat r = sim("PIC16F84", {"--trace", vcd, "ecrire", programme});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    const std::string t = test::lit_fichier(vcd);
    ASSERT_TRUE(contient(t, "$enddefinitions $end")) << t.substr(0, 500);
    std::string code_clk, code_vcc;
    for (const std::string& l : lignes(t)) {
        if (l.rfind("$var wire 1 ", 0) != 0) continue;
        if (contient(l, " CLK $end")) code_clk = l.substr(12, 1);
        if (contient(l, " VCC $end")) code_vcc = l.substr(12, 1);
    }
    ASSERT_FALSE(code_clk.empty());
    ASSERT_FALSE(code_vcc.empty());
    std::size_t fronts = 0, alimentations = 0;
    long long dernier_temps = 0;
    for (const std::string& l : lignes(t)) {
        if (l == "1" + code_clk) ++fronts;
        if (l == "1" + code_vcc) ++alimentations;
        if (!l.empty() && l[0] == '#') dernier_temps = std::stoll(l.substr(1));
    }
    // Program words, data bytes, IDs and configuration each shift in 14 or more clock pulses.
    EXPECT_GT(fronts, (20u + 2u + 5u) * 14u);
    EXPECT_GE(alimentations, 3u); // data, program, IDs and configuration: one pass each
    // The trace spans the whole operation: at least the 10 ms write cycle of each word.
    EXPECT_GT(dernier_temps, 20LL * 10'000'000);
}

// --- Simulated programmer: state file, protocol, interruption ----------------------------------

TEST_F(Cli, fichier_d_etat_refuse_et_violations_du_protocole) {
    ASSERT_EQ(sim("PIC16F84", {"ecrire", programme}).code, 0);
    std::string texte = test::lit_fichier(rep.fichier("puce.etat"));
    const std::size_t ligne2 = texte.find('\n', texte.find('\n') + 1);
    ASSERT_NE(ligne2, std::string::npos);
    texte[ligne2 - 2] = texte[ligne2 - 2] == '0' ? '1' : '0'; // a checksum one off
    test::ecrit_fichier(rep.fichier("abime.etat"), texte);

    // A state file that is not loaded is refused and left byte for byte as it was.
    struct Refus {
        const char* composant;
        const char* etat;
        const char* raison;
    };
    const std::string lu = rep.fichier("lu.hex");
    for (const Refus& c : {Refus{"PIC16F628", "puce.etat", "est celui d'une PIC16F84"},
                           Refus{"PIC16F84", "abime.etat", "illisible"}}) {
        const std::string avant = test::lit_fichier(rep.fichier(c.etat));
        const Resultat r = sim(c.composant, {"lire", lu}, c.etat);
        EXPECT_EQ(r.code, 2) << c.etat;
        EXPECT_TRUE(contient(r.erreurs, c.raison)) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, "donnez un autre nom de fichier à --simulateur"))
            << r.erreurs;
        EXPECT_EQ(test::lit_fichier(rep.fichier(c.etat)), avant) << c.etat;
        EXPECT_FALSE(fs::exists(lu));
    }

    // 100 µs pulses lengthened past 1 ms by the delay setting: the chip still programs, the
    // simulator reports each kind once, and only --strict fails the command.
    const std::string lent = rep.fichier("lent");
    fs::create_directory(lent);
    fs::copy_file(conf + "/conf_PICS", lent + "/conf_PICS");
    test::ecrit_fichier(lent + "/conf_port",
                        test::lit_fichier(conf + "/conf_port") + "_TEMPO 1000\n");
    for (bool strict : {false, true}) {
        std::vector<std::string> args = {
            "--conf", lent,       "--simulateur", rep.fichier(strict ? "s.etat" : "l.etat"),
            "-c",     "PIC16C61", "ecrire",       programme};
        if (strict) args.insert(args.begin(), "--strict");
        // The 16F84 file's data bytes are past this part: written anyway.
        args.insert(args.begin(), "--forcer");
        const Resultat r = lance(args);
        EXPECT_EQ(r.code, strict ? 1 : 0) << r.erreurs;
        const auto l = lignes(r.erreurs);
        EXPECT_EQ(std::count_if(l.begin(), l.end(),
                                [](const std::string& s) {
                                    return s.rfind("Simulateur : ", 0) == 0 &&
                                           contient(s, " impulsions de programmation trop "
                                                       "longues (0H, ");
                                }),
                  1)
            << r.erreurs;
    }
}

TEST_F(Cli, interrompu_pendant_l_ecriture_puce_hors_tension) {
    struct Cas {
        int signal;
        int code;
    };
    for (const Cas c : {Cas{SIGINT, 130}, Cas{SIGTERM, 143}, Cas{SIGHUP, 129}}) {
        SCOPED_TRACE(c.signal);
        const std::string etat = rep.fichier("coupe.etat");
        const std::string vcd = rep.fichier("coupe.vcd");
        const std::string erreurs = rep.fichier("coupe.err");
        fs::remove(etat);
        fs::remove(vcd);
        // The trace goes through a pipe that this test reads: the write can only go on as fast
        // as the test reads, so it is still running when the signal comes.
        ASSERT_EQ(::mkfifo(vcd.c_str(), 0600), 0);
        const std::vector<std::string> args = {KORVAL_CLI, "--conf", conf,       "--simulateur",
                                               etat,       "-c",     "PIC16F84", "-q",
                                               "--trace",  vcd,      "ecrire",   programme};
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int nul = ::open("/dev/null", O_RDWR);
            const int err = ::open(erreurs.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(nul, STDIN_FILENO);
            ::dup2(nul, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            // A signal ignored here (a background job) would stay ignored in the program.
            for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        const int fd = ::open(vcd.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        pollfd attente_trace = {fd, POLLIN, 0};
        ASSERT_EQ(::poll(&attente_trace, 1, 30'000), 1) << "no trace from korval-cli";
        ::fcntl(fd, F_SETFL, 0);
        std::string trace;
        char tampon[4096];
        while (trace.size() < 65536) {
            const ssize_t n = ::read(fd, tampon, sizeof tampon);
            ASSERT_GT(n, 0);
            trace.append(tampon, static_cast<std::size_t>(n));
        }

        // Meanwhile a second program on the same state file is refused.
        const Resultat autre = sim("PIC16F84", {"lire", rep.fichier("lu.hex")}, "coupe.etat");
        EXPECT_EQ(autre.code, 2);
        EXPECT_TRUE(contient(autre.erreurs, "déjà employé par un autre korval")) << autre.erreurs;

        ASSERT_EQ(::kill(pid, c.signal), 0);
        for (ssize_t n; (n = ::read(fd, tampon, sizeof tampon)) > 0;)
            trace.append(tampon, static_cast<std::size_t>(n));
        ::close(fd);
        int statut = 0;
        ASSERT_EQ(::waitpid(pid, &statut, 0), pid);
        ASSERT_TRUE(WIFEXITED(statut));
        EXPECT_EQ(WEXITSTATUS(statut), c.code);
        EXPECT_TRUE(contient(test::lit_fichier(erreurs),
                             "Opération interrompue : la puce peut être partiellement programmée"))
            << test::lit_fichier(erreurs);

        // The trace is whole, and its last levels have the chip unpowered.
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(trace.back(), '\n');
        std::map<std::string, std::string> code_de, dernier;
        for (const std::string& l : lignes(trace)) {
            if (l.rfind("$var wire 1 ", 0) == 0)
                code_de[l.substr(12, 1)] = l.substr(14, l.find(' ', 14) - 14);
            else if (l.size() >= 2 && (l[0] == '0' || l[0] == '1') && code_de.count(l.substr(1)))
                dernier[code_de[l.substr(1)]] = l.substr(0, 1);
        }
        for (const char* ligne : {"VCC", "VPP1", "VPP2", "CLK"})
            EXPECT_EQ(dernier[ligne], "0") << ligne;
        EXPECT_EQ(lignes(trace).back().at(0), '#'); // a final time stamp
        // The chip was kept as far as it was written (not up to its configuration word, which
        // comes last), and a new run takes it.
        EXPECT_EQ(test::lit_fichier(etat).rfind("; puce PIC16F84", 0), 0u);
        const Resultat relu = sim("PIC16F84", {"comparer", programme}, "coupe.etat");
        EXPECT_EQ(relu.code, 1) << relu.erreurs;
        EXPECT_TRUE(contient(relu.sortie, "Les mot de configuration du PIC et de la mémoire sont "
                                          "différents"))
            << relu.sortie;
    }
}

// --- Serial EEPROM -------------------------------------------------------------------------------

TEST_F(Cli, eeprom_24c16_ecrire_comparer_lire) {
    const std::string image = exemple("message_24c16.hex");
    const Resultat e = sim("24C16", {"ecrire", image}, "24c16.etat");
    ASSERT_EQ(e.code, 0) << e.erreurs;
    const Resultat c = sim("24C16", {"comparer", image}, "24c16.etat");
    EXPECT_EQ(c.code, 0) << c.erreurs;
    EXPECT_EQ(c.sortie, "Les données de l'EEPROM correspondent à celles en mémoire\n");

    const std::string change = rep.fichier("change.hex");
    ajoute_avant_fin(image, change, enregistrement(0x0123, {0x5A}));
    const Resultat d = sim("24C16", {"comparer", change}, "24c16.etat");
    EXPECT_EQ(d.code, 1);
    EXPECT_EQ(d.sortie, "Les données de l'EEPROM et celles en mémoire ne correspondent pas :\n"
                        "Pour le mot n°123H on a : FFH dans le PIC au lieu de 5AH\n");

    const std::string lu = rep.fichier("lu.hex");
    ASSERT_EQ(sim("24C16", {"lire", lu}, "24c16.etat").code, 0);
    choisit("24C16");
    const auto source = Lire_Fichier_Hex_EEPROM(image);
    const auto relu = Lire_Fichier_Hex_EEPROM(lu);
    EXPECT_TRUE(
        std::equal(source->donnee.begin(), source->donnee.begin() + 2048, relu->donnee.begin()));
}

namespace {

// The wiring self-test on the simulated board: each line alone at 1 on the socket, DATA_IN
// following DATA_OUT only; without a programmer DATA_IN never follows it.
TEST_F(Cli, essai_des_lignes_dit_ce_que_la_carte_voit) {
    Resultat r = sim("PIC16F84", {"lignes"});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    const std::string attendu_vcc = "VCC : bit 2 à 1 — mesurez 5 V sur la broche 14 du support\n"
                                    "  DATA_IN lu : 0\n"
                                    "  la carte voit : VCC 1, VPP 0, CLK 0, DATA 0, SELECT 0, "
                                    "DATA_93 0\n";
    EXPECT_TRUE(contient(r.sortie, attendu_vcc)) << r.sortie;
    EXPECT_TRUE(contient(r.sortie, "DATA_IN doit lire 1\n  DATA_IN lu : 1\n  la carte voit : VCC "
                                   "0, VPP 0, CLK 0, DATA 1, SELECT 0, DATA_93 0\n"))
        << r.sortie;
    EXPECT_EQ(lignes(r.sortie).size(), 21u) << r.sortie; // 7 lines of the KORVAL preset

    r = sim("PIC16F84", {"--panne", "sans-programmateur", "lignes"});
    ASSERT_EQ(r.code, 0) << r.erreurs;
    EXPECT_FALSE(contient(r.sortie, "DATA_IN lu : 1")) << r.sortie;
}

} // namespace
