// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/progression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Column of the first occurrence of c, counting UTF-8 characters.
std::size_t colonne(const std::string& s, char c) {
    const std::size_t octet = s.find(c);
    return static_cast<std::size_t>(std::count_if(s.begin(), s.begin() + static_cast<long>(octet),
                                                  [](char x) { return (x & 0xC0) != 0x80; }));
}

// An Affichage_progression writing into a temporary file, with a clock the test moves.
struct Banc {
    std::FILE* f = std::tmpfile();
    double maintenant = 0.0;
    Affichage_progression a;
    explicit Banc(bool terminal) : a(f, terminal, [this] { return maintenant; }) {}
    ~Banc() { std::fclose(f); }
    std::string texte() {
        std::fflush(f);
        std::rewind(f);
        std::string t;
        for (int c; (c = std::fgetc(f)) != EOF;) t += static_cast<char>(c);
        return t;
    }
    std::vector<std::string> lignes() {
        std::vector<std::string> l;
        std::string t = texte();
        for (std::size_t d = 0, n; (n = t.find('\n', d)) != std::string::npos; d = n + 1)
            l.push_back(t.substr(d, n - d));
        return l;
    }
};

} // namespace

TEST(Progression, ligne_legende_barre_pourcentage_et_temps) {
    const std::string l = texte_progression("Lecture du programme", 0.5f, 10.0);
    EXPECT_EQ(l.rfind("Lecture du programme", 0), 0u);
    EXPECT_NE(l.find("[" + std::string(15, '#') + std::string(15, '.') + "]"), std::string::npos)
        << l;
    EXPECT_NE(l.find(" 50 %"), std::string::npos) << l;
    EXPECT_NE(l.find("écoulé 0:10"), std::string::npos) << l;
    EXPECT_NE(l.find("restant 0:10"), std::string::npos) << l;

    // A quarter done after 30 s: 90 s to go.
    EXPECT_NE(texte_progression("Ecriture des données", 0.25f, 30.0).find("restant 1:30"),
              std::string::npos);
    const std::string debut = texte_progression("Ecriture du programme", 0.0f, 0.0);
    EXPECT_NE(debut.find("  0 %"), std::string::npos) << debut;
    EXPECT_NE(debut.find("restant -:--"), std::string::npos) << debut;
    const std::string fin = texte_progression("Ecriture du programme", 1.0f, 75.0);
    EXPECT_NE(fin.find("[" + std::string(30, '#') + "] 100 %"), std::string::npos) << fin;
    EXPECT_NE(fin.find("écoulé 1:15  restant 0:00"), std::string::npos) << fin;

    // The bars of the four captions line up, accented letters counting as one column.
    const std::size_t c = colonne(texte_progression("Ecriture du programme", 0.1f, 1.0), '[');
    for (const char* legende :
         {"Lecture du programme", "Ecriture des données", "Lecture des données"})
        EXPECT_EQ(colonne(texte_progression(legende, 0.1f, 1.0), '['), c) << legende;
}

TEST(Progression, temps_en_minutes_ou_en_heures) {
    EXPECT_EQ(texte_temps(0.0), "0:00");
    EXPECT_EQ(texte_temps(59.6), "1:00");
    EXPECT_EQ(texte_temps(605.0), "10:05");
    EXPECT_EQ(texte_temps(3725.0), "1:02:05");
    EXPECT_EQ(texte_temps(-3.0), "0:00");
}

TEST(Progression, hors_terminal_une_ligne_par_zone_a_sa_fin) {
    Banc b(false);
    b.a.avance(0.0f, "Ecriture des données");
    b.maintenant = 2.0;
    b.a.avance(0.5f, "Ecriture des données");
    EXPECT_EQ(b.texte(), ""); // nothing before the area ends
    b.maintenant = 4.0;
    b.a.avance(0.0f, "Ecriture du programme"); // the data area ran to its end
    b.maintenant = 13.0;
    b.a.avance(0.9f, "Ecriture du programme");
    b.a.termine(false); // stopped by a failure: shown where it stopped
    const auto l = b.lignes();
    ASSERT_EQ(l.size(), 2u) << b.texte();
    EXPECT_EQ(l[0].rfind("Ecriture des données", 0), 0u);
    EXPECT_NE(l[0].find("100 %  écoulé 0:04"), std::string::npos) << l[0];
    EXPECT_EQ(l[1].rfind("Ecriture du programme", 0), 0u);
    EXPECT_NE(l[1].find(" 90 %  écoulé 0:09  restant 0:01"), std::string::npos) << l[1];
    EXPECT_EQ(b.texte().find('\r'), std::string::npos);
}

