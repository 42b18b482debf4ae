// SPDX-License-Identifier: GPL-2.0-or-later
// Port access: the closed default backend, direct port I/O with its privileges, Linux ppdev.
// Privilege changes are made in child processes, never in the test process.
#include "commun/outils.h"

#include "core/etat.h"
#include "core/messages.h"
#include "port/backend.h"
#include "port/backend_direct.h"
#include "port/backend_ppdev.h"
#include "port/port.h"
#include "port/privileges.h"

#include <cstring>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <functional>
#include <grp.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#endif

namespace {

constexpr uid_t PERSONNE = 65534;

// What a child process reported, as "key value" lines, and how it ended.
struct Rapport {
    std::map<std::string, std::string> v;
    int statut = -1;
    std::string operator[](const std::string& cle) const {
        auto it = v.find(cle);
        return it == v.end() ? "(absent)" : it->second;
    }
};

Rapport dans_un_fils(const std::function<void(std::ostream&)>& f) {
    Rapport r;
    int tube[2];
    if (pipe(tube) != 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        std::ostringstream o;
        f(o);
        std::FILE* sortie = fdopen(tube[1], "w");
        std::fputs(o.str().c_str(), sortie);
        std::fclose(sortie);
        _exit(0);
    }
    close(tube[1]);
    std::FILE* entree = fdopen(tube[0], "r");
    char ligne[1024];
    while (std::fgets(ligne, sizeof ligne, entree)) {
        std::string l(ligne, std::strcspn(ligne, "\n"));
        const auto espace = l.find(' ');
        r.v[l.substr(0, espace)] = espace == std::string::npos ? "" : l.substr(espace + 1);
    }
    std::fclose(entree);
    waitpid(pid, &r.statut, 0);
    return r;
}

bool devient_personne() {
    return setresgid(PERSONNE, PERSONNE, PERSONNE) == 0 &&
           setresuid(PERSONNE, PERSONNE, PERSONNE) == 0;
}

// Turns the child into a set-UID and set-GID root program started by user 65534 with the
// supplementary groups given: real ids the user's, effective and saved ids root.
bool comme_set_uid(const std::vector<gid_t>& groupes) {
    return setgroups(groupes.size(), groupes.data()) == 0 && setresgid(PERSONNE, 0, 0) == 0 &&
           setresuid(PERSONNE, 0, 0) == 0;
}

// The child's messages, each followed by " | ".
std::string messages_du_fils;
void capte_messages() {
    installe_puits_message(
        [](const std::string& t, int f) { messages_du_fils += (f ? "[fatal] " : "") + t + " | "; });
}

void ecrit_ids(std::ostream& o) {
    uid_t ru, eu, su;
    gid_t rg, eg, sg;
    getresuid(&ru, &eu, &su);
    getresgid(&rg, &eg, &sg);
    o << "uid " << ru << ',' << eu << ',' << su << "\ngid " << rg << ',' << eg << ',' << sg;
    gid_t groupes[64];
    const int n = getgroups(64, groupes);
    o << "\ngroupes";
    for (int i = 0; i < n; ++i) o << ' ' << groupes[i];
    o << '\n';
}

// Whether root gets ioperm here at all (a sandbox may not implement it).
bool ioperm_disponible() {
    static const bool oui = dans_un_fils([](std::ostream& o) {
                                o << "ok " << obtient_acces_port(0x278) << '\n';
                            })["ok"] == "1";
    return oui;
}

int nb_descripteurs() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

class Acces : public test::Etat_propre {
  protected:
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }
    test::Enregistreur_messages messages;
};

} // namespace

TEST_F(Acces, backend_par_defaut_ferme_et_inoffensif) {
    installe_backend(nullptr);
    EXPECT_FALSE(backend().ouvert());
    EXPECT_FALSE(backend().ouvre(0x378));
    init_port();
    data_a_1();
    EXPECT_EQ(backend().lit_etat(), 0xFF);
    c_u = brochage_korval; // DATA_IN 0x40 active low: an absent port reads 0
    EXPECT_EQ(get_b_data(), 0);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(retire_backend(), nullptr);
}

