// SPDX-License-Identifier: GPL-2.0-or-later
// The latched flash PICs in the simulated socket: what the chip holds after a write, and a round
// trip over both ends of every memory.
#pragma once

#include "simulateur_pic.h"

#include "operations/operations.h"
#include "pic/dispatch.h"
#include "pic/valeurs_usine.h"

namespace test {

class Flash_a_latch : public Simulateur_pic {
  protected:
    const Contenu_pic& c() { return puce().contenu(); }
    // The second configuration word as the chip stores it.
    virtual uint16_t config2_puce() { return c().config2; }
    // The factory calibration words of the configuration space.
    virtual std::array<uint16_t, 2> calibration_puce() { return c().calibration_config; }

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
            EXPECT_EQ(config2_puce() & masque2, m.config2 & masque2);
        }
    }

    // Every part of the catalogue that garde keeps: m with words at both ends of program and data
    // memories written, compared and erased without a protocol violation, the calibration words
    // untouched. The number of parts.
    template <class Garde> int chaque_partie(Garde garde, const Memoire_PIC& m) {
        int parties = 0;
        for (const Desc_PIC& p : std::vector<Desc_PIC>(tab_pic)) {
            if (!garde(p)) continue;
            SCOPED_TRACE(p.nom);
            ++parties;
            prepare(p.nom);
            const std::array<uint16_t, 2> calibration = calibration_puce();
            Memoire_PIC image = m;
            image.prog[0] = 0x2805;
            image.prog[static_cast<std::size_t>(p.taille_prog - 1)] = 0x0123;
            image.donnee[0] = 0x5A;
            image.donnee[static_cast<std::size_t>(p.taille_donnee - 1)] = 0xA5;
            image.id[3] = 0x0C;
            EXPECT_EQ(ecrit_image(image), OPERATION_REUSSIE) << dernier_message();
            contient(image);
            const std::optional<Rapport_comparaison> r = compare_image(image);
            EXPECT_TRUE(r && !r->difference) << (r ? r->texte : "");
            EXPECT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
            EXPECT_EQ(c().programme[0], 0x3FFF);
            EXPECT_EQ(c().donnees[0], 0xFF);
            EXPECT_EQ(calibration_puce(), calibration);
            EXPECT_EQ(puce().nombre_violations(), 0);
            termine_simulateur();
        }
        return parties;
    }
};

} // namespace test
