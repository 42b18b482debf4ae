// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated 24xx I2C EEPROM, driven by hand-written bus sequences.
#include "eeprom/banc_eeprom.h"

#include "sim/eeproms/puce_24xx.h"

namespace {

using test_eeprom::Bus;

std::unique_ptr<Puce_24xx> puce_24(const char* nom, int taille, Pannes_puce p = {},
                                   Options_eeprom o = {}) {
    Desc_PIC d;
    d.nom = nom;
    d.taille_donnee = taille;
    d.algo = taille <= 2048 ? -1 : -2;
    auto m = cree_eeprom(d, p, o);
    auto* brute = dynamic_cast<Puce_24xx*>(m.get());
    EXPECT_NE(brute, nullptr);
    m.release();
    return std::unique_ptr<Puce_24xx>(brute);
}

// Byte write: START, control, address byte(s), data, STOP. False when a byte went unacknowledged.
bool ecrit_octet(Bus& bus, int controle, std::vector<int> adresse, int valeur) {
    bus.start();
    bool ok = bus.envoie(controle);
    for (int a : adresse) ok = ok && bus.envoie(a);
    ok = ok && bus.envoie(valeur);
    bus.stop();
    return ok;
}

// Random read: dummy write of the address, repeated START, read control, one byte, NACK, STOP.
int lit_octet(Bus& bus, int controle, std::vector<int> adresse) {
    bus.start();
    bool ok = bus.envoie(controle);
    for (int a : adresse) ok = ok && bus.envoie(a);
    bus.start();
    ok = ok && bus.envoie(controle | 1);
    int v = ok ? bus.recoit(false) : -1;
    bus.stop();
    return v;
}

bool repond(Bus& bus, int controle = 0xA0) {
    bus.start();
    bool ack = bus.envoie(controle);
    bus.stop();
    return ack;
}

TEST(Puce_24xx, ecrit_un_octet_en_cinq_millisecondes_puis_le_relit) {
    auto p = puce_24("24C02", 256);
    Bus bus(*p);
    EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x10}, 0x5A));
    // During the write cycle the chip acknowledges nothing; the byte is there once it ends.
    EXPECT_FALSE(repond(bus));
    EXPECT_EQ(p->contenu()[0x10], 0xFF);
    bus.attend(4'900'000);
    EXPECT_FALSE(repond(bus));
    bus.attend(100'000);
    EXPECT_TRUE(repond(bus));
    EXPECT_EQ(p->contenu()[0x10], 0x5A);
    EXPECT_EQ(lit_octet(bus, 0xA0, {0x10}), 0x5A);
    EXPECT_EQ(p->cycles_termines(), 1);
}

TEST(Puce_24xx, octet_de_controle_bits_de_bloc_et_broches_de_selection) {
    auto p02 = puce_24("24C02", 256);
    Bus b02(*p02);
    EXPECT_FALSE(repond(b02, 0xB0)); // not a 24xx device type
    EXPECT_FALSE(repond(b02, 0xA2)); // A0 pin is tied low
    EXPECT_TRUE(repond(b02, 0xA0));

    auto p04 = puce_24("24C04", 512);
    Bus b04(*p04);
    EXPECT_TRUE(repond(b04, 0xA2));  // control bit 1 is A8
    EXPECT_FALSE(repond(b04, 0xA4)); // control bit 2 is the A1 pin

    auto p16 = puce_24("24C16", 2048);
    Bus b16(*p16);
    EXPECT_TRUE(ecrit_octet(b16, 0xAA, {0xA3}, 0x3C));
    b16.attend(5'000'000);
    EXPECT_EQ(p16->contenu()[0x5A3], 0x3C);
    EXPECT_EQ(lit_octet(b16, 0xAA, {0xA3}), 0x3C);
    EXPECT_EQ(lit_octet(b16, 0xA0, {0xA3}), 0xFF); // block 0, same low byte
}

TEST(Puce_24xx, deux_octets_d_adresse_et_bit_du_haut_ignore) {
    auto p = puce_24("24C256", 32768);
    Bus bus(*p);
    EXPECT_EQ(p->octets_adresse(), 2);
    EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x12, 0x34}, 0x77));
    bus.attend(5'000'000);
    EXPECT_EQ(p->contenu()[0x1234], 0x77);
    EXPECT_EQ(lit_octet(bus, 0xA0, {0x92, 0x34}), 0x77); // A15 is not decoded
    EXPECT_FALSE(repond(bus, 0xA2));                     // chip-select bits compared
}

