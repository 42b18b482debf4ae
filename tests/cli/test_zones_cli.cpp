// SPDX-License-Identifier: GPL-2.0-or-later
// korval-cli's promise on the simulated programmer: a run refused before the chip is touched
// leaves the chip and the files as they were; a read or a comparison reports only what it read.
#include "banc_cli.h"
#include "commun/outils.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace test_cli;

const std::string FIN = ":00000001FF\n";

class Zones_cli : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
    int n = 0;

    // The shipped settings, some lines of conf_port replaced.
    std::string conf(const std::map<std::string, std::string>& lignes = {}) {
        return reglages(rep, "conf" + std::to_string(++n), lignes);
    }

    Resultat lance(const std::string& dossier, const std::string& etat,
                   std::vector<std::string> args) {
        args.insert(args.begin(), {"--conf", dossier, "--simulateur", etat, "-q"});
        return lance_korval_cli(rep, args);
    }
};

struct Refus {
    const char* composant;
    std::map<std::string, std::string> reglages;
    std::vector<std::string> options;
    const char* commande;
    const char* image; // the file of ecrire and comparer (written as is); lire writes "lu.hex"
    int code;
    const char* message;
};

TEST_F(Zones_cli, refus_avant_de_toucher_la_puce) {
    const std::string sans_rien = "ne couvrent rien sur le ";
    const std::string ids_16c622 = ":08400000350060008500FE00A0\n" + FIN;
    const Refus cas[] = {
        {"24C02", {}, {"--zones", "programme"}, "lire", "", 2, "ne couvrent rien sur le 24C02"},
        {"24C02", {}, {"--zones", "id,config"}, "ecrire", ":0100000000FF\n", 2, sans_rien.c_str()},
        {"24C02", {{"_L_E_DATA_ENABLE", "0"}}, {}, "vierge", "", 2, sans_rien.c_str()},
        {"93C46",
         {{"_L_E_DATA_DEBUT", "200"}},
         {},
         "comparer",
         ":0100000000FF\n",
         2,
         sans_rien.c_str()},
        {"PIC16C622",
         {},
         {"--zones", "donnees"},
         "lire",
         "",
         2,
         "ne couvrent rien sur le PIC16C622 (il a : programme 0 à 7FFH, ID, configuration)"},
        {"PIC16F84",
         {{"_L_E_PROG_DEBUT", "10"}, {"_L_E_PROG_FIN", "5"}},
         {"--zones", "programme"},
         "ecrire",
         ":020000000030CE\n",
         2,
         sans_rien.c_str()},
        {"PIC16F84",
         {},
         {"--zones", "programme", "--format", "binaire"},
         "lire",
         "",
         2,
         sans_rien.c_str()},
        // An OTP part would burn the first words before failing.
        {"PIC16C622",
         {},
         {},
         "ecrire",
         ids_16c622.c_str(),
         2,
         "Les ID ne gardent que 4 bits sur ce composant : 35 ne peut pas être écrit"},
        {"PIC12C508",
         {},
         {},
         "ecrire",
         ":040000000C0A301A9C\n",
         2,
         "Le mot 1A30 à l'adresse 1H a plus de 12 bits, la largeur des mots du PIC12C508"},
        {"PIC12C508",
         {},
         {},
         "ecrire",
         ":02020000FF1FDE\n",
         2,
         "Le mot 1FFF à l'adresse 100H a plus de 12 bits"},
    };
    for (const Refus& c : cas) {
        const std::string nom = std::string(c.composant) + " " + c.commande + " " +
                                (c.options.empty() ? "" : c.options.back());
        SCOPED_TRACE(nom);
        const std::string suffixe = std::to_string(++n);
        const std::string etat = rep.fichier("puce" + suffixe + ".etat");
        const std::string fichier = rep.fichier("f" + suffixe + ".hex");
        const std::string ancien = std::string(*c.image ? c.image : FIN);
        test::ecrit_fichier(fichier, ancien);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"-c", c.composant, c.commande});
        if (std::string(c.commande) != "vierge") args.push_back(fichier);
        const Resultat r = lance(conf(c.reglages), etat, args);
        EXPECT_EQ(r.code, c.code) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, c.message)) << r.erreurs;
        // Nothing touched: no simulated chip was even loaded, the file is as it was.
        EXPECT_FALSE(contient(r.erreurs, "Durée sur un vrai programmateur")) << r.erreurs;
        EXPECT_FALSE(fs::exists(etat));
        EXPECT_EQ(test::lit_fichier(fichier), ancien);
    }
}

