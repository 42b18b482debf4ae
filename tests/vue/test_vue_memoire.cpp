// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/catalogue.h"
#include "core/memoire.h"
#include "vue/edition_config.h"
#include "vue/formats.h"
#include "vue/vue_memoire.h"

#include <gtest/gtest.h>

namespace {

Fusibles famille(std::initializer_list<std::pair<Num_fuse, uint32_t>> masques) {
    Fusibles f;
    for (auto [n, m] : masques) f.masque[n] = m;
    return f;
}

Desc_PIC eeprom(int algo, int taille) {
    Desc_PIC p;
    p.nom = "93C46";
    p.algo = algo;
    p.taille_donnee = taille;
    return p;
}

} // namespace

TEST(Formats, binaire_et_decimal_a_largeur_fixe) {
    EXPECT_EQ(ui2Bin(5, 8), "00000101");
    EXPECT_EQ(ui2Bin(0x8001, 16), "1000000000000001");
    EXPECT_EQ(ui2Bin(0x3FFF, 14), "11111111111111");
    EXPECT_EQ(ui2Bin(0x10005, 4), "0101"); // only the low 16 bits count
    EXPECT_EQ(ui2Bin(0xFFFF, 18), "001111111111111111");
    EXPECT_EQ(ui2Dec(7, 3), "007");
    EXPECT_EQ(ui2Dec(255, 3), "255");
    EXPECT_EQ(ui2Dec(0, 1), "0");
    EXPECT_EQ(ui2Dec(1000, 3), ""); // too long for the field
    EXPECT_EQ(ui2Dec(0x10007, 5), "00007");
    char buf[9];
    EXPECT_STREQ(ui2Bin(3, buf, 2), "11");
    EXPECT_STREQ(ui2Dec(42, buf, 4), "0042");
}

TEST(Vue_memoire, programme_huit_mots_par_ligne_en_couleurs_alternees) {
    Memoire_PIC m;
    for (int i = 0; i < 16; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>(0x2800 + i);
    const auto l = lignes_programme(m, 16);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0].texte, "0000: 2800 2801 2802 2803 2804 2805 2806 2807 \n");
    EXPECT_FALSE(l[0].rouge);
    EXPECT_EQ(l[1].texte, "0008: 2808 2809 280A 280B 280C 280D 280E 280F \n");
    EXPECT_TRUE(l[1].rouge);
    EXPECT_TRUE(lignes_programme(m, 0).empty());
    // A size that is not a multiple of 8 ends with a shorter line.
    const auto c = lignes_programme(m, 10);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].texte, "0008: 2808 2809 \n");
    // The whole program buffer: 2048 lines, the last one at 3FF8, blank words FFFF.
    const auto tout = lignes_programme(m, TAILLE_PROG_MAX);
    ASSERT_EQ(tout.size(), 2048u);
    EXPECT_EQ(tout.back().texte, "3FF8: FFFF FFFF FFFF FFFF FFFF FFFF FFFF FFFF \n");
    EXPECT_TRUE(tout.back().rouge);
}

TEST(Vue_memoire, donnees_dans_les_trois_bases) {
    Memoire_PIC m;
    for (int i = 0; i < 32; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 8 + 7);
    m.donnee[1] = 255;
    const auto hexa = lignes_donnees(m, 32, 0);
    ASSERT_EQ(hexa.size(), 2u);
    EXPECT_EQ(hexa[0].texte, "0000: 07 FF 17 1F 27 2F 37 3F 47 4F 57 5F 67 6F 77 7F \n");
    EXPECT_EQ(hexa[1].texte.substr(0, 9), "0010: 87 ");
    const auto dec = lignes_donnees(m, 32, 2);
    ASSERT_EQ(dec.size(), 4u);
    EXPECT_EQ(dec[0].texte, "0000: 007 255 023 031 039 047 055 063 \n");
    EXPECT_EQ(dec[1].texte.substr(0, 6), "0008: ");
    EXPECT_EQ(dec[2].texte.substr(0, 6), "0010: ");
    EXPECT_FALSE(dec[2].rouge);
    EXPECT_TRUE(dec[3].rouge);
    const auto bin = lignes_donnees(m, 8, 1);
    ASSERT_EQ(bin.size(), 2u);
    EXPECT_EQ(bin[0].texte, "0000: 00000111 11111111 00010111 00011111 \n");
    EXPECT_EQ(bin[1].texte.substr(0, 6), "0004: ");
    // Every base other than 0 and 2 is binary.
    EXPECT_EQ(lignes_donnees(m, 8, 7)[0].texte, bin[0].texte);
    EXPECT_TRUE(lignes_donnees(m, 0, 0).empty());
}

