// SPDX-License-Identifier: GPL-2.0-or-later
// The enhanced mid-range algorithm end to end on the simulated 16F1847, on a 13 V board (key
// entry) and on a 9 V board (high-voltage entry): what the chip holds after writing, erasing and
// rewriting a protected chip; its factory calibration words untouched.
#include "flash_a_latch.h"

#include "hex/hex.h"
#include "operations/operations.h"
#include "operations/vierge.h"
#include "sim/puces/puce_16f1xxx.h"

namespace {

class Algo_16f1xxx : public test::Flash_a_latch {
  protected:
    Puce_16f1xxx& g() { return dynamic_cast<Puce_16f1xxx&>(puce()); }
    uint16_t config2_puce() override { return g().config2(); }
    std::array<uint16_t, 2> calibration_puce() override { return g().calibration_config(); }
};

TEST_F(Algo_16f1xxx, ecrit_compare_relit_efface_et_reecrit_une_puce_protegee) {
    struct Cas {
        int tension; // the board's programming voltage
        bool cle;    // entered by the low-voltage key
    };
    for (const Cas k : {Cas{13, true}, Cas{9, false}}) {
        SCOPED_TRACE(k.tension);
        tension_vpp = k.tension;
        prepare("PIC16F1847");
        const std::string hex = test::assemble("pic16f1847.asm", "inhx32", rep);
        ASSERT_FALSE(hex.empty());
        const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
        ASSERT_TRUE(m);
        ASSERT_TRUE(m->config2_definie);
        const std::array<uint16_t, 2> calibration = g().calibration_config();

        // Written, compared, read back identical.
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(hors_tension());
        contient(*m);
        const std::optional<Rapport_comparaison> r = compare_image(*m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        Memoire_PIC lu;
        ASSERT_EQ(lit_image(lu), OPERATION_REUSSIE);
        lu.prog.resize(c().programme.size());
        EXPECT_EQ(lu.prog, c().programme);
        EXPECT_EQ(lu.donnee, m->donnee);
        EXPECT_EQ(lu.config, m->config);
        EXPECT_EQ(lu.config2 & 0x3713, m->config2 & 0x3713);

        // Erased: blank but for the calibration words, and the blank check says so.
        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        Rapport_vierge rv;
        ASSERT_EQ(verifie_vierge(rv), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(rv.vierge()) << rv.texte();
        Memoire_PIC vierge(0x3FFF);
        vierge.config2 = 0x3FFF;
        contient(vierge);

        // A protected chip reads 0, then is erased by the next write and rewritten.
        Memoire_PIC protegee = *m;
        protegee.config = static_cast<uint16_t>(m->config & ~0x0180);
        ASSERT_EQ(ecrit_image(protegee), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(g().protege());
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        contient(*m);

        EXPECT_EQ(g().calibration_config(), calibration);
        EXPECT_EQ(g().entrees_lvp() > 0, k.cle);
        EXPECT_FALSE(g().detruite());
        EXPECT_EQ(puce().nombre_violations(), 0);
        EXPECT_TRUE(recus().empty()) << dernier_message();
        termine_simulateur();
    }
}

// Every part of the kind in the catalogue: both ends of program and data memories written,
// compared and erased, through the key.
TEST_F(Algo_16f1xxx, chaque_partie_du_catalogue) {
    Memoire_PIC m(0x3FE4);
    m.config_definie = true;
    const int parties = chaque_partie(
        [](const Desc_PIC& p) { return p.algo == static_cast<int>(Genre_puce::flash_16f1xxx); }, m);
    EXPECT_EQ(parties, 16);
}

// The algorithms of the older parts, pointed at the enhanced model, do not get a good chip: on
// a 13 V board they destroy it.
TEST_F(Algo_16f1xxx, un_autre_algorithme_echoue) {
    struct Cas {
        Genre_puce genre;
        int tension;
    };
    for (const Cas k : {Cas{Genre_puce::flash_87xa, 9}, Cas{Genre_puce::flash_87xa, 13},
                        Cas{Genre_puce::flash_62xa, 13}}) {
        SCOPED_TRACE(static_cast<int>(k.genre) * 100 + k.tension);
        tension_vpp = k.tension;
        prepare("PIC16F1847");
        Memoire_PIC m(0x3FC4);
        m.config_definie = true;
        m.prog[0] = 0x2805;
        m.prog[9] = 0x0123;
        Desc_PIC& p = tab_pic[static_cast<std::size_t>(pic_select)];
        p.algo = static_cast<int>(k.genre);
        EXPECT_NE(ecrit_image(m), OPERATION_REUSSIE);
        EXPECT_NE(c().programme[9], 0x0123);
        EXPECT_EQ(g().detruite(), k.tension > 9);
        p.algo = static_cast<int>(Genre_puce::flash_16f1xxx);
        termine_simulateur();
    }
}

} // namespace