TEST_F(Acces, horloge_monotone_et_attente_au_moins_n_plus_val_tempo) {
    std::unique_ptr<Backend_port> tous[] = {cree_backend_ferme(),
                                            std::make_unique<Backend_direct>(),
                                            std::make_unique<Backend_ppdev>("/absent")};
    for (auto& b : tous) {
        timespec a{}, c{};
        clock_gettime(CLOCK_MONOTONIC, &a);
        const int64_t h = b->horloge_ns();
        clock_gettime(CLOCK_MONOTONIC, &c);
        EXPECT_LE(int64_t{a.tv_sec} * 1'000'000'000 + a.tv_nsec, h);
        EXPECT_GE(int64_t{c.tv_sec} * 1'000'000'000 + c.tv_nsec, h);

        installe_backend(std::move(b));
        val_tempo = 5;
        const int64_t debut = horloge_monotone_ns();
        attente(2000);
        EXPECT_GE(horloge_monotone_ns() - debut, 2'005'000);
    }
}

// Without the permission: a message naming the port, the port stays closed, and the line routines
// run without any outb (which would kill the process).
TEST_F(Acces, direct_refuse_sans_root) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    Rapport r = dans_un_fils([](std::ostream& o) {
        if (!devient_personne()) return;
        capte_messages();
        installe_backend(std::make_unique<Backend_direct>());
        PORT_PARA = 0x278;
        c_u = brochage_korval;
        init_port();
        o << "ouvert " << backend().ouvert() << '\n';
        data_a_1();
        clock_a_1();
        Power_on();
        o << "donnee " << get_b_data() << '\n';
        o << "errno_ioperm " << (obtient_acces_port(0x278) ? 0 : errno) << '\n';
        o << "messages " << messages_du_fils << '\n';
    });
    ASSERT_TRUE(WIFEXITED(r.statut)) << "child killed by signal " << WTERMSIG(r.statut);
    EXPECT_EQ(r["ouvert"], "0");
    EXPECT_EQ(r["donnee"], "0");
    const std::string refus = "Accès refusé au port parallèle 278 : ";
    EXPECT_EQ(r["messages"].rfind(refus, 0), 0u) << r["messages"];
    if (r["errno_ioperm"] == std::to_string(EPERM)) {
        EXPECT_EQ(r["messages"], refus + "lancez le programme en root | ");
    }
}

// Set-UID root started by user 65534: ports obtained, then every id is the user's for good and
// the supplementary groups are the caller's own, none added (the group database gives 65534 to
// user 65534), none dropped.
TEST_F(Acces, prepare_privileges_abandonne_root_pour_de_bon) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    const bool ioperm_ok = ioperm_disponible();
    struct Cas {
        std::vector<gid_t> groupes;
        const char* attendus; // as ecrit_ids writes them
    };
    const Cas cas[] = {{{}, ""}, {{0, 4242}, "0 4242"}};
    for (const Cas& c : cas) {
        Rapport r = dans_un_fils([&c](std::ostream& o) {
            if (!comme_set_uid(c.groupes)) return;
            capte_messages();
            o << "resultat " << prepare_privileges(true, 0x2F8) << '\n';
            ecrit_ids(o);
            o << "permis " << acces_direct_permis() << '\n';
            o << "accordes " << port_accorde(0x278) << port_accorde(0x378) << port_accorde(0x3BC)
              << port_accorde(0x2F8) << port_accorde(0x3E8) << '\n';
            o << "ioperm_apres " << obtient_acces_port(0x3E8) << '\n';
            o << "retour_root "
              << (setresuid(static_cast<uid_t>(-1), 0, static_cast<uid_t>(-1)) == 0) << '\n';
            Backend_direct d;
            o << "ouvre_378 " << d.ouvre(0x378) << '\n';
            o << "ouvre_3E8 " << d.ouvre(0x3E8) << '\n';
            o << "messages " << messages_du_fils << '\n';
        });
        ASSERT_TRUE(WIFEXITED(r.statut));
        EXPECT_EQ(r["resultat"], "0") << r["messages"];
        EXPECT_EQ(r["uid"], "65534,65534,65534");
        EXPECT_EQ(r["gid"], "65534,65534,65534");
        EXPECT_EQ(r["groupes"], c.attendus);
        EXPECT_EQ(r["permis"], "1");
        EXPECT_EQ(r["ioperm_apres"], "0");
        EXPECT_EQ(r["retour_root"], "0");
        EXPECT_EQ(r["ouvre_3E8"], "0");
        EXPECT_NE(r["messages"].find("Accès refusé au port parallèle 3E8 : "), std::string::npos);
        if (ioperm_ok) {
            EXPECT_EQ(r["accordes"], "11110");
            EXPECT_EQ(r["ouvre_378"], "1"); // granted before the drop: no root needed now
        } else {
            EXPECT_EQ(r["accordes"], "00000");
            EXPECT_EQ(r["ouvre_378"], "0");
        }
    }
}