TEST(Puce_24xx, ecriture_page_repart_au_debut_de_la_page) {
    auto p = puce_24("24C02", 256);
    Bus bus(*p);
    EXPECT_EQ(p->taille_page(), 8);
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA0));
    ASSERT_TRUE(bus.envoie(0x06));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(bus.envoie(i));
    bus.stop();
    bus.attend(5'000'000);
    std::vector<uint8_t> attendu(256, 0xFF);
    // 0x06, 0x07, then the page start 0x00..0x05, then 0x06 and 0x07 again.
    for (int i = 0; i < 10; ++i)
        attendu[static_cast<std::size_t>((6 + i) % 8)] = static_cast<uint8_t>(i);
    EXPECT_EQ(p->contenu(), attendu);
    EXPECT_EQ(p->cycles_termines(), 1);
}

TEST(Puce_24xx, seul_un_stop_apres_un_octet_entier_lance_l_ecriture) {
    auto p = puce_24("24C02", 256);
    Bus bus(*p);
    // STOP after 3 bits of the data byte: the write is abandoned and the chip stays ready.
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA0));
    ASSERT_TRUE(bus.envoie(0x20));
    for (int i = 0; i < 3; ++i) {
        bus.pose([](Broches& x) { x.data = false; });
        bus.pose([](Broches& x) { x.clk = true; });
        bus.pose([](Broches& x) { x.clk = false; });
    }
    bus.stop();
    EXPECT_TRUE(repond(bus));
    // A repeated START after a data byte abandons it as well.
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA0));
    ASSERT_TRUE(bus.envoie(0x20));
    ASSERT_TRUE(bus.envoie(0x11));
    bus.start();
    bus.stop();
    EXPECT_TRUE(repond(bus));
    bus.attend(10'000'000);
    EXPECT_EQ(p->contenu()[0x20], 0xFF);
    EXPECT_EQ(p->cycles_termines(), 0);
}

TEST(Puce_24xx, pointeur_lecture_courante_et_sequentielle) {
    auto p = puce_24("24C02", 256);
    auto m = test_eeprom::motif(256, 7);
    p->remplit(m);
    Bus bus(*p);
    // Dummy write: the address only, then STOP; nothing is programmed.
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA0));
    ASSERT_TRUE(bus.envoie(0xFE));
    bus.stop();
    EXPECT_TRUE(repond(bus));
    // Current-address read, then a sequential read that rolls over from 0xFF to 0x00.
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA1));
    EXPECT_EQ(bus.recoit(true), m[0xFE]);
    EXPECT_EQ(bus.recoit(true), m[0xFF]);
    EXPECT_EQ(bus.recoit(false), m[0x00]);
    bus.stop();
    EXPECT_EQ(p->pointeur(), 1);
    // After a byte write the pointer is on the next address.
    EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x40}, 0x99));
    bus.attend(5'000'000);
    bus.start();
    ASSERT_TRUE(bus.envoie(0xA1));
    EXPECT_EQ(bus.recoit(false), m[0x41]);
    bus.stop();
}

TEST(Puce_24xx, coupure_d_alimentation_pendant_le_cycle_perd_l_octet) {
    auto p = puce_24("24C02", 256);
    Bus bus(*p);
    EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x05}, 0x00));
    bus.attend(1'000'000);
    bus.alimentation(false);
    bus.attend(10'000'000);
    bus.alimentation(true);
    EXPECT_TRUE(repond(bus));
    EXPECT_EQ(p->contenu()[0x05], 0xFF);
    // Without power the chip drives nothing.
    bus.alimentation(false);
    EXPECT_TRUE(bus.sortie());
}