TEST_F(Zones_cli, lire_et_comparer_ne_rapportent_que_ce_qui_est_lu) {
    const std::string dossier = conf();
    const std::string etat = rep.fichier("f84.etat");
    const std::string image = rep.fichier("image.hex");
    // Words 0 and 1, IDs 1 2 3 4, configuration 3FF1; data byte 0 is 5A.
    test::ecrit_fichier(image, ":0400000030280A306A\n:084000000100020003000400AE\n"
                               ":02400E00F13F80\n:024200005A0062\n" +
                                   FIN);
    ASSERT_EQ(lance(dossier, etat, {"-c", "PIC16F84", "ecrire", image}).code, 0);

    // Each read gives the records of its area and no other (gaps elsewhere): its first record,
    // and none of the others' (program at 0000, IDs at 4000, configuration at 400E, data at
    // 4200).
    const std::string lu = rep.fichier("lu.hex");
    const std::pair<const char*, const char*> lectures[] = {
        {"id,config", ":084000000100020003000400AE\n:02400E00F13F80\n:00000001FF\n"},
        {"programme", ":1000000030280A30FF3FFF3FFF3FFF3FFF3FFF3FEA\n"},
        {"donnees", ":104200005A00FF00FF00FF00FF00FF00FF00FF00"},
    };
    const char* const debuts[] = {":10000000", ":08400000", ":02400E00", ":10420000"};
    for (const auto& [zones, attendu] : lectures) {
        SCOPED_TRACE(zones);
        const Resultat r = lance(dossier, etat, {"--zones", zones, "-c", "PIC16F84", "lire", lu});
        ASSERT_EQ(r.code, 0) << r.erreurs;
        std::string texte = test::lit_fichier(lu);
        std::erase(texte, '\r');
        EXPECT_EQ(texte.rfind(attendu, 0), 0u) << texte;
        for (const char* debut : debuts)
            EXPECT_EQ(contient(texte, std::string("\n") + debut) || texte.rfind(debut, 0) == 0,
                      contient(attendu, debut))
                << debut << "\n"
                << texte;
    }

    // IDs compared alone: nothing about the configuration (3FF5 in the file, 3FF1 in the chip),
    // the program or the data.
    const std::string autre = rep.fichier("autre.hex");
    test::ecrit_fichier(autre,
                        ":084000000100020003000400AE\n:02400E00F53F7C\n:020000000000FE\n" + FIN);
    Resultat r = lance(dossier, etat, {"--zones", "id", "-c", "PIC16F84", "comparer", autre});
    EXPECT_EQ(r.code, 0) << r.erreurs;
    EXPECT_EQ(r.sortie, "ID0 identiques\nID1 identiques\nID2 identiques\nID3 identiques\n");
    // A program range of words 1..1: word 0 (0000 in the file) is not compared.
    r = lance(conf({{"_L_E_PROG_DEBUT", "1"}, {"_L_E_PROG_FIN", "1"}}), etat,
              {"--zones", "programme", "-c", "PIC16F84", "comparer", image});
    EXPECT_EQ(r.code, 0) << r.erreurs;
    EXPECT_EQ(r.sortie, "Le programme du PIC correspond à celui en mémoire\n");
}