#if defined(__i386__) || defined(__x86_64__)
// Only the data and status registers are opened (not the control register, nor the VGA registers
// that follow 0x3BC), and a child that gives the permissions up before exec has none left.
TEST_F(Acces, seuls_les_registres_du_pilote_et_rien_apres_abandon) {
    if (geteuid() != 0 || !ioperm_disponible()) GTEST_SKIP() << "needs root and ioperm";
    // How a grandchild reading port ends: 0 when it could, else the signal that stopped it.
    auto lit_port = [](unsigned short port, bool abandonne) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (abandonne) abandonne_acces_ports();
            (void)inb(port);
            _exit(0);
        }
        int statut = 0;
        waitpid(pid, &statut, 0);
        return WIFSIGNALED(statut) ? WTERMSIG(statut) : 0;
    };
    Rapport r = dans_un_fils([&lit_port](std::ostream& o) {
        o << "accorde " << obtient_acces_port(0x3BC) << '\n';
        o << "donnee " << lit_port(0x3BC, false) << '\n';
        o << "etat " << lit_port(0x3BD, false) << '\n';
        o << "controle " << lit_port(0x3BE, false) << '\n';
        o << "vga " << lit_port(0x3C0, false) << '\n';
        o << "apres_abandon " << lit_port(0x3BD, true) << '\n';
    });
    EXPECT_EQ(r["accorde"], "1");
    EXPECT_EQ(r["donnee"], "0");
    EXPECT_EQ(r["etat"], "0");
    EXPECT_EQ(r["controle"], std::to_string(SIGSEGV));
    EXPECT_EQ(r["vga"], std::to_string(SIGSEGV));
    EXPECT_EQ(r["apres_abandon"], std::to_string(SIGSEGV));
}
#endif

