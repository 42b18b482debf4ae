// SPDX-License-Identifier: GPL-2.0-or-later
// Texts of the modify dialog, both ways.
#include "vue/texte_modification.h"

#include <gtest/gtest.h>

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
