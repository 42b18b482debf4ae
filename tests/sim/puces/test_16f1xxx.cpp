// SPDX-License-Identifier: GPL-2.0-or-later
// Enhanced mid-range model: entry by the low-voltage key, the board's programming voltage, the
// row latch, erases that keep the factory calibration, protection.
#include "programmateur_test.h"

#include "core/etat.h"
#include "sim/puces/puce_16f1xxx.h"

namespace {

using test::Programmateur_test;

Desc_PIC pic_1847() {
    Desc_PIC d;
    d.nom = "PIC16F1847";
    d.taille_prog = 8192;
    d.taille_donnee = 256;
    d.algo = static_cast<int>(Genre_puce::flash_16f1xxx);
    return d;
}

class Puce_1847 : public test::Etat_propre {
  protected:
    Puce_16f1xxx puce{pic_1847()};
    Programmateur_test p{puce};

    // VDD on with MCLR low, the key LSB first, then the extra clock when supplementaire.
    void envoie_cle(uint32_t cle, bool supplementaire = true) {
        p.vcc(true);
        p.attend_us(300);
        for (int i = 0; i < 32; ++i) p.bit((cle >> i) & 1);
        if (supplementaire) p.bit(false);
        p.attend_us(300);
    }
    unsigned id_composant() {
        p.charge(0, 0x3FFF);
        p.incremente(6);
        return p.lit();
    }
};

TEST_F(Puce_1847, la_cle_basse_tension_n_ouvre_que_telle_quelle) {
    struct Cas {
        uint32_t cle;
        bool supplementaire, lvp, entre;
    };
    for (Cas c : {Cas{Puce_16f1xxx::cle_lvp, true, true, true},
                  Cas{0x50484D43, true, true, false}, // most significant bit first
                  Cas{Puce_16f1xxx::cle_lvp, false, true, false},
                  Cas{Puce_16f1xxx::cle_lvp, true, false, false}}) {
        SCOPED_TRACE(std::to_string(c.cle) + (c.supplementaire ? " +1" : "") +
                     (c.lvp ? " LVP" : ""));
        Puce_16f1xxx q(pic_1847());
        Programmateur_test r(q);
        if (!c.lvp) q.fixe_config2(0x1FFF);
        r.vcc(true);
        r.attend_us(300);
        for (int i = 0; i < 32; ++i) r.bit((c.cle >> i) & 1);
        if (c.supplementaire) r.bit(false);
        r.attend_us(300);
        EXPECT_EQ(q.mode() == Mode_puce::programmation, c.entre);
        if (!c.entre) continue;
        r.charge(0, 0x3FFF);
        r.incremente(6);
        EXPECT_EQ(r.lit(), 0x1483u);
    }
}

TEST_F(Puce_1847, plus_de_neuf_volts_detruisent_la_puce) {
    struct Cas {
        int volts;
        bool detruite;
    };
    for (Cas c : {Cas{13, true}, Cas{9, false}}) {
        SCOPED_TRACE(c.volts);
        tension_vpp = c.volts;
        Puce_16f1xxx q(pic_1847());
        Programmateur_test r(q);
        r.entre_vpp_d_abord();
        r.attend_us(250); // tENTH
        r.charge(0, 0x3FFF);
        r.incremente(6);
        EXPECT_EQ(r.lit(), c.detruite ? 0x3FFFu : 0x1483u);
        EXPECT_EQ(q.detruite(), c.detruite);
        EXPECT_EQ(q.nombre_violations(Genre_violation::tension_excessive), c.detruite ? 1 : 0);
        r.coupe();
        // The key does not bring a destroyed part back.
        r.vcc(true);
        r.attend_us(300);
        for (int i = 0; i < 33; ++i) r.bit(i < 32 && ((Puce_16f1xxx::cle_lvp >> i) & 1));
        r.attend_us(300);
        EXPECT_EQ(q.mode() == Mode_puce::programmation, !c.detruite);
    }
}

TEST_F(Puce_1847, le_latch_ecrit_le_groupe_par_et_puis_se_remplit_de_uns) {
    envoie_cle(Puce_16f1xxx::cle_lvp);
    puce.contenu().programme[33] = 0x00FF;
    p.incremente(32);
    p.charge(2, 0x1111);
    p.incremente();
    p.charge(2, 0x0F0F);
    p.commande(8);
    p.attend_us(2600);
    EXPECT_EQ(puce.contenu().programme[32], 0x1111);
    EXPECT_EQ(puce.contenu().programme[33], 0x000F) << "old AND latch";
    // The latch is all ones again: programming now changes nothing.
    p.commande(8);
    p.attend_us(2600);
    EXPECT_EQ(puce.contenu().programme[32], 0x1111);
    // Cut short, the cycle leaves its group as it was.
    p.charge(2, 0);
    p.commande(8);
    p.attend_us(1000);
    p.lit();
    EXPECT_EQ(puce.contenu().programme[33], 0x000F);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::commande_pendant_cycle), 1);
}

TEST_F(Puce_1847, les_effacements_gardent_la_calibration) {
    struct Cas {
        bool espace_config; // Load Configuration before the bulk erase
        bool ids_effaces;
    };
    for (Cas c : {Cas{true, true}, Cas{false, false}}) {
        SCOPED_TRACE(c.espace_config);
        Puce_16f1xxx q(pic_1847());
        Programmateur_test r(q);
        tension_vpp = 9;
        q.contenu().programme[5] = 0x1234;
        q.contenu().ids[0] = 0x0001;
        q.contenu().config = 0x3F7F; // CP on
        r.entre_vpp_d_abord();
        r.attend_us(250); // tENTH
        r.incremente(5);
        EXPECT_EQ(r.lit(), 0u) << "protected";
        if (c.espace_config) r.charge(0, 0x3FFF);
        r.commande(9);
        r.attend_us(5100);
        EXPECT_EQ(q.contenu().programme[5], 0x3FFF);
        EXPECT_EQ(q.contenu().config, 0x3FFF);
        EXPECT_EQ(q.contenu().ids[0], c.ids_effaces ? 0x3FFF : 0x0001);
        EXPECT_EQ(q.calibration_config(), Puce_16f1xxx::calibration_usine);
        // The state file keeps everything.
        Puce_16f1xxx copie(pic_1847());
        ASSERT_TRUE(copie.charge_etat_hex(q.etat_hex()));
        EXPECT_EQ(copie.contenu(), q.contenu());
        EXPECT_EQ(copie.config2(), q.config2());
    }
}

} // namespace
