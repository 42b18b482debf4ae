// SPDX-License-Identifier: GPL-2.0-or-later
// Classes 2 and 3 models (14-bit and 12-bit EPROM/OTP parts) driven by hand-written command
// sequences: pulse rules, address counter, configuration area, protection, calibration word.
#include "programmateur_test.h"

#include "sim/puces/puce_eprom.h"

#include <set>

namespace {

using test::Programmateur_test;

constexpr int64_t us = 1000;
constexpr int64_t nominale = 100 * us;

class Eprom : public test::Puces {
  protected:
    // The data-sheet loop: pulse and verify up to `essais` times, then `facteur` x N more.
    // Returns N, or -1 when the word never verified.
    static int programme_mot(Programmateur_test& p, unsigned valeur, int essais, int facteur,
                             unsigned masque = 0x3FFF) {
        p.charge(2, valeur);
        for (int n = 1; n <= essais; ++n) {
            p.impulsion(nominale);
            if ((p.lit() & masque) == (valeur & masque)) {
                for (int k = 0; k < facteur * n; ++k) p.impulsion(nominale);
                return n;
            }
        }
        return -1;
    }
    // First program word from `debut` that needs exactly n pulses.
    static int mot_qui_demande(const Puce_eprom& puce, int n, int debut = 1) {
        for (int a = debut; a < puce.description().taille_prog - 1; ++a)
            if (puce.impulsions_necessaires_programme(a) == n) return a;
        ADD_FAILURE() << "no word needs " << n << " pulses";
        return 1;
    }
};

TEST_F(Eprom, les_bits_ne_vont_que_de_1_a_0) {
    Puce_eprom puce(pic("PIC16C74A"));
    Programmateur_test p(puce);
    p.entre();
    p.incremente(1);
    p.charge(2, 0x1234);
    for (int k = 0; k < 8; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x1234u);
    p.charge(2, 0x3FFF);
    for (int k = 0; k < 8; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x1234u) << "a 0 cannot come back to 1";
    p.charge(2, 0x0F0F);
    for (int k = 0; k < 8; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x0204u) << "cell AND latch";
    EXPECT_EQ(puce.nombre_violations(), 0);
}

TEST_F(Eprom, chaque_mot_demande_son_nombre_d_impulsions) {
    Puce_eprom puce(pic("PIC16C74A"));
    for (int n : {1, 2, 3}) {
        SCOPED_TRACE(n);
        int a = mot_qui_demande(puce, n);
        Programmateur_test p(puce);
        p.entre();
        p.incremente(a);
        p.charge(2, 0x0000);
        for (int k = 1; k < n; ++k) p.impulsion(nominale);
        EXPECT_EQ(p.lit(), 0x3FFFu) << "one pulse short";
        p.impulsion(nominale);
        EXPECT_EQ(p.lit(), 0x0000u);
        p.coupe();
    }
}

TEST_F(Eprom, impulsions_courtes_et_longues) {
    Puce_eprom puce(pic("PIC16C74A"));
    int a = mot_qui_demande(puce, 1);
    int b = mot_qui_demande(puce, 2);
    Programmateur_test p(puce);
    p.entre();
    p.incremente(a);
    p.charge(2, 0x0000);
    p.impulsion(85 * us);
    EXPECT_EQ(p.lit(), 0x3FFFu) << "under 90 us: not programmed";
    p.impulsion(20 * us);
    EXPECT_EQ(p.lit(), 0x0000u) << "short pulses add up";
    p.incremente(mot_qui_demande(puce, 1, a + 1) - a);
    p.impulsion(92 * us);
    EXPECT_EQ(p.lit(), 0x0000u) << "from 90 us a pulse counts whole";

    // One 2 ms pulse gives the charge of 20 and is flagged.
    p.sort();
    p.entre();
    p.incremente(b);
    p.charge(2, 0x0000);
    p.impulsion(2000 * us);
    EXPECT_EQ(p.lit(), 0x0000u);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::impulsion_longue), 1);
}

