// SPDX-License-Identifier: GPL-2.0-or-later
// What the three protocols share: address widths, refusals, progress.
#include "banc_eeprom.h"

#include "core/etat.h"
#include "core/messages.h"
#include "eeprom/eeprom.h"

namespace {

using test_eeprom::Banc;
using test_eeprom::motif;

TEST(Adressage, bits_d_adresse_par_taille) {
    struct Cas {
        int taille, serie, spi;
    };
    for (Cas c : {Cas{64, 7, 8}, Cas{128, 7, 8}, Cas{129, 9, 8}, Cas{256, 9, 8}, Cas{257, 9, 9},
                  Cas{512, 9, 9}, Cas{513, 11, 16}, Cas{1024, 11, 16}, Cas{2048, 11, 16},
                  Cas{65536, 11, 16}}) {
        EXPECT_EQ(bits_adresse_serie(c.taille), c.serie) << c.taille;
        EXPECT_EQ(bits_adresse_SPI(c.taille), c.spi) << c.taille;
    }
}

class Refus : public Banc {};

TEST_F(Refus, trop_grand_pour_l_adressage_ou_aucun_composant) {
    struct Cas {
        const char* nom;
        int taille, algo;
    };
    for (Cas c : {Cas{"24C32X", 4096, -1}, Cas{"24C1024", 131072, -2}, Cas{"93C96", 4096, -3},
                  Cas{"25C1024", 131072, -4}}) {
        SCOPED_TRACE(c.nom);
        journal->vide();
        monte("24C02");
        choisit(c.nom, c.taille, c.algo);
        auto lu = lit(0x55);
        EXPECT_FALSE(lecture_reussie);
        EXPECT_TRUE(std::all_of(lu.begin(), lu.end(), [](uint8_t v) { return v == 0x55; }));
        EXPECT_EQ(ecrit(std::vector<uint8_t>(131072, 0)), -1);
        ASSERT_EQ(textes().size(), 2u);
        EXPECT_NE(textes()[0].find(c.nom), std::string::npos) << textes()[0];
        EXPECT_NE(textes()[0].find(std::to_string(c.taille)), std::string::npos);
        EXPECT_EQ(carte->nb_acces(), 0); // the port was not touched
    }
    // The largest parts of each form are accepted.
    for (Cas c : {Cas{"24C16", 2048, -1}, Cas{"24C512", 65536, -2}, Cas{"93C86", 2048, -3}}) {
        journal->vide();
        monte(c.nom);
        le_data_fin = 0;
        lit();
        EXPECT_TRUE(lecture_reussie) << c.nom;
        EXPECT_TRUE(textes().empty()) << c.nom;
    }

    journal->vide();
    monte("24C02");
    pic_select = -1;
    EXPECT_EQ(Charge_EEPROM_I2C(std::vector<uint8_t>(256).data()), -1);
    EXPECT_EQ(Charge_EEPROM_serie(std::vector<uint8_t>(256).data(), 7), -1);
    EXPECT_EQ(Charge_EEPROM_SPI(std::vector<uint8_t>(256).data(), 8), -1);
    std::vector<uint8_t> tampon(256, 0x55);
    EXPECT_EQ(Lire_EEPROM_I2C(tampon.data()), nullptr);
    EXPECT_EQ(Lire_EEPROM_serie(tampon.data(), 7), nullptr);
    EXPECT_EQ(Lire_EEPROM_SPI(tampon.data(), 8), nullptr);
    EXPECT_EQ(tampon, std::vector<uint8_t>(256, 0x55));
    EXPECT_EQ(textes().size(), 6u);
    EXPECT_EQ(carte->nb_acces(), 0);
}

TEST_F(Refus, largeur_d_adresse_qui_n_atteint_pas_la_puce) {
    monte("93C66");
    EXPECT_EQ(Charge_EEPROM_serie(std::vector<uint8_t>(512).data(), 7), -1);
    monte("25C040");
    EXPECT_EQ(Charge_EEPROM_SPI(std::vector<uint8_t>(512).data(), 8), -1);
    EXPECT_EQ(Charge_EEPROM_SPI(std::vector<uint8_t>(512).data(), 24), -1);
    EXPECT_EQ(textes().size(), 3u);
    EXPECT_EQ(carte->nb_acces(), 0);
}

class Progression : public Banc, public testing::WithParamInterface<const char*> {};

TEST_P(Progression, tous_les_trois_octets_pour_256) {
    monte(GetParam());
    std::vector<std::pair<int, int>> appels;
    std::vector<std::string> legendes;
    installe_puits_progression([&](float f, const char* l, int kind) {
        appels.emplace_back(static_cast<int>(f * 256.0f + 0.5f), kind);
        legendes.push_back(l);
    });
    lit();
    ASSERT_EQ(appels.size(), 85u);
    for (std::size_t i = 0; i < appels.size(); ++i)
        EXPECT_EQ(appels[i], std::make_pair(3 * static_cast<int>(i + 1), 3));
    EXPECT_EQ(legendes.front(), "Lecture des données");
    appels.clear();
    le_data_deb = 100;
    le_data_fin = 110;
    ecrit(std::vector<uint8_t>(256, 0));
    // k = a + 1 for a = 100..110.
    EXPECT_EQ(appels, (std::vector<std::pair<int, int>>{{102, 2}, {105, 2}, {108, 2}, {111, 2}}));
}

INSTANTIATE_TEST_SUITE_P(Protocoles, Progression, testing::Values("24C02", "93C56", "25C020"),
                         [](const auto& i) { return std::string("P") + i.param; });

} // namespace
