// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"

#include "core/sauvegarde.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Targets that are not a plain file: written to where they are, never replaced; and the errors.
TEST(Sauvegarde, cibles_particulieres) {
    test::Repertoire_temp rep;
    const std::string fifo = rep.fichier("tube");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int lecteur = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(lecteur, 0);
    // A journal the shell opened for appending, reached through the process's fd directory.
    const std::string journal = rep.fichier("journal.txt");
    test::ecrit_fichier(journal, "avant\n");
    const int ajout = ::open(journal.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(ajout, 0);

    struct Cas {
        std::string cible;
        int erreur;
        std::function<std::string()> recu; // what the target holds afterwards
        std::string attendu;
    };
    const Cas cas[] = {
        {fifo, 0,
         [&] {
             char tampon[64] = {};
             const ssize_t n = ::read(lecteur, tampon, sizeof tampon);
             return std::string(tampon, n > 0 ? static_cast<std::size_t>(n) : 0);
         },
         "contenu\n"},
        {"/proc/self/fd/" + std::to_string(ajout), 0, [&] { return test::lit_fichier(journal); },
         "avant\ncontenu\n"},
        {"/dev/full", ENOSPC, nullptr, ""},
        {rep.chemin().string(), EISDIR, nullptr, ""},
        {rep.fichier("absent/fichier"), ENOENT, nullptr, ""},
    };
    for (const Cas& c : cas) {
        EXPECT_EQ(sauvegarde_fichier(c.cible, "contenu\n"), c.erreur) << c.cible;
        if (c.recu) {
            EXPECT_EQ(c.recu(), c.attendu) << c.cible;
        }
    }
    struct stat st;
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ::close(lecteur);
    ::close(ajout);
}

// Piece by piece: the old file stays whole until termine, and a save never finished leaves it
// and no temporary file behind.
TEST(Sauvegarde, progressive_remplace_a_la_fin_ou_jamais) {
    test::Repertoire_temp rep;
    const std::string f = rep.fichier("trace.vcd");
    for (const bool fini : {false, true}) {
        test::ecrit_fichier(f, "ancien\n");
        {
            Sauvegarde_progressive s(f);
            EXPECT_EQ(s.ecrit("nou"), 0);
            EXPECT_EQ(s.ecrit("veau\n"), 0);
            EXPECT_EQ(test::lit_fichier(f), "ancien\n");
            if (fini) {
                EXPECT_EQ(s.termine(), 0);
            }
        }
        EXPECT_EQ(test::lit_fichier(f), fini ? "nouveau\n" : "ancien\n");
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(rep.chemin())) ++n;
        EXPECT_EQ(n, 1);
    }
    // A device is written to as the pieces come; its error is the save's.
    Sauvegarde_progressive plein("/dev/full");
    EXPECT_EQ(plein.ecrit("x"), ENOSPC);
    EXPECT_EQ(plein.termine(), ENOSPC);
}

} // namespace
