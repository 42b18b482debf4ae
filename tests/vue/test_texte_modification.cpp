// SPDX-License-Identifier: GPL-2.0-or-later
// Texts of the modify dialog, both ways.
#include "vue/texte_modification.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(Modification_textes, adresse_hexadecimale_lue_jusqu_ou_vont_ses_chiffres) {
    EXPECT_EQ(lit_adresse_modif("0010"), 16);
    EXPECT_EQ(lit_adresse_modif("3ff"), 0x3FF);
    EXPECT_EQ(lit_adresse_modif("1G"), 1);
    EXPECT_EQ(lit_adresse_modif("FFFF"), 0xFFFF);
    EXPECT_FALSE(lit_adresse_modif(""));
    EXPECT_FALSE(lit_adresse_modif("G1"));
    EXPECT_FALSE(lit_adresse_modif(" 10"));
    EXPECT_FALSE(lit_adresse_modif("-1"));
}

TEST(Modification_textes, valeur_affichee_dans_les_trois_bases) {
    EXPECT_EQ(texte_valeur_modif(0x2805, 0, false), "2805");
    EXPECT_EQ(texte_valeur_modif(7, 0, true), "07");
    EXPECT_EQ(texte_valeur_modif(7, 1, true), "00000111");
    EXPECT_EQ(texte_valeur_modif(0x3FFF, 1, false), "0011111111111111");
    EXPECT_EQ(texte_valeur_modif(7, 2, true), "7");
    EXPECT_EQ(texte_valeur_modif(0xFFFF, 2, false), "65535");
    EXPECT_EQ(texte_valeur_modif(5, 7, true), "00000101"); // any other base shows binary
}

TEST(Modification_textes, valeur_tapee_dans_les_trois_bases) {
    EXPECT_EQ(lit_valeur_modif("3FFF", 0), 0x3FFFu);
    EXPECT_EQ(lit_valeur_modif("ff1", 0), 0xFF1u);
    EXPECT_EQ(lit_valeur_modif("-1", 0), 0xFFFFFFFFu);
    EXPECT_EQ(lit_valeur_modif("12Z", 0), 0x12u);
    EXPECT_FALSE(lit_valeur_modif("Z", 0));
    EXPECT_EQ(lit_valeur_modif("16383", 2), 16383u);
    EXPECT_EQ(lit_valeur_modif("-2", 2), 0xFFFFFFFEu);
    EXPECT_EQ(lit_valeur_modif("12A", 2), 12u);
    EXPECT_FALSE(lit_valeur_modif("A", 2));
    EXPECT_EQ(lit_valeur_modif("101", 1), 5u);
    EXPECT_EQ(lit_valeur_modif("1", 1), 1u);
    EXPECT_EQ(lit_valeur_modif("0000000000000001", 1), 1u);
    EXPECT_EQ(lit_valeur_modif("1000000000000000", 1), 0x8000u);
    // Every character counts by the lowest bit of its code minus 48: "3" is 1, "a" (97) is 1,
    // "b" (98) is 0.
    EXPECT_EQ(lit_valeur_modif("3ab", 1), 6u);
}

// Layouts as the shipped catalogue gives them: a 12-bit core with "0" and "-" bits, parts with a
// second word, and PIC16F84X whose family has a second line but whose algorithm has one word.
TEST(Modification_textes, mots_de_configuration_par_adresse_largeur_et_bits) {
    std::istringstream catalogue(
        "1  CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 PWRTE/ WDTE FOSC1 FOSC0\n"
        "16 0 0 - - - - - - - MCLRE CP0 WDTE FOSC1 FOSC0\n"
        "18.2 0 0 0 WRT WRT x 0 0 0 0 0 0 0 0\n"
        "20.2 LVP DEB/ 0 x x x 0 0 0 x 0 0 WRT WRT\n"
        "PIC16F84 1024 64 1 1 0 1 0\nPIC12C508 512 0 16 3 0 1 1\nPIC16F886 8192 256 18 8 1 1 0\n"
        "PIC16F1827 4096 256 20 10 0 1 0\nPIC16F84X 1024 64 18 1 0 1 0\n24C16 0 2048 31 -1 0 1 "
        "0\n");
    lire_catalogue(catalogue, "test");
    const struct {
        const char* pic;
        int adresse;
        int mot; // 0: no configuration word there
        uint32_t tape;
        uint16_t stocke;
    } cas[] = {
        {"PIC16F84", 0x2007, 1, 0xC123, 0x0123},
        {"PIC16F84", 0x2008, 0, 0, 0},
        {"PIC12C508", 0x0FFF, 1, 0xF00A, 0x0FEA},
        {"PIC12C508", 0x2007, 0, 0, 0},
        {"PIC16F886", 0x2007, 1, 0xFFFF, 0x3FFF},
        {"PIC16F886", 0x2008, 2, 0xFFFF, 0x0700},
        {"PIC16F886", 0x2009, 0, 0, 0},
        {"PIC16F1827", 0x8008, 2, 0x1FFC, 0x1710},
        {"PIC16F1827", 0x2007, 0, 0, 0},
        {"PIC16F84X", 0x2008, 0, 0, 0},
        {"24C16", 0x2007, 0, 0, 0},
    };
    for (const auto& c : cas) {
        const Desc_PIC& p = tab_pic.at(static_cast<std::size_t>(cherche_pic(c.pic)));
        EXPECT_EQ(mot_config_adresse(p, c.adresse), c.mot) << c.pic << " " << c.adresse;
        if (c.mot != 0) {
            EXPECT_EQ(mot_config_modif(c.tape, p, c.mot), c.stocke) << c.pic;
        }
    }
}
