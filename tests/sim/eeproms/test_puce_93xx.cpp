// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated 93xx Microwire EEPROM (x8), driven by hand-written bus sequences.
#include "eeprom/banc_eeprom.h"

#include "sim/eeproms/puce_93xx.h"

namespace {

using test_eeprom::Bus;

std::unique_ptr<Puce_93xx> puce_93(int taille, Pannes_puce p = {}) {
    Desc_PIC d;
    d.nom = "93Cxx";
    d.taille_donnee = taille;
    d.algo = -3;
    auto m = cree_eeprom(d, p);
    auto* brute = dynamic_cast<Puce_93xx*>(m.get());
    EXPECT_NE(brute, nullptr);
    m.release();
    return std::unique_ptr<Puce_93xx>(brute);
}

std::string binaire(int v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
    return s;
}

// One instruction in its own CS frame: start bit, then the bits; CS stays high at the end.
void instruction(Bus& bus, const std::string& bits) {
    bus.cs(false);
    bus.cs(true);
    bus.bits("1" + bits);
}

// Deselects, selects again without clocks, and returns DO (0 busy, 1 ready).
bool etat(Bus& bus) {
    bus.cs(false);
    bus.cs(true);
    return bus.sortie();
}

TEST(Puce_93xx, lecture_zero_fictif_puis_octets_sequentiels) {
    auto p = puce_93(128);
    EXPECT_EQ(p->bits_adresse(), 7);
    auto m = test_eeprom::motif(128, 1);
    m[0x45] = 0x96;
    p->remplit(m);
    Bus bus(*p);
    // Clocks with DI at 0 before the start bit are ignored.
    bus.cs(true);
    bus.bits("000");
    bus.bits("1" + std::string("10") + binaire(0x45 >> 1, 6));
    // The clock of A0 drives the dummy 0; D7 comes with the next rising edge.
    EXPECT_FALSE(bus.impulsion(true));
    EXPECT_EQ(bus.octet_microwire(), 0x96);
    EXPECT_EQ(bus.octet_microwire(), m[0x46]); // no dummy bit between bytes
    bus.cs(false);
    EXPECT_TRUE(bus.sortie()); // DO floats
}

TEST(Puce_93xx, ecriture_refusee_avant_EWEN_puis_cycle_et_etat) {
    auto p = puce_93(128);
    Bus bus(*p, false);
    // Power-up state is EWDS: the write is ignored, no cycle, ready at once.
    instruction(bus, "01" + binaire(0x10, 7) + binaire(0xA5, 8));
    EXPECT_TRUE(etat(bus));
    bus.attend(10'000'000);
    EXPECT_EQ(p->contenu()[0x10], 0xFF);
    EXPECT_EQ(p->cycles_termines(), 0);

    instruction(bus, "0011" + std::string(5, '0')); // EWEN
    EXPECT_TRUE(p->ecriture_autorisee());
    instruction(bus, "01" + binaire(0x10, 7) + binaire(0xA5, 8));
    EXPECT_FALSE(etat(bus)); // busy
    bus.bits("0000");        // clocks with DI at 0 keep showing the status
    EXPECT_FALSE(bus.sortie());
    bus.attend(5'900'000);
    EXPECT_FALSE(bus.sortie());
    bus.attend(100'000);
    EXPECT_TRUE(bus.sortie()); // ready after 6 ms
    EXPECT_EQ(p->contenu()[0x10], 0xA5);

    // One clock too many before CS falls: no cycle.
    instruction(bus, "01" + binaire(0x11, 7) + binaire(0x5A, 8) + "0");
    EXPECT_TRUE(etat(bus));
    bus.attend(10'000'000);
    EXPECT_EQ(p->contenu()[0x11], 0xFF);

    instruction(bus, "0000" + std::string(5, '0')); // EWDS
    EXPECT_FALSE(p->ecriture_autorisee());
    // Power loss forgets EWEN too.
    instruction(bus, "0011" + std::string(5, '0'));
    bus.alimentation(false);
    bus.alimentation(true);
    EXPECT_FALSE(p->ecriture_autorisee());
}

TEST(Puce_93xx, effacements_et_ecriture_globale) {
    auto p = puce_93(128);
    p->remplit(std::vector<uint8_t>(128, 0x00));
    Bus bus(*p);
    instruction(bus, "0011" + std::string(5, '0'));
    instruction(bus, "11" + binaire(0x20, 7)); // ERASE
    EXPECT_FALSE(etat(bus));
    bus.attend(6'000'000);
    EXPECT_EQ(p->contenu()[0x20], 0xFF);
    EXPECT_EQ(p->contenu()[0x21], 0x00);

    instruction(bus, "0001" + std::string(5, '1') + binaire(0x3C, 8)); // WRAL, X bits at 1
    EXPECT_FALSE(etat(bus));
    bus.attend(14'000'000);
    EXPECT_FALSE(bus.sortie()); // WRAL takes 15 ms
    bus.attend(1'000'000);
    EXPECT_TRUE(bus.sortie());
    EXPECT_EQ(p->contenu(), std::vector<uint8_t>(128, 0x3C));

    instruction(bus, "0010" + std::string(5, '0')); // ERAL
    EXPECT_FALSE(etat(bus));
    bus.attend(6'000'000);
    EXPECT_EQ(p->contenu(), std::vector<uint8_t>(128, 0xFF));
}

TEST(Puce_93xx, largeur_d_adresse_et_bits_ignores) {
    struct Cas {
        int taille, bits;
    };
    for (Cas c : {Cas{128, 7}, Cas{256, 9}, Cas{512, 9}, Cas{1024, 11}, Cas{2048, 11}})
        EXPECT_EQ(puce_93(c.taille)->bits_adresse(), c.bits) << c.taille;

    // 93C56: A8 is clocked but not decoded.
    auto p = puce_93(256);
    auto m = test_eeprom::motif(256, 2);
    p->remplit(m);
    Bus bus(*p);
    instruction(bus, "10" + binaire(0x1AB, 9));
    EXPECT_EQ(bus.octet_microwire(), m[0xAB]);
    instruction(bus, "0011" + std::string(7, '0'));
    instruction(bus, "01" + binaire(0x1CD, 9) + binaire(0x42, 8));
    bus.cs(false);
    bus.attend(6'000'000);
    EXPECT_EQ(p->contenu()[0xCD], 0x42);
}

TEST(Puce_93xx, pannes) {
    {
        auto p = puce_93(128, {.occupee = true});
        Bus bus(*p);
        instruction(bus, "0011" + std::string(5, '0'));
        instruction(bus, "01" + binaire(0x01, 7) + binaire(0x00, 8));
        bus.attend(1'000'000'000);
        EXPECT_FALSE(etat(bus));
        EXPECT_EQ(p->contenu()[0x01], 0xFF);
    }
    {
        auto p = puce_93(128, {.bit_colle = true});
        Bus bus(*p);
        instruction(bus, "10" + binaire(0x02, 7));
        EXPECT_EQ(bus.octet_microwire(), 0xFE);
    }
}

} // namespace
