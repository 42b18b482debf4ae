// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"

#include "core/memoire.h"
#include "core/messages.h"

namespace {

using Messages = test::Etat_propre;

TEST_F(Messages, gestion_bar_donne_fraction_et_legende) {
    std::vector<std::tuple<float, std::string, int>> vus;
    installe_puits_progression([&](float f, const char* l, int k) { vus.emplace_back(f, l, k); });
    gestion_bar(50, 100, 3);
    gestion_bar(1, 3, 0);
    gestion_bar(10, 10, 1);
    gestion_bar(7, 0, 2);
    ASSERT_EQ(vus.size(), 4u);
    EXPECT_EQ(vus[0], std::make_tuple(0.5f, std::string("Lecture des données"), 3));
    EXPECT_FLOAT_EQ(std::get<0>(vus[1]), 1.0f / 3.0f);
    EXPECT_EQ(std::get<1>(vus[1]), "Ecriture du programme");
    EXPECT_EQ(std::get<1>(vus[2]), "Lecture du programme");
    EXPECT_EQ(std::get<1>(vus[3]), "Ecriture des données");
    EXPECT_EQ(std::get<0>(vus[3]), 0.0f);
}

TEST_F(Messages, le_puits_installe_recoit_les_messages) {
    {
        test::Enregistreur_messages r;
        message_erreur("Un", 0);
        message_erreur("Deux", 1);
        ASSERT_EQ(r.messages().size(), 2u);
        EXPECT_EQ(r.messages()[1].texte, "Deux");
        EXPECT_EQ(r.messages()[1].fin, 1);
    }
    testing::internal::CaptureStderr();
    message_erreur("Par défaut", 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Par défaut\n");
}

TEST(Memoire, image_vierge) {
    Memoire_PIC m;
    EXPECT_EQ(m.prog.size(), static_cast<std::size_t>(TAILLE_PROG_MAX));
    EXPECT_EQ(m.donnee.size(), 131072u);
    EXPECT_EQ(m.prog[0], 0xFFFF);
    EXPECT_EQ(m.prog[8191], 0xFFFF);
    EXPECT_EQ(m.donnee[131071], 0xFF);
    EXPECT_EQ(m.config, 0x3FFF);
    for (uint8_t v : m.id) EXPECT_EQ(v, 0xFF);
    EXPECT_EQ(Memoire_PIC(0x03FF).config, 0x03FF);
}

} // namespace
