// SPDX-License-Identifier: GPL-2.0-or-later
// The serial protocol shared by the PIC models: program-mode entry and exit, command and data
// frames, the read frame on the data line, command width.
#include "programmateur_test.h"

#include "sim/puces/fabrique.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"

namespace {

using test::Programmateur_test;

class Protocole : public test::Puces {};

TEST_F(Protocole, entree_avec_clk_et_data_bas_apres_vdd) {
    Puce_flash puce(pic("PIC16F84"));
    Programmateur_test p(puce);
    EXPECT_EQ(puce.mode(), Mode_puce::eteinte);
    p.vcc(true);
    EXPECT_EQ(puce.mode(), Mode_puce::execution);
    p.clk(false);
    p.data(false);
    p.vpp(true);
    EXPECT_EQ(puce.mode(), Mode_puce::programmation);
    EXPECT_EQ(puce.compteur(), 0);
    EXPECT_EQ(puce.nombre_violations(), 0);
}

TEST_F(Protocole, entree_refusee_quand_clk_ou_data_haut_ou_vpp_avant_vdd) {
    struct Cas {
        const char* nom;
        bool clk, data, vpp_d_abord;
    };
    for (Cas c : {Cas{"CLK haut", true, false, false}, Cas{"DATA haut", false, true, false},
                  Cas{"VPP avant VDD", false, false, true}}) {
        SCOPED_TRACE(c.nom);
        Puce_flash puce(pic("PIC16F84"));
        Programmateur_test p(puce);
        p.clk(c.clk);
        p.data(c.data);
        if (c.vpp_d_abord) p.vpp(true);
        p.vcc(true);
        if (!c.vpp_d_abord) p.vpp(true);
        EXPECT_EQ(puce.mode(), Mode_puce::execution);
        EXPECT_EQ(puce.nombre_violations(Genre_violation::entree_refusee), 1);
        // The chip runs: it ignores the clock, nothing gets written.
        p.clk(false);
        p.data(false);
        p.charge(2, 0x0000);
        p.commande(8);
        p.attend_us(20000);
        EXPECT_EQ(puce.contenu().programme[0], 0x3FFF);
        EXPECT_TRUE(puce.sortie(p.t()));
    }
}

TEST_F(Protocole, puce_vpp_avant_vdd_entre_dans_les_deux_ordres) {
    for (const char* nom : {"PIC16F628", "PIC12C671"}) {
        SCOPED_TRACE(nom);
        std::unique_ptr<Modele_puce> modele = cree_puce(pic(nom), {});
        auto* puce = dynamic_cast<Puce_pic*>(modele.get());
        ASSERT_NE(puce, nullptr);
        Programmateur_test p(*puce);
        p.entre_vpp_d_abord();
        EXPECT_EQ(puce->mode(), Mode_puce::programmation);
        p.coupe();
        p.entre();
        EXPECT_EQ(puce->mode(), Mode_puce::programmation);
        EXPECT_EQ(puce->nombre_violations(), 0);
    }
}

// tPPDP and tHLD0 below their minimum drop the entry: the part runs, reads give 0x3FFF. A
// re-entry while the board still holds VDD is a VDD-first entry.
TEST_F(Protocole, temps_d_entree_minimums_et_vdd_tenu_par_la_carte) {
    struct Cas {
        const char* nom;
        const char* puce;
        int64_t ppdp_ns, hld0_ns; // -1: VDD first
        bool entre;
    };
    const int64_t ppdp = Puce_pic::t_ppdp_min_ns, hld0 = Puce_pic::t_hld0_min_ns;
    for (Cas c : {Cas{"VDD d'abord", "PIC16F84", -1, hld0, true},
                  Cas{"tHLD0 court", "PIC16F84", -1, hld0 - 2000, false},
                  Cas{"tHLD0 court, EPROM", "PIC16C622", -1, hld0 - 2000, false},
                  Cas{"VPP d'abord", "PIC16F628A", ppdp, hld0, true},
                  Cas{"tPPDP court", "PIC16F628A", ppdp - 2000, hld0, false},
                  Cas{"tHLD0 court, VPP d'abord", "PIC12F675", ppdp, hld0 - 2000, false}}) {
        SCOPED_TRACE(c.nom);
        std::unique_ptr<Modele_puce> modele = cree_puce(pic(c.puce), {});
        auto& puce = dynamic_cast<Puce_pic&>(*modele);
        puce.contenu().programme[0] = 0x0123;
        Programmateur_test p(puce);
        p.clk(false);
        p.data(false);
        if (c.ppdp_ns < 0) {
            p.vcc(true);
            p.vpp(true);
        } else {
            p.vpp(true);
            p.attend_ns(c.ppdp_ns - 1000); // the next pin change takes 1 µs
            p.vcc(true);
        }
        p.attend_ns(c.hld0_ns - 1000);
        EXPECT_EQ(p.lit(), c.entre ? 0x0123u : 0x3FFFu);
        EXPECT_EQ(puce.nombre_violations(Genre_violation::entree_refusee), c.entre ? 0 : 1);
    }

    // 12F675 running its code (internal oscillator, MCLR off): supply off for 1 ms, VDD is still
    // there and the next entry is refused; after the board's decay it enters VPP first.
    std::unique_ptr<Modele_puce> modele = cree_puce(pic("PIC12F675"), {});
    auto& puce = dynamic_cast<Puce_pic&>(*modele);
    puce.contenu().config = 0x21C4;
    puce.contenu().programme[0] = 0x0123;
    Programmateur_test p(puce);
    p.entre_vpp_d_abord();
    EXPECT_EQ(p.lit(), 0x0123u);
    p.sort();
    p.vcc(false);
    p.attend_us(1000);
    p.entre_vpp_d_abord();
    EXPECT_EQ(p.lit(), 0x3FFFu);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::entree_refusee), 1);
    p.sort();
    p.vcc(false);
    p.attend_ns(Puce_pic::t_maintien_vdd_ns);
    p.entre_vpp_d_abord();
    EXPECT_EQ(p.lit(), 0x0123u);
    EXPECT_EQ(puce.nombre_violations(), 1);
}