TEST(Vue_memoire, adresses_au_dela_de_64_ko) {
    Memoire_PIC m;
    const auto l = lignes_donnees(m, TAILLE_DONNEE_MAX, 0);
    ASSERT_EQ(l.size(), 8192u);
    EXPECT_EQ(l[4095].texte.substr(0, 6), "FFF0: ");
    EXPECT_EQ(l[4096].texte.substr(0, 7), "10000: ");
    EXPECT_EQ(l.back().texte.substr(0, 7), "1FFF0: ");
    // A size beyond the image's buffer stops at the buffer.
    EXPECT_EQ(lignes_donnees(m, TAILLE_DONNEE_MAX + 64, 0).size(), 8192u);
}

TEST(Vue_memoire, description_des_eeprom) {
    EXPECT_EQ(description_eeprom(eeprom(-3, 128)),
              "EEPROM 93C46\nMemoire : 128 octets\nPROTOCOLE : Série");
    const std::string debut = "EEPROM 93C46\nMemoire : 256 octets\nPROTOCOLE : ";
    EXPECT_EQ(description_eeprom(eeprom(-1, 256)), debut + "I2C");
    EXPECT_EQ(description_eeprom(eeprom(-2, 256)), debut + "I2C");
    EXPECT_EQ(description_eeprom(eeprom(0, 256)), debut + "I2C");
    EXPECT_EQ(description_eeprom(eeprom(-4, 256)), debut + "SPI");
    EXPECT_EQ(description_eeprom(eeprom(-5, 256)), debut);
}

TEST(Vue_memoire, cases_des_fusibles_et_oscillateur) {
    const Fusibles f = famille({{F_CP0, 0x0010},
                                {F_PWRTE_, 0x0008},
                                {F_WDTE, 0x0004},
                                {F_FOSC1, 0x0002},
                                {F_FOSC0, 0x0001}});
    auto e = etats_cases(0x3FFF, f);
    EXPECT_TRUE(e[0].visible);   // CP0
    EXPECT_FALSE(e[0].cochee);   // bit at 1: not protected
    EXPECT_FALSE(e[5].cochee);   // PWRTE/ at 1: timer off
    EXPECT_TRUE(e[3].cochee);    // WDTE at 1: on
    EXPECT_FALSE(e[1].visible);  // no CP1 in the family
    EXPECT_FALSE(e[12].visible); // no MCLRE
    e = etats_cases(0x3FE3, f);
    EXPECT_TRUE(e[0].cochee);
    EXPECT_TRUE(e[5].cochee);
    EXPECT_FALSE(e[3].cochee);

    EXPECT_EQ(texte_oscillateur(0x3FFC, f), "LP");
    EXPECT_EQ(texte_oscillateur(0x3FFD, f), "XT");
    EXPECT_EQ(texte_oscillateur(0x3FFF, f), "RC");
    Fusibles f2 = f;
    f2.masque[F_FOSC2] = 0x0004;
    EXPECT_EQ(texte_oscillateur(0x3FFB, f2), "Invalide");
    EXPECT_EQ(texte_oscillateur(0x3FFD, f2), "INTRC/CLKOUT");
    EXPECT_EQ(texte_oscillateur(0x3FFF, f2), "EXTRC/CLKOUT");
    // Masks above the low bits give values above 7: no text.
    const Fusibles haut = famille({{F_FOSC0, 0x0010}});
    EXPECT_EQ(texte_oscillateur(0x3FFF, haut), std::nullopt);
}

TEST(Vue_memoire, mot_de_configuration_normalise_et_ID) {
    const Fusibles f = famille({{F_ZERO, 0x3000}, {F_TIRET, 0x0380}});
    EXPECT_EQ(normalise_config(0x3C00, f), 0x0F80);
    EXPECT_EQ(normalise_config(0x0000, f), 0x0380);
    EXPECT_EQ(normalise_config(0x1234, Fusibles{}), 0x1234);
    const uint8_t id[4] = {1, 2, 255, 160};
    EXPECT_EQ(texte_ID(id), "0102FFA0");
}

TEST(Edition_config, cases_cochees_et_decochees) {
    const Fusibles f = famille({{F_CP0, 0x0010}, {F_MCLRE, 0x0020}, {F_CP1, 0x2020 << 0}});
    EXPECT_EQ(applique_case(0x3FEF, 0, false, f), 0x3FFF); // untick CP0 sets bit 4
    EXPECT_EQ(applique_case(0x3FFF, 0, true, f), 0x3FEF);
    EXPECT_EQ(applique_case(0x0000, 12, true, f), 0x0020); // MCLRE on: bit set
    EXPECT_EQ(applique_case(0x3FFF, 12, false, f), 0x3FDF);
    EXPECT_EQ(applique_case(0x3FFF, 1, true, f), 0x1FDF); // a two-place mask as a whole
    EXPECT_EQ(applique_case(0x1234, 14, true, f), 0x1234);
    EXPECT_EQ(applique_case(0x1234, -1, true, f), 0x1234);
    // Ticking then reading back through the view gives the same box state.
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        Fusibles g;
        g.masque[fusible_de_case[i]] = 0x0100;
        for (bool coche : {false, true})
            EXPECT_EQ(
                etats_cases(applique_case(0x2AAA, i, coche, g), g)[static_cast<std::size_t>(i)]
                    .cochee,
                coche)
                << "case " << i;
    }
}

