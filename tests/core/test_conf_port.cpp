// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/repertoire_conf.h"

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Message_attendu {
    std::string texte;
    int fin;
};

const std::string catalogue_mini = "A 16 0 0 1 0 1 0\nB 32 0 0 1 0 1 0\nC 64 0 0 1 0 1 0\n"
                                   "D 64 0 0 1 1 1 0\n";

// Each test works in a configuration directory of its own.
class Conf_port : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
    test::Enregistreur_messages messages;

    void SetUp() override {
        Etat_propre::SetUp();
        force_repertoire_conf(rep.chemin().string());
        test::ecrit_fichier(rep.fichier("conf_PICS"), catalogue_mini);
    }

    std::string demarre(const std::string& conf) {
        test::ecrit_fichier(rep.fichier("conf_port"), conf);
        testing::internal::CaptureStdout();
        Lire_Fichier_Conf();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(Conf_port, type_un_donne_le_preregle_P16Pro) {
    demarre("_TYPE_P 1\n");
    EXPECT_EQ(type_de_prog, 1);
    EXPECT_EQ(c_u, brochage_p16pro);
    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(le_prog_enable, 1);
    EXPECT_EQ(le_data_enable, 1);
    EXPECT_EQ(le_config_enable, 1);
    EXPECT_EQ(le_ID_enable, 1);
    EXPECT_EQ(le_prog_fin, 65535);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Conf_port, type_deux_prend_la_carte_du_fichier) {
    demarre("_TYPE_P 2\n_CLK/ 2\n");
    Brochage attendu = {};
    attendu.l[L_CLK] = {2, 1};
    EXPECT_EQ(c_u, attendu);
    EXPECT_EQ(c_autre, attendu);
    // Pin keys fill the custom map whatever the type; the later line wins.
    demarre("_VCC 4\n_VCC/ 8\n_DATA_IN/ 320\n");
    EXPECT_EQ(c_u, brochage_korval);
    EXPECT_EQ((c_autre.l[L_VCC]), (Ligne{8, 1}));
    EXPECT_EQ((c_autre.l[L_DATA_IN]), (Ligne{64, 1}));
    // An unknown type keeps the type 0 preset.
    demarre("_TYPE_P 7\n_TYPE_P x\n");
    EXPECT_EQ(type_de_prog, 7);
    EXPECT_EQ(c_u, brochage_korval);
}

TEST_F(Conf_port, port_en_hexadecimal) {
    demarre("_PORT 278\n");
    EXPECT_EQ(PORT_PARA, 0x278);
    demarre("_PORT 3bc\n");
    EXPECT_EQ(PORT_PARA, 0x3BC);
    EXPECT_NE(texte_conf_port(c_autre).find("\n_PORT 3BC\n"), std::string::npos);
}

TEST_F(Conf_port, lignes_ignorees) {
    // A negative delay would shorten the chip's timings: skipped too.
    demarre("  _TEMPO 5\n;_TEMPO 6\n_TEMPO7\n_tempo 8\n_TEMPO -6\n_L_E_PROG_FIN\n"
            "_L_E_DATA_FIN abc\n");
    EXPECT_EQ(val_tempo, 0);
    EXPECT_EQ(le_prog_fin, 65535);
    EXPECT_EQ(le_data_fin, 65535);
}

TEST_F(Conf_port, dernier_fichier_avec_blancs) {
    demarre("_DERNIER_FICHIER   /home/moi/mes essais/prog 1.hex\r\n");
    EXPECT_EQ(lastFile, "/home/moi/mes essais/prog 1.hex");
    // Nothing after the key keeps what was there.
    demarre("_DERNIER_FICHIER /a.hex\n_DERNIER_FICHIER \n");
    EXPECT_EQ(lastFile, "/a.hex");
}

TEST_F(Conf_port, dernier_pic_hors_catalogue_selectionne_le_premier) {
    demarre("_DERNIER_PIC 3\n");
    EXPECT_EQ(pic_select, 3);
    ASSERT_NE(pic_courant(), nullptr);
    EXPECT_EQ(pic_courant()->nom, "D");
    demarre("_DERNIER_PIC 4\n");
    EXPECT_EQ(pic_select, 0);
    demarre("_DERNIER_PIC -2\n");
    EXPECT_EQ(pic_select, 0);
    demarre("_TEMPO 3\n");
    EXPECT_EQ(pic_select, 0);
}

TEST_F(Conf_port, fichiers_manquants) {
    std::string sortie = demarre("");
    std::remove(rep.fichier("conf_port").c_str());
    testing::internal::CaptureStdout();
    Lire_Fichier_Conf();
    sortie = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sortie, "Le fichier conf_port n'existe pas\n");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].texte, "Le fichier conf_port n'existe pas");
    EXPECT_EQ(messages.messages()[0].fin, 0);
    EXPECT_EQ(tab_pic.size(), 4u);
    EXPECT_EQ(PORT_PARA, 0x378);

    messages.vide();
    std::remove(rep.fichier("conf_PICS").c_str());
    sortie = demarre("_TYPE_P 1\n");
    EXPECT_EQ(sortie, "Le fichier conf_PICS n'existe pas\n");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].texte,
              "Le fichier conf_PICS n'existe pas\nLe programme va se terminer");
    EXPECT_EQ(messages.messages()[0].fin, 1);
    EXPECT_TRUE(tab_pic.empty());
    EXPECT_EQ(pic_courant(), nullptr);

    // A FIFO (or any file that is not a regular one) is refused at once, not waited on.
    messages.vide();
    ASSERT_EQ(::mkfifo(rep.fichier("conf_PICS").c_str(), 0600), 0);
    sortie = demarre("_TYPE_P 1\n");
    EXPECT_EQ(sortie, "Le fichier conf_PICS n'existe pas\n");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].fin, 1);
    EXPECT_EQ(c_u, brochage_p16pro);
}

