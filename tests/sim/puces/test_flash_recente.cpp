// SPDX-License-Identifier: GPL-2.0-or-later
// Later flash models (16F62xA, 16F87xA, 12F6xx): the rules that the end-to-end tests of the
// algorithms cannot reach, driven by hand-written command sequences.
#include "programmateur_test.h"

#include "sim/puces/puce_flash_recente.h"

namespace {

using test::Programmateur_test;

class Flash_recente : public test::Puces {};

TEST_F(Flash_recente, une_ecriture_ne_fait_que_mettre_des_bits_a_zero) {
    for (const char* nom : {"PIC16F628A", "PIC12F675"}) {
        SCOPED_TRACE(nom);
        Puce_flash_recente puce(pic(nom));
        puce.contenu().programme[2] = 0x00FF;
        Programmateur_test p(puce);
        p.entre();
        p.incremente(2);
        p.charge(2, 0x0F0F);
        p.commande(8);
        p.attend_us(10000);
        EXPECT_EQ(p.lit(), 0x000Fu) << "old AND new";
        // Waiting less than the cycle leaves the word unwritten.
        p.incremente();
        p.charge(2, 0x0000);
        p.commande(8);
        p.attend_us(1000);
        EXPECT_EQ(p.lit(), 0x3FFFu);
        EXPECT_EQ(puce.contenu().programme[3], 0x3FFF);
        EXPECT_EQ(puce.nombre_violations(Genre_violation::commande_pendant_cycle), 1);
    }
}

TEST_F(Flash_recente, le_groupe_de_huit_mots_coupe_trop_tot_reste_vierge) {
    struct Cas {
        int64_t attente_us;
        int coupure; // command sent after the wait: End Programming, or a read
        bool ecrit;
    };
    for (Cas k :
         {Cas{1200, 0x17, true}, Cas{500, 0x17, false}, Cas{500, 4, false}, Cas{1200, 4, true}}) {
        SCOPED_TRACE(std::to_string(k.attente_us) + " us, command " + std::to_string(k.coupure));
        Puce_flash_recente puce(pic("PIC16F877A"));
        Programmateur_test p(puce);
        p.entre();
        p.incremente(8);
        for (int i = 0; i < 3; ++i) { // words 8..10 of the group; 11..15 keep 0x3FFF
            p.charge(2, static_cast<unsigned>(i + 1));
            p.incremente();
        }
        EXPECT_EQ(puce.latch()[2], 3);
        p.incremente(4);
        p.commande(0x18);
        EXPECT_TRUE(puce.programmation_externe());
        EXPECT_EQ(puce.latch()[2], 0x3FFF) << "the latch is refilled";
        p.attend_us(k.attente_us);
        if (k.coupure == 4)
            EXPECT_EQ(p.lit(), k.ecrit ? 0x3FFFu : 0u);
        else
            p.commande(k.coupure);
        EXPECT_FALSE(puce.programmation_externe());
        const auto& mots = puce.contenu().programme;
        EXPECT_EQ(mots[8], k.ecrit ? 1 : 0x3FFF);
        EXPECT_EQ(mots[10], k.ecrit ? 3 : 0x3FFF);
        EXPECT_EQ(mots[15], 0x3FFF);
        EXPECT_EQ(mots[7], 0x3FFF);
    }
}

TEST_F(Flash_recente, oscillateur_interne_sans_MCLR_refuse_vdd_d_abord) {
    struct Cas {
        const char* nom;
        uint16_t config; // internal oscillator, MCLR off
    };
    for (Cas k : {Cas{"PIC16F628A", 0x3F50}, Cas{"PIC12F675", 0x2FC4}}) {
        SCOPED_TRACE(k.nom);
        Puce_flash_recente puce(pic(k.nom));
        puce.contenu().programme[0] = 0x2805;
        puce.contenu().config = k.config;
        ASSERT_TRUE(puce.execute_des_la_mise_sous_tension());
        Programmateur_test p(puce);
        // VDD first, VPP 150 µs later: the part has not started yet; 250 µs or 1 ms later it is
        // running its code.
        int refus = 0;
        for (auto [us, entre] :
             {std::pair{150, true}, std::pair{250, false}, std::pair{1000, false}}) {
            SCOPED_TRACE(us);
            p.clk(false);
            p.data(false);
            p.vcc(true);
            p.attend_us(us - 1);
            p.vpp(true);
            p.attend_ns(Puce_pic::t_hld0_min_ns);
            EXPECT_EQ(puce.mode(), entre ? Mode_puce::programmation : Mode_puce::execution);
            EXPECT_EQ(p.lit(), entre ? 0x2805u : 0x3FFFu);
            refus += entre ? 0 : 1;
            EXPECT_EQ(puce.nombre_violations(Genre_violation::entree_refusee), refus);
            p.coupe();
        }
        // VPP first, then VDD.
        p.entre_vpp_d_abord();
        EXPECT_EQ(puce.mode(), Mode_puce::programmation);
        EXPECT_EQ(p.lit(), 0x2805u);
    }
}

// The 16F87xA's configuration word takes the internally timed cycle only; the 12F6xx's bits
// 11..9 read 0 whatever is written, and a blank part reads 01FF with its bandgap bits.
TEST_F(Flash_recente, mot_de_configuration_des_87xa_et_12f6xx) {
    // Loads w at 0x2007, then programs it with the internally timed cycle (8) or 0x18 .. fin.
    auto programme_config = [](Programmateur_test& p, unsigned w, int fin) {
        p.charge(0, 0x3FFF);
        p.incremente(7);
        p.charge(2, w);
        p.commande(fin < 0 ? 8 : 0x18);
        p.attend_us(fin < 0 ? 10000 : 2000);
        if (fin >= 0) p.commande(fin);
        p.attend_us(100);
    };
    Puce_flash_recente b(pic("PIC16F877A"));
    Programmateur_test p(b);
    p.entre();
    programme_config(p, 0x3F71, 0x17);
    EXPECT_EQ(b.contenu().config, 0x3FFF) << "0x18 .. 0x17 leaves it";
    p.coupe();
    p.entre();
    programme_config(p, 0x3F71, -1);
    EXPECT_EQ(b.contenu().config, 0x3F71);

    Puce_flash_recente c(pic("PIC12F675"));
    EXPECT_EQ(c.contenu().config, 0x01FF | Puce_flash_recente::bandgap_usine);
    Programmateur_test q(c);
    q.entre_vpp_d_abord();
    programme_config(q, 0x2FCC, -1);
    EXPECT_EQ(q.lit(), 0x21CCu);
}

TEST_F(Flash_recente, effacements_selon_le_compteur) {
    // 12F675: in program space the bulk erase keeps OSCCAL and the configuration; in
    // configuration space it takes both, and lifts protection.
    Puce_flash_recente puce(pic("PIC12F675"));
    const uint16_t osccal = puce.contenu().programme[1023];
    puce.contenu().programme[0] = 0x0000;
    puce.contenu().config = 0x2F7F; // CP on
    Programmateur_test p(puce);
    p.entre();
    p.commande(9);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[0], 0x0000) << "protected";
    puce.contenu().config = 0x2FFF;
    p.commande(9);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[0], 0x3FFF);
    EXPECT_EQ(puce.contenu().programme[1023], osccal);
    EXPECT_EQ(puce.contenu().config, 0x2FFF);
    p.charge(0, 0x3FFF);
    p.commande(9);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[1023], 0x3FFF) << "OSCCAL lost";
    EXPECT_EQ(puce.contenu().config, 0x31FF) << "bandgap bits lost";

    // 16F877A: chip erase from configuration space clears everything, protection included.
    Puce_flash_recente b(pic("PIC16F877A"));
    b.contenu().programme[0] = 0;
    b.contenu().donnees[0] = 0;
    b.contenu().ids[0] = 0;
    b.contenu().config = 0x1EFF; // CP and CPD on
    Programmateur_test q(b);
    q.entre();
    q.charge(0, 0x3FFF);
    q.commande(0x1F);
    q.attend_us(10000);
    EXPECT_EQ(b.contenu().programme[0], 0x3FFF);
    EXPECT_EQ(b.contenu().donnees[0], 0xFF);
    EXPECT_EQ(b.contenu().ids[0], 0x3FFF);
    EXPECT_EQ(b.contenu().config, 0x3FFF);
    q.incremente(6);
    EXPECT_EQ(q.lit(), 0x0E23u) << "device ID, revision 3";
    EXPECT_EQ(b.nombre_violations(), 0);
}

} // namespace
