// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated 25xx SPI EEPROM, driven by hand-written bus sequences (mode 0).
#include "eeprom/banc_eeprom.h"

#include "sim/eeproms/puce_25xx.h"

namespace {

using test_eeprom::Bus;

std::unique_ptr<Puce_25xx> puce_25(int taille, Pannes_puce p = {}, Options_eeprom o = {}) {
    Desc_PIC d;
    d.nom = "25Cxxx";
    d.taille_donnee = taille;
    d.algo = -4;
    auto m = cree_eeprom(d, p, o);
    auto* brute = dynamic_cast<Puce_25xx*>(m.get());
    EXPECT_NE(brute, nullptr);
    m.release();
    return std::unique_ptr<Puce_25xx>(brute);
}

// One CS frame: the bytes sent, the bytes that came back on SO.
std::vector<uint8_t> trame(Bus& bus, std::vector<int> octets) {
    std::vector<uint8_t> recus;
    bus.cs(false);
    for (int o : octets) recus.push_back(bus.octet_spi(o));
    bus.cs(true);
    return recus;
}

uint8_t statut(Bus& bus) {
    return trame(bus, {0x05, 0x00})[1];
}

TEST(Puce_25xx, WREN_puis_WRITE_avec_WIP_et_WEL_remis_a_zero) {
    auto p = puce_25(128);
    Bus bus(*p, true);
    EXPECT_EQ(statut(bus), 0x00);
    trame(bus, {0x02, 0x10, 0x5A}); // no WEL: ignored
    EXPECT_EQ(statut(bus), 0x00);
    trame(bus, {0x06});
    EXPECT_EQ(statut(bus), 0x02);
    trame(bus, {0x02, 0x10, 0x5A});
    EXPECT_EQ(statut(bus), 0x03); // WIP, WEL still set
    // During the cycle every instruction but RDSR is ignored.
    EXPECT_EQ(trame(bus, {0x03, 0x10, 0x00})[2], 0xFF);
    trame(bus, {0x04});
    EXPECT_EQ(statut(bus), 0x03);
    bus.attend(5'000'000);
    EXPECT_EQ(statut(bus), 0x00);
    EXPECT_EQ(p->contenu()[0x10], 0x5A);
    EXPECT_EQ(trame(bus, {0x03, 0x10, 0x00})[2], 0x5A);
    // A7 is not decoded on the 128-byte part.
    EXPECT_EQ(trame(bus, {0x03, 0x90, 0x00})[2], 0x5A);
}

TEST(Puce_25xx, le_cycle_ne_demarre_qu_apres_un_octet_entier) {
    auto p = puce_25(128);
    Bus bus(*p, true);
    // CS raised after 3 bits of the data byte: nothing.
    trame(bus, {0x06});
    bus.cs(false);
    bus.octet_spi(0x02);
    bus.octet_spi(0x20);
    for (int i = 0; i < 3; ++i) {
        bus.pose([](Broches& x) { x.clk = true; });
        bus.pose([](Broches& x) { x.clk = false; });
    }
    bus.cs(true);
    EXPECT_EQ(statut(bus), 0x02);
    // WREN and WRITE in one frame: WEL was not set, nothing is written.
    trame(bus, {0x04});
    trame(bus, {0x06, 0x02, 0x21, 0x00});
    EXPECT_EQ(statut(bus), 0x00);
    bus.attend(10'000'000);
    EXPECT_EQ(p->contenu()[0x20], 0xFF);
    EXPECT_EQ(p->contenu()[0x21], 0xFF);
    EXPECT_EQ(p->cycles_termines(), 0);
    // WEL is cleared at power-up.
    trame(bus, {0x06});
    bus.alimentation(false);
    bus.alimentation(true);
    EXPECT_EQ(statut(bus), 0x00);
}

TEST(Puce_25xx, A8_dans_le_bit_3_de_l_instruction_sur_la_25C040) {
    auto p = puce_25(512);
    auto m = test_eeprom::motif(512, 4);
    p->remplit(m);
    Bus bus(*p, true);
    EXPECT_EQ(trame(bus, {0x0B, 0xA5, 0x00})[2], m[0x1A5]);
    EXPECT_EQ(trame(bus, {0x03, 0xA5, 0x00})[2], m[0x0A5]);
    trame(bus, {0x06});
    trame(bus, {0x0A, 0x07, 0x66});
    bus.attend(5'000'000);
    EXPECT_EQ(p->contenu()[0x107], 0x66);
    EXPECT_EQ(p->contenu()[0x007], m[0x007]);
}

TEST(Puce_25xx, lecture_sequentielle_et_page) {
    auto p = puce_25(8192);
    EXPECT_EQ(p->octets_adresse(), 2);
    EXPECT_EQ(p->taille_page(), 32);
    auto m = test_eeprom::motif(8192, 5);
    p->remplit(m);
    Bus bus(*p, true);
    auto r = trame(bus, {0x03, 0x1F, 0xFF, 0, 0});
    EXPECT_EQ(r[3], m[0x1FFF]);
    EXPECT_EQ(r[4], m[0x0000]); // rolls over at the top of the array
    trame(bus, {0x06});
    trame(bus, {0x02, 0x12, 0x3E, 1, 2, 3});
    bus.attend(5'000'000);
    EXPECT_EQ(p->contenu()[0x123E], 1);
    EXPECT_EQ(p->contenu()[0x123F], 2);
    EXPECT_EQ(p->contenu()[0x1220], 3); // wraps inside the 32-byte page
}

TEST(Puce_25xx, protection_de_blocs) {
    Options_eeprom o;
    o.protection_initiale = 3;
    auto p = puce_25(512, {}, o);
    Bus bus(*p, true);
    EXPECT_EQ(statut(bus), 0x0C);
    // WRSR needs WEL: without it the protection stays.
    trame(bus, {0x01, 0x00});
    EXPECT_EQ(statut(bus), 0x0C);
    trame(bus, {0x06});
    trame(bus, {0x02, 0x00, 0x11});
    EXPECT_EQ(statut(bus), 0x0E); // refused: no cycle, WEL kept
    bus.attend(5'000'000);
    EXPECT_EQ(p->contenu()[0x00], 0xFF);
    // BP = 01: only the upper quarter (0x180-0x1FF) is protected.
    trame(bus, {0x01, 0x04});
    EXPECT_EQ(statut(bus), 0x0F);
    bus.attend(5'000'000);
    EXPECT_EQ(statut(bus), 0x04);
    trame(bus, {0x06});
    trame(bus, {0x0A, 0x80, 0x22}); // 0x180
    bus.attend(5'000'000);
    trame(bus, {0x06});
    trame(bus, {0x0A, 0x7F, 0x33}); // 0x17F
    bus.attend(5'000'000);
    EXPECT_EQ(p->contenu()[0x180], 0xFF);
    EXPECT_EQ(p->contenu()[0x17F], 0x33);
    // The bits are non-volatile and kept in the state file.
    std::string texte = p->etat_hex();
    EXPECT_NE(texte.find("; statut 04\r\n"), std::string::npos);
    auto q = puce_25(512);
    ASSERT_TRUE(q->charge_etat_hex(texte));
    Bus bq(*q, true);
    EXPECT_EQ(statut(bq), 0x04);
    EXPECT_EQ(q->contenu(), p->contenu());
}

TEST(Puce_25xx, pannes) {
    auto p = puce_25(128, {.occupee = true});
    Bus bus(*p, true);
    trame(bus, {0x06});
    trame(bus, {0x02, 0x01, 0x00});
    bus.attend(1'000'000'000);
    EXPECT_EQ(statut(bus), 0x03);
    EXPECT_EQ(p->contenu()[0x01], 0xFF);
}

} // namespace