// The other ways to start: only ids that root is in are changed, and ports only asked as root.
TEST_F(Acces, prepare_privileges_selon_les_identites_de_depart) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    struct Cas {
        const char* nom;
        uid_t u[3];
        gid_t g[3];
        bool acces_direct;
        const char *uid, *gid, *permis;
    };
    const uid_t P = PERSONNE;
    const Cas cas[] = {
        {"set-UID sans accès direct",
         {P, 0, 0},
         {P, P, P},
         false,
         "65534,65534,65534",
         "65534,65534,65534",
         "1"},
        {"root sauvegardé seulement",
         {P, P, 0},
         {P, P, 0},
         true,
         "65534,65534,65534",
         "65534,65534,65534",
         "0"},
        {"utilisateur ordinaire",
         {P, P, P},
         {P, P, P},
         true,
         "65534,65534,65534",
         "65534,65534,65534",
         "0"},
        {"root réel", {0, 0, 0}, {0, 0, 0}, true, "0,0,0", "0,0,0", "1"},
    };
    for (const Cas& c : cas) {
        Rapport r = dans_un_fils([&c](std::ostream& o) {
            if (setresgid(c.g[0], c.g[1], c.g[2]) != 0 || setresuid(c.u[0], c.u[1], c.u[2]) != 0)
                return;
            o << "resultat " << prepare_privileges(c.acces_direct, 0x378) << '\n';
            ecrit_ids(o);
            o << "permis " << acces_direct_permis() << '\n';
            o << "accorde " << port_accorde(0x378) << '\n';
        });
        EXPECT_EQ(r["resultat"], "0") << c.nom;
        EXPECT_EQ(r["uid"], c.uid) << c.nom;
        EXPECT_EQ(r["gid"], c.gid) << c.nom;
        EXPECT_EQ(r["permis"], c.permis) << c.nom;
        if (std::string(c.uid) != "0,0,0" || !ioperm_disponible()) {
            EXPECT_EQ(r["accorde"], "0") << c.nom;
        }
    }
}

TEST_F(Acces, ppdev_peripherique_absent) {
    test::Repertoire_temp rep;
    const std::string chemin = rep.fichier("parport9");
    installe_backend(std::make_unique<Backend_ppdev>(chemin));
    c_u = brochage_korval;
    init_port();
    EXPECT_FALSE(backend().ouvert());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].texte,
              "Le port parallèle " + chemin +
                  " n'existe pas : chargez le module ppdev (modprobe ppdev) ou choisissez un "
                  "autre port");
    EXPECT_EQ(messages.messages()[0].fin, 0);
    data_a_1();
    Power_on();
    EXPECT_EQ(backend().lit_etat(), 0xFF);
    EXPECT_EQ(get_b_data(), 0);
    init_port(); // each new attempt tells again
    EXPECT_EQ(messages.messages().size(), 2u);
}

TEST_F(Acces, ppdev_fichier_qui_n_est_pas_un_port) {
    test::Repertoire_temp rep;
    const std::string fichier = rep.fichier("parport0");
    test::ecrit_fichier(fichier, "pas un port");
    for (const std::string& chemin : {fichier, std::string("/dev/null")}) {
        messages.vide();
        const int avant = nb_descripteurs();
        {
            Backend_ppdev b(chemin);
            EXPECT_FALSE(b.ouvre(0x378));
            EXPECT_FALSE(b.ouvert());
            b.ecrit_donnee(0x55);
            EXPECT_EQ(b.lit_etat(), 0xFF);
            b.ferme();
        }
        EXPECT_EQ(nb_descripteurs(), avant) << chemin << " left open";
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_EQ(messages.messages()[0].texte.rfind(chemin + " n'est pas un port parallèle", 0),
                  0u)
            << messages.messages()[0].texte;
    }
    EXPECT_EQ(test::lit_fichier(fichier), "pas un port");
}

TEST_F(Acces, ppdev_sans_permission_parle_du_groupe_lp) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    test::Repertoire_temp rep;
    const std::string chemin = rep.fichier("parport0");
    test::ecrit_fichier(chemin, "");
    chmod(chemin.c_str(), 0600);
    Rapport r = dans_un_fils([&chemin](std::ostream& o) {
        if (!devient_personne()) return;
        capte_messages();
        Backend_ppdev b(chemin);
        o << "ouvre " << b.ouvre(0) << '\n';
        o << "messages " << messages_du_fils << '\n';
    });
    EXPECT_EQ(r["ouvre"], "0");
    EXPECT_EQ(r["messages"], "Accès refusé à " + chemin +
                                 " : l'utilisateur doit être dans le groupe lp (puis se "
                                 "reconnecter) | ");
}