TEST_F(Protocole, sortie_par_vpp_ou_vdd_remet_le_compteur_a_zero) {
    Puce_flash puce(pic("PIC16F84"));
    puce.contenu().programme[0] = 0x0123;
    Programmateur_test p(puce);
    p.entre();
    p.incremente(5);
    EXPECT_EQ(puce.compteur(), 5);
    p.sort();
    EXPECT_EQ(puce.mode(), Mode_puce::execution);
    p.incremente(2); // ignored outside programming mode
    p.clk(false);
    p.data(false);
    p.vpp(true);
    EXPECT_EQ(puce.compteur(), 0);
    p.attend_ns(Puce_pic::t_hld0_min_ns);
    EXPECT_EQ(p.lit(), 0x0123u);

    p.charge(0, 0x3FFF); // configuration space
    EXPECT_EQ(puce.compteur(), 0x2000);
    p.vcc(false);
    EXPECT_EQ(puce.mode(), Mode_puce::programmation) << "VDD held by the board";
    p.attend_ns(Puce_pic::t_maintien_vdd_ns);
    EXPECT_EQ(puce.mode(), Mode_puce::eteinte);
    p.vpp(false);
    p.entre();
    EXPECT_EQ(puce.compteur(), 0);
}

TEST_F(Protocole, lecture_mene_puis_relache_la_ligne) {
    Puce_flash puce(pic("PIC16F84"));
    const unsigned mot = 0x2A5C;
    puce.contenu().programme[0] = mot;
    Programmateur_test p(puce);
    p.entre();
    p.commande(4);
    p.data(true);
    EXPECT_TRUE(p.ligne_data()) << "released before the first read clock";
    for (int k = 0; k < 16; ++k) {
        SCOPED_TRACE(k);
        // Start (k = 0) and stop (k = 15) bits are left released: they read 1.
        bool attendu = k == 0 || k == 15 || ((mot >> (k - 1)) & 1);
        p.clk(true);
        EXPECT_EQ(p.ligne_data(), attendu) << "driven from the rising edge";
        p.clk(false);
        EXPECT_EQ(p.ligne_data(), attendu) << "held after the falling edge";
    }
    p.attend_us(1);
    EXPECT_TRUE(p.ligne_data()) << "released after the 16th clock";
    // The next command is decoded normally after the frame.
    EXPECT_EQ(p.trame(4), 0x8001u | (mot << 1));
}

TEST_F(Protocole, chargement_ne_garde_que_les_14_bits_de_donnee) {
    Puce_flash puce(pic("PIC16F84"));
    Programmateur_test p(puce);
    p.entre();
    p.charge(2, 0x1555, true, true); // start and stop bits sent as 1
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[0], 0x1555);
    p.incremente();
    p.charge(2, 0xFFFF & ~0x2AAAu); // bits 14 and 15 are never sent
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[1], 0x1555);
}

TEST_F(Protocole, largeur_des_commandes_selon_la_puce) {
    // 16F84: only the low 4 bits count, 0x26 is Increment Address.
    Puce_flash f84(pic("PIC16F84"));
    Programmateur_test p(f84);
    p.entre();
    p.commande(0x26);
    EXPECT_EQ(f84.compteur(), 1);
    EXPECT_EQ(f84.nombre_violations(), 0);

    // 16F628: 6 bits, 0x26 is no command.
    Puce_flash f628(pic("PIC16F628"));
    Programmateur_test q(f628);
    q.entre();
    q.commande(0x26);
    EXPECT_EQ(f628.compteur(), 0);
    EXPECT_EQ(f628.nombre_violations(Genre_violation::commande_inconnue), 1);
    q.commande(6);
    EXPECT_EQ(f628.compteur(), 1);

    // 12C508: no Load Configuration.
    Puce_eprom c508(pic("PIC12C508"));
    Programmateur_test r(c508);
    r.entre();
    r.commande(0);
    EXPECT_EQ(c508.nombre_violations(Genre_violation::commande_inconnue), 1);
    EXPECT_EQ(c508.compteur(), 0x3FF);
}

} // namespace