TEST(Progression, hors_terminal_un_message_garde_l_ordre_des_evenements) {
    Banc b(false);
    b.a.avance(0.0f, "Ecriture des données");
    b.a.avance(0.98f, "Ecriture des données");
    b.a.interrompt();
    std::fputs("message\n", b.f);
    b.a.interrompt(); // nothing new since
    b.a.termine(false);
    auto l = b.lignes();
    ASSERT_EQ(l.size(), 2u) << b.texte();
    EXPECT_NE(l[0].find(" 98 %"), std::string::npos) << l[0];
    EXPECT_EQ(l[1], "message");

    // The area goes on after the message: its end gets its own line.
    b.a.avance(0.0f, "Ecriture du programme");
    b.a.avance(0.5f, "Ecriture du programme");
    b.a.interrompt();
    b.a.avance(0.6f, "Ecriture du programme");
    b.a.termine(true);
    l = b.lignes();
    ASSERT_EQ(l.size(), 4u) << b.texte();
    EXPECT_NE(l[2].find(" 50 %"), std::string::npos) << l[2];
    EXPECT_NE(l[3].find("100 %"), std::string::npos) << l[3];
}

TEST(Progression, meme_legende_qui_repart_de_zero_est_une_nouvelle_zone) {
    Banc b(false);
    b.a.avance(0.0f, "Lecture des données");
    b.a.avance(0.7f, "Lecture des données");
    b.a.avance(0.0f, "Lecture des données");
    b.a.avance(0.3f, "Lecture des données");
    b.a.termine(true);
    const auto l = b.lignes();
    ASSERT_EQ(l.size(), 2u) << b.texte();
    EXPECT_NE(l[0].find("100 %"), std::string::npos);
    EXPECT_NE(l[1].find("100 %"), std::string::npos);
    b.a.termine(true); // nothing open any more
    EXPECT_EQ(b.lignes().size(), 2u);
}

TEST(Progression, terminal_redessine_sur_place_et_laisse_passer_les_messages) {
    Banc b(true);
    b.a.avance(0.0f, "Lecture du programme");
    b.a.avance(0.5f, "Lecture du programme");
    b.a.avance(0.5f, "Lecture du programme"); // same text: no redraw
    b.a.interrompt();
    std::fputs("message\n", b.f);
    b.a.avance(0.75f, "Lecture du programme");
    b.a.termine(true);
    b.a.interrompt(); // the line is already ended
    const std::string t = b.texte();
    const auto l = b.lignes();
    ASSERT_EQ(l.size(), 3u) << t;
    // Each state drawn once, over the previous one.
    EXPECT_EQ(std::count(l[0].begin(), l[0].end(), '\r'), 2) << l[0];
    EXPECT_NE(l[0].find("\rLecture du programme   [###############...............]  50 %"),
              std::string::npos)
        << l[0];
    EXPECT_EQ(l[1], "message");
    EXPECT_EQ(l[2].rfind("\rLecture du programme", 0), 0u);
    EXPECT_NE(l[2].find("100 %"), std::string::npos) << l[2];

    // A failure message ends the line; the operation then stops: the line is not drawn again.
    b.a.avance(0.0f, "Lecture des données");
    b.a.avance(0.4f, "Lecture des données");
    b.a.interrompt();
    std::fputs("panne\n", b.f);
    b.a.termine(false);
    const auto fin = b.lignes();
    ASSERT_EQ(fin.size(), 5u) << b.texte();
    EXPECT_NE(fin[3].find(" 40 %"), std::string::npos) << fin[3];
    EXPECT_EQ(fin[4], "panne");
}
