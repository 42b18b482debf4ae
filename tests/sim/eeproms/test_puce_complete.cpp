// SPDX-License-Identifier: GPL-2.0-or-later
// Every byte of a chip written then read back, on each bus, through the simulated board: the
// chip's own memory holds what was written and the read returns what the chip holds.
#include "eeprom/banc_eeprom.h"

#include <algorithm>

namespace {

using test_eeprom::Banc;
using test_eeprom::motif;

struct Cas_puce {
    const char* nom;
    int64_t duree_ecriture_ns;  // -1: the part's own (the larger parts get a short one, for speed)
    int cycles_en_plus;         // write cycles besides one per byte (the SPI status clear)
    int64_t duree_min_cycle_ns; // time each write cycle takes at least (the polling waits it out)
};

class Puce_complete : public Banc, public testing::WithParamInterface<Cas_puce> {};

TEST_P(Puce_complete, ecrit_puis_lit_toute_la_puce) {
    const Cas_puce& c = GetParam();
    Options_eeprom o;
    o.duree_ecriture_ns = c.duree_ecriture_ns;
    auto& p = monte(c.nom, o);
    espion->enregistre = false;
    const int n = p.taille();
    const auto source = motif(n, 11);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu(), source);
    EXPECT_EQ(p.cycles_termines(), n + c.cycles_en_plus);
    EXPECT_FALSE(carte->broches_support().vcc);
    EXPECT_GE(carte->temps_ecoule_ns(), (n + c.cycles_en_plus) * c.duree_min_cycle_ns);

    const auto autre = motif(n, 12);
    p.remplit(autre);
    const auto lu = lit(0x55);
    EXPECT_TRUE(std::equal(autre.begin(), autre.end(), lu.begin()));
    EXPECT_TRUE(std::all_of(lu.begin() + n, lu.end(), [](uint8_t v) { return v == 0x55; }));
    EXPECT_FALSE(carte->broches_support().vcc);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(textes().empty());
}

// Acknowledge, ready and status polling wait for the chip whatever its cycle.
INSTANTIATE_TEST_SUITE_P(
    Puces, Puce_complete,
    testing::Values(Cas_puce{"24C02", -1, 0, 0}, Cas_puce{"24C16", 30'000, 0, 0},
                    Cas_puce{"24C256", 30'000, 0, 0}, Cas_puce{"93C46", -1, 0, 0},
                    Cas_puce{"93C56", 30'000, 0, 0}, Cas_puce{"93C66", 30'000, 0, 0},
                    Cas_puce{"93C86", 30'000, 0, 0}, Cas_puce{"25C010", -1, 1, 5'000'000},
                    Cas_puce{"25C020", -1, 1, 5'000'000}, Cas_puce{"25C040", -1, 1, 5'000'000},
                    Cas_puce{"25C640", -1, 1, 5'000'000}),
    [](const auto& i) { return std::string("P") + i.param.nom; });

} // namespace