TEST_F(Eprom, impulsion_finie_par_la_commande_suivante_ou_la_sortie) {
    Puce_eprom puce(pic("PIC16C74A"));
    int a = mot_qui_demande(puce, 2);
    Programmateur_test p(puce);
    p.entre();
    p.incremente(a);
    p.charge(2, 0x1111);
    p.commande(8);
    p.attend_us(250);
    EXPECT_TRUE(puce.impulsion_en_cours());
    EXPECT_EQ(p.lit(), 0x1111u) << "the read ended the pulse first";
    EXPECT_FALSE(puce.impulsion_en_cours());

    p.incremente();
    p.charge(2, 0x2222);
    p.commande(8);
    p.attend_us(900);
    p.sort();
    EXPECT_EQ(puce.contenu().programme[static_cast<std::size_t>(a + 1)], 0x2222);
}

TEST_F(Eprom, surprogrammation_enregistree_classe_2) {
    Puce_eprom puce(pic("PIC16C74A"));
    Programmateur_test p(puce);
    p.entre();
    for (int a = 0; a < 24; ++a) {
        SCOPED_TRACE(a);
        unsigned v = 0x0100u + static_cast<unsigned>(a);
        int n = programme_mot(p, v, 25, 3);
        EXPECT_EQ(n, puce.impulsions_necessaires_programme(a));
        const Suivi_impulsions& s = puce.suivi_programme(a);
        EXPECT_EQ(s.valeur, v);
        EXPECT_EQ(s.avant_verification, n);
        EXPECT_EQ(s.apres_verification, 3 * n);
        EXPECT_EQ(s.impulsions, 4 * n);
        p.incremente();
    }
    // A programmer that stops at the first good read leaves no margin.
    p.charge(2, 0x0ABC);
    int n = 0;
    do {
        p.impulsion(nominale);
        ++n;
    } while (p.lit() != 0x0ABCu);
    EXPECT_EQ(puce.suivi_programme(24).avant_verification, n);
    EXPECT_EQ(puce.suivi_programme(24).apres_verification, 0);
}

TEST_F(Eprom, surprogrammation_enregistree_classe_3) {
    Puce_eprom puce(pic("PIC12C509"));
    Programmateur_test p(puce);
    p.entre();
    p.incremente(); // from the config word to 0
    for (int a = 0; a < 16; ++a) {
        SCOPED_TRACE(a);
        int n = programme_mot(p, 0x0A00u + static_cast<unsigned>(a), 8, 11, 0x0FFF);
        ASSERT_GT(n, 0);
        EXPECT_EQ(puce.suivi_programme(a).avant_verification, n);
        EXPECT_EQ(puce.suivi_programme(a).apres_verification, 11 * n);
        p.incremente();
    }
}

TEST_F(Eprom, puce_saine_programmable_en_8_impulsions) {
    Puce_eprom puce(pic("PIC12C509"));
    std::set<int> vus;
    int un = 0;
    for (int a = 0; a < 1024; ++a) {
        int n = puce.impulsions_necessaires_programme(a);
        EXPECT_GE(n, 1);
        EXPECT_LE(n, 8);
        vus.insert(n);
        un += n == 1;
    }
    EXPECT_GT(un, 512) << "most cells take one pulse";
    EXPECT_GE(vus.size(), 4u) << "some need more";
}

TEST_F(Eprom, espace_de_configuration_classe_2) {
    Puce_eprom puce(pic("PIC16C74A"));
    Programmateur_test p(puce);
    p.entre();
    p.charge(0, 0x0000);
    EXPECT_EQ(puce.compteur(), 0x2000);
    EXPECT_EQ(p.lit(), 0x3FFFu) << "Load Configuration does not program";
    EXPECT_GT(programme_mot(p, 0x2ABC, 25, 3), 0) << "IDs keep 14 bits";
    p.incremente(4);
    p.charge(2, 0x0000);
    p.impulsion(nominale);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::ecriture_interdite), 1);
    EXPECT_EQ(p.lit(), 0x3FFFu) << "0x2004 reserved";
    p.incremente(3);
    p.charge(2, 0x3F31); // bit 7 unimplemented on this family: stays 1
    for (int k = 0; k < 100; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x3FB1u | 0x80u);
    EXPECT_EQ(puce.suivi_config().impulsions, 100);
    EXPECT_EQ(puce.contenu().ids[0], 0x2ABC);
}

