// SPDX-License-Identifier: GPL-2.0-or-later
// The latched flash families end to end on their simulated chips (12F683 and 16F68x, 16F87/88
// and 16F818/819, 16F88x): what the chip holds after writing, comparing, reading, erasing, and
// rewriting a protected part; the factory calibration words of the configuration space the
// same before and after; an older algorithm pointed at each of them fails.
#include "simulateur_pic.h"

#include "hex/hex.h"
#include "operations/operations.h"
#include "operations/vierge.h"
#include "pic/valeurs_usine.h"

namespace {

using test::Simulateur_pic;

struct Cas {
    const char* nom;
    const char* source;   // tests/fixtures
    uint16_t protection;  // CP and CPD bits of the first configuration word
    const char* ancien;   // a part of an older kind with the same program size
};

const Cas cas[] = {
    {"PIC12F683", "pic12f683.asm", 0x00C0, "PIC16F628A"},
    {"PIC16F88", "pic16f88.asm", 0x2100, "PIC16F648A"},
    {"PIC16F887", "pic16f887.asm", 0x00C0, "PIC16F877A"},
};

class Flash_latch : public Simulateur_pic {
  protected:
    const Contenu_pic& c() { return puce().contenu(); }

    // The chip holds the image: program words (blank where the image has none), data bytes,
    // IDs and configuration words as far as the part stores their bits.
    void contient(const Memoire_PIC& m) {
        const Desc_PIC& p = *pic_courant();
        for (int i = 0; i < p.taille_prog; ++i) {
            const auto k = static_cast<std::size_t>(i);
            ASSERT_EQ(c().programme[k], m.prog[k] == 0xFFFF ? 0x3FFF : m.prog[k]) << "word " << i;
        }
        for (int i = 0; i < p.taille_donnee; ++i)
            ASSERT_EQ(c().donnees[static_cast<std::size_t>(i)],
                      m.donnee[static_cast<std::size_t>(i)])
                << "byte " << i;
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(c().ids[k], m.id[k] == 0xFF ? 0x3FFF : m.id[k]);
        const uint16_t masque = bits_config_implementes(p);
        EXPECT_EQ(c().config & masque, m.config & masque);
        if (mots_config(p) == 2) {
            const uint16_t masque2 = bits_config2_implementes(p);
            EXPECT_EQ(c().config2 & masque2, m.config2 & masque2);
        }
    }
};

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
    int parties = 0;
    for (const Desc_PIC& p : std::vector<Desc_PIC>(tab_pic)) {
        if (p.algo < 7 || p.algo > 9) continue;
        SCOPED_TRACE(p.nom);
        ++parties;
        prepare(p.nom);
        const auto calibration = c().calibration_config;
        Memoire_PIC m(0x3FF7);
        m.config_definie = true;
        m.config2 = 0x3FFE;
        m.config2_definie = true;
        m.prog[0] = 0x2805;
        m.prog[static_cast<std::size_t>(p.taille_prog - 1)] = 0x0123;
        m.donnee[0] = 0x5A;
        m.donnee[static_cast<std::size_t>(p.taille_donnee - 1)] = 0xA5;
        m.id[3] = 0x0C;
        ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
        contient(m);
        const std::optional<Rapport_comparaison> r = compare_image(m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        EXPECT_EQ(c().programme[0], 0x3FFF);
        EXPECT_EQ(c().donnees[0], 0xFF);
        EXPECT_EQ(c().calibration_config, calibration);
        EXPECT_EQ(puce().nombre_violations(), 0);
        termine_simulateur();
    }
    EXPECT_EQ(parties, 16);
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
