// SPDX-License-Identifier: GPL-2.0-or-later
// The device list's groups and the status line of the graphical program.
#include "core/etat.h"
#include "vue/bilan_operation.h"
#include "vue/groupes_composants.h"

#include <gtest/gtest.h>

namespace {

Desc_PIC composant(int algo, int taille_prog, int taille_donnee) {
    Desc_PIC p;
    p.nom = "X";
    p.algo = algo;
    p.taille_prog = taille_prog;
    p.taille_donnee = taille_donnee;
    return p;
}

} // namespace

TEST(Groupes_composants, un_groupe_par_genre) {
    const struct {
        int algo;
        const char* groupe;
    } cas[] = {{1, "PIC flash"},         {2, "PIC 14 bits EPROM/OTP"},
               {3, "PIC 12 bits"},       {4, "PIC flash"},
               {5, "PIC flash"},         {6, "PIC flash"},
               {-1, "EEPROM I2C"},       {-2, "EEPROM I2C"},
               {-3, "EEPROM Microwire"}, {-4, "EEPROM SPI"},
               {-9, "Autres"},           {42, "Autres"}};
    for (const auto& c : cas)
        EXPECT_STREQ(groupes_composants[groupe_composant(composant(c.algo, 0, 0))], c.groupe)
            << c.algo;
}

TEST(Bilan_operation, zones_et_plages_des_reglages) {
    remise_a_zero_etat();
    le_prog_enable = le_data_enable = le_config_enable = 1;
    le_prog_deb = le_data_deb = 0;
    le_prog_fin = le_data_fin = 0xFFFF;
    Memoire_PIC m;
    m.config = 0x3FF1;
    m.config_definie = true;
    const Desc_PIC pic = composant(1, 1024, 64);
    EXPECT_EQ(texte_bilan(Operation_faite::ecriture, pic, m),
              "Écrit et vérifié : 1024 mots, 64 octets, configuration 3FF1");
    m.config_definie = false; // a word nobody gave is not written, but is read
    EXPECT_EQ(texte_bilan(Operation_faite::ecriture, pic, m),
              "Écrit et vérifié : 1024 mots, 64 octets");
    EXPECT_EQ(texte_bilan(Operation_faite::lecture, pic, m),
              "Relu : 1024 mots, 64 octets, configuration 3FF1");
    le_prog_deb = 1023;
    le_data_enable = 0;
    EXPECT_EQ(texte_bilan(Operation_faite::lecture, composant(-1, 0, 1), m), "Relu");
    EXPECT_EQ(texte_bilan(Operation_faite::lecture, pic, m), "Relu : 1 mot, configuration 3FF1");
    le_data_enable = 1;
    EXPECT_EQ(texte_bilan(Operation_faite::lecture, composant(-1, 0, 1), m), "Relu : 1 octet");
    EXPECT_EQ(texte_bilan(Operation_faite::effacement, pic, m), "Effacé et vérifié vierge");
    EXPECT_EQ(texte_secondes(11.04), "11,0 s");
    EXPECT_EQ(texte_secondes(0.26), "0,3 s");
    remise_a_zero_etat();
}