TEST_F(Eprom, compteur_classe_3) {
    Puce_eprom puce(pic("PIC12C508")); // 512 words: a 10-bit counter
    puce.contenu().programme[0] = 0x0A5A;
    puce.contenu().config = 0x0FEA;
    Programmateur_test p(puce);
    p.entre();
    EXPECT_EQ(puce.compteur(), 0x3FF);
    EXPECT_EQ(p.trame(4), 0x8001u | (0x0FEAu << 1)) << "config first, bits 12-13 read 0";
    p.incremente();
    EXPECT_EQ(puce.compteur(), 0);
    EXPECT_EQ(p.lit(), 0x0A5Au);
    p.incremente(0x3FF);
    EXPECT_EQ(p.lit(), 0x0FEAu) << "back at the config word";
    p.incremente();
    EXPECT_EQ(p.lit(), 0x0A5Au) << "then 0";

    // IDs follow program memory and keep 12 bits.
    p.incremente(0x200);
    EXPECT_GT(programme_mot(p, 0x3ABC, 8, 11, 0x0FFF), 0);
    EXPECT_EQ(puce.contenu().ids[0], 0x0ABC);
    EXPECT_EQ(p.lit(), 0x0ABCu);
    // Reserved area: reads blank, writes ignored and flagged.
    p.incremente(4);
    EXPECT_EQ(p.lit(), 0x0FFFu);
    p.charge(2, 0x0000);
    p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x0FFFu);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::ecriture_interdite), 1);
}

TEST_F(Eprom, config_classe_3_sur_12_bits) {
    Puce_eprom puce(pic("PIC12C508"));
    Programmateur_test p(puce);
    p.entre();
    EXPECT_EQ(p.lit(), 0x0FFFu);
    p.charge(2, 0x0000);
    for (int k = 0; k < 100; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x0FE0u) << "bits 11..5 unimplemented, read 1";
}

TEST_F(Eprom, protection_du_code) {
    Puce_eprom puce(pic("PIC16C74A"));
    puce.contenu().programme[0] = 0x1234;
    puce.contenu().programme[0x7FF] = 0x0001;
    puce.contenu().programme[0x800] = 0x0002;
    puce.contenu().ids[0] = 0x0005;
    Programmateur_test p(puce);
    p.entre();
    p.charge(0, 0x3FFF);
    p.incremente(7);
    p.charge(2, 0x2AEF); // CP 50 %: 0x800-0xFFF
    for (int k = 0; k < 100; ++k) p.impulsion(nominale);
    p.sort();
    p.entre();
    EXPECT_EQ(p.lit(), 0x1234u);
    p.incremente(0x7FF);
    EXPECT_EQ(p.lit(), 0x0001u);
    p.incremente();
    EXPECT_EQ(p.lit(), 0x0000u);
    p.charge(2, 0x0000);
    for (int k = 0; k < 10; ++k) p.impulsion(nominale);
    EXPECT_EQ(puce.contenu().programme[0x800], 0x0002) << "writes blocked";

    p.sort();
    p.entre();
    p.charge(0, 0x3FFF);
    p.incremente(7);
    p.charge(2, 0x00CF); // CP all
    for (int k = 0; k < 100; ++k) p.impulsion(nominale);
    EXPECT_EQ(p.lit(), 0x00CFu) << "config readable";
    p.sort();
    p.entre();
    EXPECT_EQ(p.lit(), 0x0000u);
    p.charge(0, 0x3FFF);
    EXPECT_EQ(p.lit(), 0x0005u) << "IDs readable";

    // Older parts read scrambled words: ~(hi7 ^ lo7) in both halves.
    Options_puce o;
    o.lecture_brouillee = true;
    Puce_eprom ancienne(pic("PIC16C74A"), {}, o);
    ancienne.contenu().programme[0] = 0x1234;
    ancienne.contenu().config = 0x00CF;
    Programmateur_test q(ancienne);
    q.entre();
    EXPECT_EQ(q.lit(), 0x37EFu);
}

