// SPDX-License-Identifier: GPL-2.0-or-later
// Pins of the adapters: the settings' texts, and the line levels that reach each pin.
#include "commun/outils.h"

#include "core/etat.h"
#include "port/cablage_adaptateur.h"

#include <gtest/gtest.h>

namespace {

using Cablage = test::Etat_propre;

TEST_F(Cablage, broches_des_reglages) {
    struct Cas {
        const char* texte;
        bool ftdi;
        bool lue;
        int broche;
        bool inverse;
    };
    const Cas cas[] = {
        {"D4", true, true, 4, false},    {"~D3", true, true, 3, true},
        {"d7", true, true, 7, false},    {"D8", true, false, -1, false},
        {"4", true, false, -1, false},   {"~", true, false, -1, false},
        {"17", false, true, 17, false},  {"~23", false, true, 23, true},
        {"D4", false, false, -1, false}, {"-1", false, false, -1, false},
        {"", false, false, -1, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.texte);
        Broche_adaptateur b;
        EXPECT_EQ(lit_broche(c.texte, c.ftdi, b), c.lue);
        EXPECT_EQ(b.broche, c.broche);
        EXPECT_EQ(b.inverse, c.inverse);
        if (c.lue) {
            EXPECT_EQ(texte_broche(b, c.ftdi), c.texte[0] == 'd' ? "D7" : c.texte);
        }
    }
}

TEST_F(Cablage, reglage_incorrect_nomme_sa_cle) {
    test::Enregistreur_messages messages;
    broches_conf[L_VCC] = "D9";
    Cablage_adaptateur c;
    EXPECT_FALSE(cablage_des_reglages(true, c));
    ASSERT_FALSE(messages.messages().empty());
    EXPECT_EQ(messages.messages().back().texte,
              "Réglage _VCC_BROCHE : « D9 » n'est pas une broche de l'adaptateur ftdi (D0 à D7, ~ "
              "devant pour inverser)");
    broches_conf[L_VCC] = "~D6";
    ASSERT_TRUE(cablage_des_reglages(true, c));
    EXPECT_EQ(c.lignes[L_VCC].broche, 6);
    EXPECT_EQ(c.lignes[L_CLK], cablage_ftdi_defaut.lignes[L_CLK]);
}

// KORVAL preset (every line active low): a register at rest puts the supplies' pins high; an
// inverted pin turns its level over; DATA_IN's pin comes back as the status bits of c_u.
TEST_F(Cablage, niveaux_des_broches) {
    c_u = brochage_korval;
    Cablage_adaptateur c = cablage_ftdi_defaut;
    EXPECT_EQ(broches_ftdi(0xFF, c), 0x7F); // every output pin high, D7 input
    EXPECT_EQ(broches_ftdi(static_cast<uint8_t>(~0x04), c), 0x7B); // VCC bit low: D2 low
    c.lignes[L_VCC].inverse = true;
    EXPECT_EQ(broches_ftdi(0xFF, c), 0x7B);
    EXPECT_EQ(etat_pour_entree(true, c), 0xFF);
    EXPECT_EQ(etat_pour_entree(false, c), 0xBF);
    c.lignes[L_DATA_IN].inverse = true;
    EXPECT_EQ(etat_pour_entree(true, c), 0xBF);
}

} // namespace