TEST_F(Conf_port, texte_ecrit_ligne_par_ligne) {
    PORT_PARA = 0x278;
    type_de_prog = 1;
    c_autre.l[L_VCC] = {4, 1};
    c_autre.l[L_DATA_IN] = {64, 0};
    le_prog_deb = -3;
    val_tempo = -2;
    pic_select = 2;
    lastFile.clear();
    std::string attendu =
        "; Fichier contenant les param\xE8tres de configuration du programmateur\n"
        "; et du port parallele\n"
        "_PORT 278\n_TYPE_P 1\n_VCC/ 4\n_VPP1 0\n_VPP2 0\n_DATA_OUT 0\n_CLK 0\n"
        "_DATA_IN 64\n_DATA_93 0\n_SELECT 0\n"
        "_L_E_PROG_ENABLE 1\n_L_E_PROG_DEBUT -3\n_L_E_PROG_FIN 65535\n"
        "_L_E_DATA_ENABLE 1\n_L_E_DATA_DEBUT 0\n_L_E_DATA_FIN 65535\n"
        "_L_E_CONFIG_ENABLE 1\n_L_E_ID_ENABLE 1\n\n"
        "_ECRIRE_OSC_INT_12C5XX 0\n\n_TEMPO -2\n\n_DERNIER_PIC 2\n\n"
        "_DERNIER_FICHIER \n";
    EXPECT_EQ(texte_conf_port(c_autre), attendu);
}