TEST_F(Eprom, mot_de_calibration_d_usine) {
    Puce_eprom c508(pic("PIC12C508"));
    int cal = c508.mot_calibration();
    EXPECT_EQ(cal & 0xF03, 0xC00) << "MOVLW k";
    Programmateur_test p(c508);
    p.entre();
    p.incremente(0x200);
    EXPECT_EQ(c508.compteur(), 0x1FF);
    EXPECT_EQ(p.lit(), static_cast<unsigned>(cal));

    Puce_eprom c671(pic("PIC12C671"));
    EXPECT_EQ(c671.mot_calibration() & 0x3F03, 0x3400) << "RETLW k";
    EXPECT_EQ(c671.contenu().programme[0x3FF], c671.mot_calibration());
    // Readable under full code protection.
    c671.contenu().config = 0x009F;
    c671.contenu().programme[0] = 0x1234;
    Programmateur_test q(c671);
    q.entre();
    EXPECT_EQ(q.lit(), 0x0000u);
    q.incremente(0x3FF);
    EXPECT_EQ(q.lit(), static_cast<unsigned>(c671.mot_calibration()));

    Puce_eprom c74(pic("PIC16C74A"));
    EXPECT_EQ(c74.mot_calibration(), -1);
    EXPECT_EQ(c74.contenu().programme.back(), 0x3FFF);

    std::set<int> valeurs;
    for (uint64_t g = 1; g <= 20; ++g) {
        Options_puce o;
        o.graine = g;
        valeurs.insert(Puce_eprom(pic("PIC12C508"), {}, o).mot_calibration());
    }
    EXPECT_GT(valeurs.size(), 1u) << "each chip has its own value";
}

TEST_F(Eprom, pannes_de_la_puce) {
    {
        SCOPED_TRACE("cellule morte");
        Pannes_puce pannes;
        pannes.cellule_morte = true;
        Puce_eprom puce(pic("PIC16C74A"), pannes);
        Programmateur_test p(puce);
        p.entre();
        EXPECT_EQ(programme_mot(p, 0x2805, 25, 3), -1);
        EXPECT_EQ(puce.contenu().programme[Puce_pic::adresse_panne], 0x3FFF);
        p.incremente();
        EXPECT_GT(programme_mot(p, 0x2805, 25, 3), 0);
    }
    {
        SCOPED_TRACE("cellule lente");
        Pannes_puce pannes;
        pannes.cellule_lente = true;
        Puce_eprom c74(pic("PIC16C74A"), pannes);
        Programmateur_test p(c74);
        p.entre();
        EXPECT_EQ(programme_mot(p, 0x2805, 25, 3), Puce_eprom::impulsions_cellule_lente);

        Puce_eprom c508(pic("PIC12C508"), pannes);
        Programmateur_test q(c508);
        q.entre();
        q.incremente();
        EXPECT_EQ(programme_mot(q, 0x0025, 8, 11, 0x0FFF), -1) << "fails the 8-pulse loop";
    }
    {
        SCOPED_TRACE("bit colle");
        Pannes_puce pannes;
        pannes.bit_colle = true;
        Puce_eprom puce(pic("PIC12C508"), pannes);
        Programmateur_test p(puce);
        p.entre();
        EXPECT_EQ(p.lit(), 0x0FFEu);
        p.incremente();
        EXPECT_EQ(p.lit(), 0x0FFEu);
    }
    {
        SCOPED_TRACE("occupee");
        Pannes_puce pannes;
        pannes.occupee = true;
        Puce_eprom puce(pic("PIC16C74A"), pannes);
        Programmateur_test p(puce);
        p.entre();
        p.incremente(3);
        EXPECT_EQ(programme_mot(p, 0x0000, 25, 3), -1);
        EXPECT_EQ(puce.contenu().programme[3], 0x3FFF);
    }
}

} // namespace