TEST_F(Zones_cli, cibles_qui_sont_des_entrees_et_verrou_par_le_fichier) {
    const std::string dossier = conf();
    const std::string etat = rep.fichier("puce.etat");
    const std::string image = rep.fichier("image.hex");
    const std::string contenu = ":020000000030CE\n" + FIN;
    test::ecrit_fichier(image, contenu);
    ASSERT_EQ(lance(dossier, etat, {"-c", "PIC16F84", "ecrire", image}).code, 0);
    const std::string avant = test::lit_fichier(etat);
    const std::string lien = rep.fichier("lien.etat");
    fs::create_symlink(etat, lien);

    const std::vector<std::string> cas[] = {
        {"--trace", image, "-c", "PIC16F84", "ecrire", image},
        {"--trace", lien, "-c", "PIC16F84", "comparer", image},
        {"-c", "PIC16F84", "lire", lien},
    };
    for (const auto& args : cas) {
        SCOPED_TRACE(args[args.size() - 2]);
        const Resultat r = lance(dossier, etat, args);
        EXPECT_EQ(r.code, 2) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, "il serait écrasé. Rien n'a été fait")) << r.erreurs;
        EXPECT_EQ(test::lit_fichier(image), contenu);
        EXPECT_EQ(test::lit_fichier(etat), avant);
    }

    // The lock is the state file's, whatever path names it, made or not yet.
    const std::string neuf = rep.fichier("neuf.etat");
    const std::string lien_neuf = rep.fichier("lien_neuf.etat");
    fs::create_symlink(neuf, lien_neuf);
    for (const auto& [fichier, par] : {std::pair{etat, lien}, std::pair{neuf, lien_neuf}}) {
        SCOPED_TRACE(par);
        const std::string verrou = fichier + ".verrou";
        test::ecrit_fichier(verrou, "");
        const int fd = ::open(verrou.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        const Resultat r = lance(dossier, par, {"-c", "PIC16F84", "lire", rep.fichier("lu.hex")});
        ::close(fd);
        EXPECT_EQ(r.code, 2) << r.erreurs;
        EXPECT_TRUE(contient(r.erreurs, "est déjà employé par un autre korval")) << r.erreurs;
    }
}

TEST_F(Zones_cli, puce_protegee_ou_absente) {
    const std::string dossier = conf();
    const std::string etat = rep.fichier("f84.etat");
    const std::string image = rep.fichier("protege.hex");
    test::ecrit_fichier(image, ":020000000030CE\n:02400E000D00A3\n" + FIN);
    ASSERT_EQ(lance(dossier, etat, {"--proteger", "-c", "PIC16F84", "ecrire", image}).code, 0);
    const std::string lu = rep.fichier("lu.hex");
    test::ecrit_fichier(lu, FIN);
    Resultat r = lance(dossier, etat, {"-c", "PIC16F84", "lire", lu});
    EXPECT_EQ(r.code, 1) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "La puce est protégée : la lecture ne rend que des zéros"));
    EXPECT_EQ(test::lit_fichier(lu), FIN);
    r = lance(dossier, etat, {"--forcer", "-c", "PIC16F84", "lire", lu});
    EXPECT_EQ(r.code, 0) << r.erreurs;
    EXPECT_TRUE(contient(test::lit_fichier(lu), ":02400E000D00A3")) << test::lit_fichier(lu);

    // A 12-bit part whose words read 3FFF: no chip in the socket.
    r = lance(dossier, rep.fichier("vide.etat"),
              {"--panne", "sans-puce", "-c", "PIC12C508", "lire", lu});
    EXPECT_EQ(r.code, 1) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "plus large que ses mots de 12 bits : pas de puce"))
        << r.erreurs;
    r = lance(dossier, rep.fichier("vide.etat"),
              {"--panne", "sans-puce", "-c", "PIC12C508", "vierge"});
    EXPECT_EQ(r.code, 1) << r.erreurs;
    EXPECT_TRUE(contient(r.erreurs, "plus large que ses mots de 12 bits : pas de puce"))
        << r.erreurs;
    EXPECT_FALSE(contient(r.sortie, "vierge")) << r.sortie;
}

} // namespace