TEST_F(Conf_port, sauver_puis_lire_rend_chaque_reglage) {
    demarre("");
    PORT_PARA = 0x3BC;
    type_de_prog = 2;
    for (int i = 0; i < NB_LIGNES; ++i)
        c_autre.l[i] = {static_cast<uint8_t>(1u << i), static_cast<uint8_t>(i % 2)};
    le_prog_enable = 0;
    le_prog_deb = 10;
    le_prog_fin = 20;
    le_data_enable = 0;
    le_data_deb = 3;
    le_data_fin = 4;
    le_config_enable = 0;
    le_ID_enable = 0;
    osc_int_enable = 1;
    val_tempo = 7;
    tension_vpp = 9;
    pic_select = 3;
    lastFile = "/tmp/un fichier.hex";
    const std::string texte = texte_conf_port(c_autre);
    EXPECT_EQ(sauve_conf_port(c_autre), rep.fichier("conf_port"));
    EXPECT_EQ(test::lit_fichier(rep.fichier("conf_port")), texte);

    remise_a_zero_etat();
    testing::internal::CaptureStdout();
    Lire_Fichier_Conf();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(texte_conf_port(c_autre), texte);
    EXPECT_EQ(c_u, c_autre);
    EXPECT_EQ(pic_select, 3);
    EXPECT_EQ(val_tempo, 7);
    EXPECT_EQ(tension_vpp, 9);
    EXPECT_EQ(lastFile, "/tmp/un fichier.hex");
    struct stat st;
    ASSERT_EQ(stat(rep.fichier("conf_port").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Conf_port, adaptateur_et_broches_sauves_apres_le_reste_et_relus) {
    demarre("");
    const std::string sans = texte_conf_port(c_autre);
    adaptateur_conf = "ftdi:s:0x0403:0x6001:A1B2C3D4";
    broches_conf[L_VPP1] = "~D3";
    broches_conf[L_DATA_IN] = "D7";
    const std::string texte = texte_conf_port(c_autre);
    EXPECT_EQ(texte, sans + "_ADAPTATEUR ftdi:s:0x0403:0x6001:A1B2C3D4\n"
                            "_DATA_IN_BROCHE D7\n_VPP1_BROCHE ~D3\n");
    EXPECT_EQ(sauve_conf_port(c_autre), rep.fichier("conf_port"));
    remise_a_zero_etat();
    testing::internal::CaptureStdout();
    Lire_Fichier_Conf();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(texte_conf_port(c_autre), texte);
    EXPECT_EQ(broches_conf[L_VPP1], "~D3");
}

// A write that fails half-way (here: the file size limit) leaves the old file whole.
TEST_F(Conf_port, echec_d_ecriture_garde_l_ancien_fichier) {
    demarre("_TEMPO 1\n");
    val_tempo = 9;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit ancienne;
    getrlimit(RLIMIT_FSIZE, &ancienne);
    rlimit petite = ancienne;
    petite.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &petite);
    testing::internal::CaptureStderr();
    std::string ecrit = sauve_conf_port(c_autre);
    std::string erreur = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &ancienne);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(ecrit, "");
    EXPECT_NE(erreur.find(rep.fichier("conf_port")), std::string::npos) << erreur;
    EXPECT_EQ(test::lit_fichier(rep.fichier("conf_port")), "_TEMPO 1\n");
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(rep.chemin())) n += e.is_regular_file();
    EXPECT_EQ(n, 2) << "temporary file left behind";

    // A directory that cannot hold the file: nothing written, the reason given.
    force_repertoire_conf(rep.fichier("conf_PICS"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(sauve_conf_port(c_autre), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("conf_PICS/conf_port"),
              std::string::npos);
}

// Without a forced directory: system file first, the per-user file when the system one cannot be
// written, and the per-user file read at start-up once it exists.
TEST_F(Conf_port, fichier_utilisateur_quand_le_systeme_est_interdit) {
    force_repertoire_conf("");
    test::Repertoire_temp maison;
    std::string systeme = rep.fichier("systeme");
    std::filesystem::create_directory(systeme);
    test::ecrit_fichier(systeme + "/conf_PICS", catalogue_mini);
    test::ecrit_fichier(systeme + "/conf_port", "_TEMPO 1\n");
    setenv("KORVAL_CONF", systeme.c_str(), 1);
    EXPECT_EQ(repertoire_conf(), systeme + "/");
    EXPECT_TRUE(repertoire_conf_force_ou_env());
    unsetenv("KORVAL_CONF");
    EXPECT_EQ(repertoire_conf(), "/etc/korval-1.2/");

    setenv("XDG_CONFIG_HOME", maison.chemin().c_str(), 1);
    std::string perso = maison.fichier("korval-1.2/conf_port");
    EXPECT_EQ(chemin_conf_port_utilisateur(), perso);
    EXPECT_EQ(chemin_conf_port_lecture(), "/etc/korval-1.2/conf_port");
    if (geteuid() != 0) {
        val_tempo = 5;
        EXPECT_EQ(sauve_conf_port(c_autre), perso);
        EXPECT_EQ(chemin_conf_port_lecture(), perso);
        val_tempo = 6;
        EXPECT_EQ(sauve_conf_port(c_autre), perso);
        EXPECT_NE(test::lit_fichier(perso).find("_TEMPO 6\n"), std::string::npos);
    }
    std::filesystem::create_directories(maison.fichier("korval-1.2"));
    test::ecrit_fichier(perso, "_TEMPO 4\n");
    EXPECT_EQ(chemin_conf_port_lecture(), perso);
    unsetenv("XDG_CONFIG_HOME");
}

// Start-up on unusual files: what reaches standard output and the user, and what is kept.
TEST_F(Conf_port, cas_limites_a_la_lecture) {
    struct Cas {
        const char* nom;
        const char* conf_port;           // nullptr: a directory of that name
        const char* conf_PICS;           // nullptr: a directory of that name
        std::vector<std::string> sortie; // each found in its own line of standard output
        std::vector<Message_attendu> messages;
        std::vector<std::string> noms; // the catalogue kept, the first entry with 16 words
        std::string dernier_fichier;
    };
    const char* double_nom = "A 16 0 0 1 0 1 0\nB 32 0 0 2 0 1 0\n; B bis\nA 64 0 0 3 0 1 0\n";
    const char* algos = "A 16 0 0 1 0 1 0\nX 16 0 0 77 0 1 0\nY 16 0 0 0 0 1 0\n"
                        "Z 16 0 0 -5 0 1 0\nB 16 0 0 -4 0 1 0\n";
    const Cas cas[] = {
        {"conf_port est un répertoire",
         nullptr,
         catalogue_mini.c_str(),
         {"Le fichier conf_port n'existe pas"},
         {{"Le fichier conf_port n'existe pas", 0}},
         {"A", "B", "C", "D"},
         ""},
        {"conf_PICS est un répertoire",
         "_TEMPO 1\n",
         nullptr,
         {"Le fichier conf_PICS n'existe pas"},
         {{"Le fichier conf_PICS n'existe pas\nLe programme va se terminer", 1}},
         {},
         ""},
        {"algo inconnu",
         "",
         algos,
         {"conf_PICS, ligne 2 : ligne ignorée (algorithme inconnu",
          "conf_PICS, ligne 3 : ligne ignorée (algorithme inconnu",
          "conf_PICS, ligne 4 : ligne ignorée (algorithme inconnu"},
         {},
         {"A", "B"},
         ""},
        {"nom en double",
         "",
         double_nom,
         {"conf_PICS, ligne 4 : ligne ignorée (nom déjà décrit ligne 1)"},
         {},
         {"A", "B"},
         ""},
        {"dernier fichier avec caractères de contrôle",
         "_DERNIER_FICHIER /bon.hex\n_DERNIER_FICHIER /a\tb.hex\n_DERNIER_FICHIER /c\x01.hex\n",
         catalogue_mini.c_str(),
         {},
         {},
         {"A", "B", "C", "D"},
         "/bon.hex"},
    };
    int numero = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::string sous = rep.fichier("cas" + std::to_string(++numero));
        std::filesystem::create_directory(sous);
        for (auto [nom, texte] :
             {std::pair{"/conf_port", c.conf_port}, {"/conf_PICS", c.conf_PICS}}) {
            if (texte)
                test::ecrit_fichier(sous + nom, texte);
            else
                std::filesystem::create_directory(sous + nom);
        }
        force_repertoire_conf(sous);
        remise_a_zero_etat();
        messages.vide();
        testing::internal::CaptureStdout();
        Lire_Fichier_Conf();
        const std::string sortie = testing::internal::GetCapturedStdout();

        std::vector<std::string> lignes;
        std::istringstream in(sortie);
        for (std::string l; std::getline(in, l);) lignes.push_back(l);
        ASSERT_EQ(lignes.size(), c.sortie.size()) << sortie;
        for (std::size_t i = 0; i < lignes.size(); ++i)
            EXPECT_NE(lignes[i].find(c.sortie[i]), std::string::npos) << lignes[i];
        ASSERT_EQ(messages.messages().size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(messages.messages()[i].texte, c.messages[i].texte);
            EXPECT_EQ(messages.messages()[i].fin, c.messages[i].fin);
        }
        std::vector<std::string> noms;
        for (const Desc_PIC& p : tab_pic) noms.push_back(p.nom);
        EXPECT_EQ(noms, c.noms);
        if (!tab_pic.empty()) {
            EXPECT_EQ(tab_pic[0].taille_prog, 16);
        }
        EXPECT_EQ(lastFile, c.dernier_fichier);
    }
}

