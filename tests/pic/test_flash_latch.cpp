// SPDX-License-Identifier: GPL-2.0-or-later
// The latched flash families end to end on their simulated chips (12F683 and 16F68x, 16F87/88
// and 16F818/819, 16F88x): what the chip holds after writing, comparing, reading, erasing, and
// rewriting a protected part; the factory calibration words of the configuration space the
// same before and after; an older algorithm pointed at each of them fails.
#include "flash_a_latch.h"

#include "hex/hex.h"
#include "operations/operations.h"
#include "operations/vierge.h"
#include "pic/valeurs_usine.h"

namespace {

struct Cas {
    const char* nom;
    const char* source;  // tests/fixtures
    uint16_t protection; // CP and CPD bits of the first configuration word
    const char* ancien;  // a part of an older kind with the same program size
};

const Cas cas[] = {
    {"PIC12F683", "pic12f683.asm", 0x00C0, "PIC16F628A"},
    {"PIC16F88", "pic16f88.asm", 0x2100, "PIC16F648A"},
    {"PIC16F887", "pic16f887.asm", 0x00C0, "PIC16F877A"},
};

class Flash_latch : public test::Flash_a_latch {};

TEST_F(Flash_latch, ecrit_compare_relit_efface_et_reecrit_une_puce_protegee) {
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        prepare(k.nom);
        const std::string hex = test::assemble(k.source, "inhx32", rep);
        ASSERT_FALSE(hex.empty());
        const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
        ASSERT_TRUE(m);
        const auto calibration = c().calibration_config;

        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(hors_tension());
        contient(*m);
        EXPECT_EQ(c().calibration_config, calibration);
        const std::optional<Rapport_comparaison> r = compare_image(*m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        Memoire_PIC lu;
        ASSERT_EQ(lit_image(lu), OPERATION_REUSSIE);
        EXPECT_TRUE(std::equal(c().programme.begin(), c().programme.end(), lu.prog.begin()));
        EXPECT_EQ(lu.donnee, m->donnee);
        EXPECT_EQ(lu.config, c().config);
        EXPECT_EQ(lu.config2_definie, mots_config(*pic_courant()) == 2);
        if (lu.config2_definie) {
            EXPECT_EQ(lu.config2, c().config2);
        }

        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        Rapport_vierge rv;
        ASSERT_EQ(verifie_vierge(rv), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(rv.vierge()) << rv.texte();
        EXPECT_EQ(c().calibration_config, calibration);

        // A protected chip reads 0, then is erased by the next write and rewritten.
        Memoire_PIC protegee = *m;
        protegee.config = static_cast<uint16_t>(m->config & ~k.protection);
        ASSERT_EQ(ecrit_image(protegee), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(puce().programme_protege(0));
        EXPECT_TRUE(puce().donnees_protegees());
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        contient(*m);
        EXPECT_EQ(c().calibration_config, calibration);

        EXPECT_EQ(puce().nombre_violations(), 0) << nom_violation(puce().violations().front().genre)
                                                 << " at " << puce().violations().front().adresse;
        termine_simulateur();
    }
}

// Every part of these kinds in the catalogue: both ends of its memories written, compared,
// erased, the calibration words untouched.
TEST_F(Flash_latch, chaque_partie_du_catalogue) {
    Memoire_PIC m(0x3FF7);
    m.config_definie = true;
    m.config2 = 0x3FFE;
    m.config2_definie = true;
    EXPECT_EQ(chaque_partie([](const Desc_PIC& p) { return p.algo >= 7 && p.algo <= 9; }, m), 16);
}

// An older algorithm, forced onto each new model (the device ID stops it otherwise), does not
// leave the chip as asked and says so.
TEST_F(Flash_latch, un_ancien_algorithme_echoue) {
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        prepare(k.ancien, {}, k.nom);
        const std::string hex = test::assemble(k.source, "inhx32", rep);
        const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
        ASSERT_TRUE(m);
        EXPECT_EQ(ecrit_image(*m), OPERATION_ECHOUEE);
        EXPECT_NE(dernier_message().find(std::string("pas un ") + k.ancien), std::string::npos)
            << dernier_message();
        EXPECT_EQ(ecrit_image(*m, true), OPERATION_ECHOUEE);
        termine_simulateur();
    }
}

} // namespace
