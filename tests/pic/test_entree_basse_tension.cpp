// SPDX-License-Identifier: GPL-2.0-or-later
// Entry into an enhanced mid-range part on a board whose programming voltage is 13 V: the
// low-voltage key reaches it without any programming voltage, the usual entry destroys it.
#include "commun/outils.h"

#include "core/etat.h"
#include "pic/commandes.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/carte_simulee.h"
#include "sim/puces/puce_16f1xxx.h"

namespace {

class Entree_basse_tension : public test::Etat_propre {
  protected:
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }
};

TEST_F(Entree_basse_tension, la_cle_ouvre_la_puce_que_treize_volts_detruisent) {
    struct Cas {
        bool cle; // else VPP first, then VDD
        uint16_t id_lu;
        bool detruite;
    };
    for (Cas c : {Cas{true, 0x1483, false}, Cas{false, 0x3FFF, true}}) {
        SCOPED_TRACE(c.cle ? "clé" : "haute tension");
        test::choisit_composant("PIC16F1847", 8192, 256,
                                static_cast<int>(Genre_puce::flash_16f1xxx));
        auto modele = std::make_unique<Puce_16f1xxx>(tab_pic.back());
        Puce_16f1xxx& puce = *modele;
        installe_backend(std::make_unique<Carte_simulee>(std::move(modele)));
        init_port();
        attente(10000);
        if (c.cle) {
            Entree_Cle_Basse_Tension(Puce_16f1xxx::cle_lvp);
        } else {
            Commence_Prog_Mode();
            attente(100);
            Power_on();
            attente(100);
        }
        Load_Configuration(0x3FFF);
        for (int k = 0; k < 6; ++k) Increment_Adress();
        EXPECT_EQ(Read_Data_From_Program_Memory(), c.id_lu);
        EXPECT_EQ(puce.detruite(), c.detruite);
        EXPECT_EQ(puce.nombre_violations(), c.detruite ? 1 : 0);
        init_port();
    }
}

} // namespace