// Saving: the file keeps its mode, a link keeps its target, a writable file in a read-only
// directory is rewritten where it is, and a value that would break the file is left out.
TEST_F(Conf_port, cas_limites_a_la_sauvegarde) {
    struct Cas {
        const char* nom;
        const char* ancien_mode; // "0600": conf_port exists with that mode; "lien": a link
        bool repertoire_lecture_seule;
        std::string dernier_fichier;
        std::string relu;
        mode_t mode;
        std::vector<std::string> messages;
    };
    const Cas cas[] = {
        {"mode gardé", "0600", false, "/a.hex", "/a.hex", 0600, {}},
        {"lien suivi", "lien", false, "/b.hex", "/b.hex", 0640, {}},
        {"répertoire en lecture seule", "0666", true, "/c.hex", "/c.hex", 0666, {}},
        {"saut de ligne dans le dernier fichier",
         nullptr,
         false,
         "/x\n_PORT 80",
         "",
         0644,
         {"Le nom du dernier fichier contient un caractère de contrôle : il n'est pas enregistré "
          "dans conf_port"}},
    };
    int numero = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::string sous = rep.fichier("cas" + std::to_string(++numero));
        const std::string fichier = sous + "/conf_port";
        std::string reel = fichier;
        std::filesystem::create_directory(sous);
        test::ecrit_fichier(sous + "/conf_PICS", catalogue_mini);
        if (c.ancien_mode && std::string(c.ancien_mode) == "lien") {
            reel = rep.fichier("ailleurs" + std::to_string(numero));
            test::ecrit_fichier(reel, "_TEMPO 1\n");
            ::chmod(reel.c_str(), 0640);
            std::filesystem::create_symlink("../" + std::filesystem::path(reel).filename().string(),
                                            fichier);
        } else if (c.ancien_mode) {
            test::ecrit_fichier(fichier, "_TEMPO 1\n");
            ::chmod(fichier.c_str(), static_cast<mode_t>(std::stoi(c.ancien_mode, nullptr, 8)));
        }
        struct stat avant {};
        ::stat(reel.c_str(), &avant);
        force_repertoire_conf(sous);
        remise_a_zero_etat();
        messages.vide();
        PORT_PARA = 0x278;
        val_tempo = 9;
        lastFile = c.dernier_fichier;

        if (c.repertoire_lecture_seule) {
            ::chmod(sous.c_str(), 0555);
            if (geteuid() == 0) {
                // Root writes anywhere: an ordinary user saves.
                ::chmod(rep.chemin().c_str(), 0755);
                const pid_t pid = fork();
                if (pid == 0) {
                    const bool ok = setresgid(65534, 65534, 65534) == 0 &&
                                    setresuid(65534, 65534, 65534) == 0 &&
                                    sauve_conf_port(c_autre) == fichier;
                    _exit(ok ? 0 : 1);
                }
                int statut = -1;
                waitpid(pid, &statut, 0);
                EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0);
            } else {
                EXPECT_EQ(sauve_conf_port(c_autre), fichier);
            }
            ::chmod(sous.c_str(), 0755);
        } else {
            EXPECT_EQ(sauve_conf_port(c_autre), fichier);
        }
        EXPECT_EQ(messages.textes(), c.messages);

        if (std::string(c.ancien_mode ? c.ancien_mode : "") == "lien") {
            EXPECT_TRUE(std::filesystem::is_symlink(fichier));
        }
        struct stat apres {};
        ASSERT_EQ(::stat(reel.c_str(), &apres), 0);
        EXPECT_EQ(apres.st_mode & 07777, c.mode);
        if (c.repertoire_lecture_seule) {
            EXPECT_EQ(apres.st_ino, avant.st_ino);
        }
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(sous)) ++n;
        EXPECT_EQ(n, 2) << "temporary file left behind";

        remise_a_zero_etat();
        testing::internal::CaptureStdout();
        Lire_Fichier_Conf();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(PORT_PARA, 0x278);
        EXPECT_EQ(val_tempo, 9);
        EXPECT_EQ(lastFile, c.relu);
    }
}

} // namespace