TEST(Puce_24xx, pannes) {
    {
        auto p = puce_24("24C02", 256, {.occupee = true});
        Bus bus(*p);
        EXPECT_TRUE(repond(bus));
        EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x01}, 0x00));
        bus.attend(1'000'000'000);
        EXPECT_FALSE(repond(bus));
        EXPECT_EQ(p->contenu()[0x01], 0xFF);
        bus.alimentation(false);
        bus.alimentation(true);
        EXPECT_TRUE(repond(bus));
    }
    {
        auto p = puce_24("24C02", 256, {.cellule_morte = true});
        Bus bus(*p);
        EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x80}, 0x00)); // size / 2
        bus.attend(5'000'000);
        EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x81}, 0x00));
        bus.attend(5'000'000);
        EXPECT_EQ(p->contenu()[0x80], 0xFF);
        EXPECT_EQ(p->contenu()[0x81], 0x00);
    }
    {
        Options_eeprom o;
        o.adresse_fautive = 0x33;
        auto p = puce_24("24C02", 256, {.cellule_lente = true}, o);
        Bus bus(*p);
        EXPECT_TRUE(ecrit_octet(bus, 0xA0, {0x33}, 0x00));
        bus.attend(10'000'000);
        EXPECT_FALSE(repond(bus));
        bus.attend(5'000'000);
        EXPECT_TRUE(repond(bus));
        EXPECT_EQ(p->contenu()[0x33], 0x00);
    }
    {
        auto p = puce_24("24C02", 256, {.bit_colle = true});
        Bus bus(*p);
        EXPECT_EQ(lit_octet(bus, 0xA0, {0x00}), 0xFE);
        EXPECT_EQ(p->contenu()[0x00], 0xFF);
    }
    {
        Options_eeprom o;
        o.muette = true;
        auto p = puce_24("24C02", 256, {}, o);
        Bus bus(*p);
        EXPECT_FALSE(repond(bus));
    }
}

TEST(Puce_24xx, etat_en_intel_hex) {
    auto p = puce_24("24C02", 256);
    auto m = test_eeprom::motif(256, 3);
    m[0] = 0x00;
    m[1] = 0x01;
    p->remplit(m);
    std::string texte = p->etat_hex();
    EXPECT_EQ(texte.substr(0, 14), "; puce 24C02\r\n");
    EXPECT_EQ(texte.substr(texte.size() - 13), ":00000001FF\r\n");
    EXPECT_EQ(std::count(texte.begin(), texte.end(), '\n'), 1 + 16 + 1);
    EXPECT_EQ(texte.substr(14, 13), ":100000000001");

    auto q = puce_24("24C02", 256);
    EXPECT_TRUE(q->charge_etat_hex(texte));
    EXPECT_EQ(q->contenu(), m);
    // Missing records leave 0xFF; an unknown chip, a bad checksum, an address beyond the array
    // or a file cut before its end record are refused and change nothing.
    EXPECT_TRUE(q->charge_etat_hex("; puce 24C02\n:03001000010203E7\n:00000001FF\n"));
    std::vector<uint8_t> attendu(256, 0xFF);
    attendu[0x10] = 1;
    attendu[0x11] = 2;
    attendu[0x12] = 3;
    EXPECT_EQ(q->contenu(), attendu);
    EXPECT_FALSE(q->charge_etat_hex("; puce 24C04\n:00000001FF\n"));
    EXPECT_FALSE(q->charge_etat_hex("; puce 24C02\n:03001000010203E8\n:00000001FF\n"));
    EXPECT_FALSE(q->charge_etat_hex("; puce 24C02\n:0200FF000102FC\n"));
    EXPECT_FALSE(q->charge_etat_hex(":00000001FF\n"));
    EXPECT_FALSE(q->charge_etat_hex("; puce 24C02\n:03001000010203E7\n"));
    EXPECT_EQ(q->contenu(), attendu);
}

TEST(Puce_24xx, fabrique_par_type_et_taille) {
    Desc_PIC d;
    d.nom = "X";
    d.taille_donnee = 256;
    for (int algo : {1, 2, 3, 0, -5}) {
        d.algo = algo;
        EXPECT_EQ(cree_eeprom(d, {}), nullptr) << algo;
    }
    d.algo = -3;
    d.taille_donnee = 4096;
    EXPECT_EQ(cree_eeprom(d, {}), nullptr);
    d.algo = -2;
    d.taille_donnee = 131072;
    EXPECT_EQ(cree_eeprom(d, {}), nullptr);
    d.taille_donnee = 65536;
    ASSERT_NE(cree_eeprom(d, {}), nullptr);
    EXPECT_EQ(cree_eeprom(d, {})->description().nom, "X");
}

} // namespace