TEST(Edition_config, choix_de_l_oscillateur) {
    const Fusibles sans = famille({{F_FOSC1, 2}, {F_FOSC0, 1}});
    const Fusibles avec = famille({{F_FOSC2, 4}, {F_FOSC1, 2}, {F_FOSC0, 1}});
    EXPECT_EQ(applique_oscillateur(0x3FFF, "LP", sans), 0x3FFC);
    EXPECT_EQ(applique_oscillateur(0x3FFC, "HS", sans), 0x3FFE);
    EXPECT_EQ(applique_oscillateur(0x3FFC, "RC", sans), 0x3FFF);
    EXPECT_EQ(applique_oscillateur(0x3FFC, "INTRC/GP4", sans), 0x3FFC);
    EXPECT_EQ(applique_oscillateur(0x3FF8, "INTRC/CLKOUT", avec), 0x3FFD);
    EXPECT_EQ(applique_oscillateur(0x3FFD, "XT", avec), 0x3FF9);
    EXPECT_EQ(applique_oscillateur(0x3FFF, "nimporte", avec), 0x3FFB); // bit 2 cleared
    EXPECT_EQ(applique_oscillateur(0x3FF8, "EXTRC/CLKOUT", avec), 0x3FFF);
    EXPECT_EQ(liste_oscillateur(sans), (std::vector<std::string>{"LP", "XT", "HS", "RC"}));
    const auto l = liste_oscillateur(avec);
    ASSERT_EQ(l.size(), 8u);
    // The position in the list is the value that the view shows for the same text.
    for (std::size_t v = 0; v < l.size(); ++v)
        EXPECT_EQ(texte_oscillateur(static_cast<uint16_t>(0x3FF8 | v), avec), l[v]);
}

TEST(Edition_config, lecture_de_l_ID) {
    uint8_t id[4] = {9, 9, 9, 9};
    lit_ID("0102FFA0", id);
    EXPECT_EQ(id[0], 0x01);
    EXPECT_EQ(id[1], 0x02);
    EXPECT_EQ(id[2], 0xFF);
    EXPECT_EQ(id[3], 0xA0);
    lit_ID("ABC", id);
    EXPECT_EQ(id[0], 0xAB);
    EXPECT_EQ(id[1], 0xC0);
    EXPECT_EQ(id[2], 0xFF); // no pair: unchanged
    EXPECT_EQ(id[3], 0xA0);
    lit_ID("1Gzz0f", id);
    EXPECT_EQ(id[0], 0x01); // read as far as its digits go
    EXPECT_EQ(id[1], 0xC0); // no digit: unchanged
    EXPECT_EQ(id[2], 0x0F);
    lit_ID("", id);
    EXPECT_EQ(id[0], 0x01);
}

TEST(Resume, configuration_d_un_pic_et_description_d_une_eeprom) {
    tab_fuses = {};
    tab_fuses[1].masque[F_CP0] = 0x3FF0;
    tab_fuses[1].masque[F_PWRTE_] = 0x0008;
    tab_fuses[1].masque[F_WDTE] = 0x0004;
    tab_fuses[1].masque[F_FOSC1] = 0x0002;
    tab_fuses[1].masque[F_FOSC0] = 0x0001;
    Desc_PIC p;
    p.nom = "PIC16F84";
    p.algo = 1;
    p.famille = 1;
    Memoire_PIC m;
    m.config = 0x3FF1;
    m.id[0] = 0xA5;
    const auto r = resume_configuration(m, p);
    EXPECT_EQ(r, (std::vector<std::string>{"Configuration : 3FF1", "Type d'horloge : XT",
                                           "Protection CP0 : non", "Chien de garde : non",
                                           "Power Up Timer (PWRTE/) : oui", "ID : A5FFFFFF"}));
    const auto e = resume_configuration(m, eeprom(-4, 512));
    EXPECT_EQ(
        e, (std::vector<std::string>{"EEPROM 93C46", "Memoire : 512 octets", "PROTOCOLE : SPI"}));
    tab_fuses = {};
}

TEST(Edition_config, second_mot_tape_en_hexadecimal) {
    // 16F88x: WRT bits 10..9, bit 8 stored without a box, the others read 0.
    const Fusibles f2 = famille({{F_WRT, 0x0600}, {F_ZERO, 0x38FF}});
    const struct {
        const char* tape;
        std::optional<uint16_t> lu;
    } cas[] = {
        {"3FFF", 0x0700},    {"0", 0x0000},          {" 200 ", 0x0200},
        {"ffff", 0x0700},    {"", std::nullopt},     {"12345", std::nullopt},
        {"G", std::nullopt}, {"0x10", std::nullopt}, {"1 2", std::nullopt},
    };
    for (const auto& c : cas) EXPECT_EQ(lit_config2(c.tape, f2), c.lu) << '"' << c.tape << '"';
}
