// SPDX-License-Identifier: GPL-2.0-or-later
// The protocols through the adapters' layer: the chip holds and gives back the same words over
// every adapter, and the queuing one needs few transfers for a whole memory.
#include "simulateur_pic.h"

#include "pic/commandes.h"
#include "pic/dispatch.h"
#include "port/backend.h"
#include "port/backend_file.h"

#include <gtest/gtest.h>

namespace {

class Adaptateurs : public test::Simulateur_pic {
  protected:
    void installe(const std::string& adaptateur) {
        pic_select = cherche_pic("PIC16F84");
        ASSERT_GE(pic_select, 0);
        Options_simulateur o;
        o.adaptateur = adaptateur;
        ASSERT_TRUE(installe_simulateur(o)) << dernier_message();
    }
};

TEST_F(Adaptateurs, memoire_ecrite_puis_relue_sur_chaque_adaptateur) {
    struct Cas {
        const char* adaptateur;
        int64_t transferts_max; // full read of program memory; -1: does not queue
    };
    const Cas cas[] = {{"", -1}, {"gpio", -1}, {"ftdi", 200}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.adaptateur);
        installe(c.adaptateur);
        std::vector<uint16_t> image(8192, 0xFFFF);
        for (int i = 0; i < 1024; ++i)
            image[static_cast<std::size_t>(i)] =
                static_cast<uint16_t>((i * 0x1357 + 0x2A5) & 0x3FFF);
        image[7] = 0x0000; // every bit low, then every bit high: one-behind samples show here
        image[8] = 0x3FFF;
        ASSERT_EQ(Detect_Programmateur(), 1);
        ASSERT_EQ(Charge_tout_vers_PM(image.data()), 0) << dernier_message();
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(puce().contenu().programme[static_cast<std::size_t>(i)],
                      image[static_cast<std::size_t>(i)])
                << i;

        auto* file = dynamic_cast<Backend_file*>(&backend());
        EXPECT_EQ(file != nullptr, c.transferts_max >= 0);
        const int64_t avant = file ? file->nb_transferts() : 0;
        std::vector<uint16_t> relu(8192, 0);
        Lit_tout_de_PM(relu.data());
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(relu[static_cast<std::size_t>(i)], image[static_cast<std::size_t>(i)]) << i;
        if (file) {
            EXPECT_LE(file->nb_transferts() - avant, c.transferts_max);
        }
        EXPECT_TRUE(hors_tension());
        termine_simulateur();
    }
}

TEST_F(Adaptateurs, adaptateur_inconnu_refuse) {
    pic_select = cherche_pic("PIC16F84");
    Options_simulateur o;
    o.adaptateur = "usb";
    EXPECT_FALSE(installe_simulateur(o));
    EXPECT_EQ(dernier_message(), "Simulateur : adaptateur inconnu : usb (ftdi ou gpio attendu)");
}

} // namespace
