// SPDX-License-Identifier: GPL-2.0-or-later
// SPI protocol end to end: the line driver on the simulated board with a 25xx model.
#include "banc_eeprom.h"

#include "core/etat.h"
#include "eeprom/eeprom.h"

namespace {

using test_eeprom::Banc;
using test_eeprom::motif;
using test_eeprom::trames_SPI;

using Trames = std::vector<std::string>;

// The frames without the status reads (RDSR, 0x05) that wait for each write cycle; their number
// in polls.
Trames sans_statut(const Trames& t, std::size_t* polls = nullptr) {
    Trames r;
    for (const std::string& f : t)
        if (f.rfind("05", 0) != 0) r.push_back(f);
    if (polls) *polls = t.size() - r.size();
    return r;
}

class SPI : public Banc {};

TEST_F(SPI, octets_d_instruction) {
    // 512 bytes (p = 9): read 0x1A5 is 0x0B then 0xA5; write 0x0A5 is 0x02 then 0xA5.
    auto& p040 = monte("25C040");
    auto m = motif(512, 2);
    p040.remplit(m);
    le_data_deb = le_data_fin = 0x1A5;
    EXPECT_EQ(lit()[0x1A5], m[0x1A5]);
    // One status read finds the chip ready, then the READ.
    std::size_t polls = 0;
    auto t = sans_statut(trames_SPI(espion->journal), &polls);
    EXPECT_EQ(polls, 1u);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].substr(0, 5), "0B A5");
    EXPECT_EQ(t[0].size(), 8u); // and 8 clocks that read the byte

    espion->journal.clear();
    le_data_deb = le_data_fin = 0x0A5;
    std::vector<uint8_t> source(512, 0);
    source[0xA5] = 0x3C;
    EXPECT_EQ(ecrit(source), 0);
    // The status clear and the write, each waited for by status reads, then the read-back.
    t = sans_statut(trames_SPI(espion->journal), &polls);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(Trames(t.begin(), t.begin() + 4), (Trames{"06", "01 00", "06", "02 A5 3C"}));
    EXPECT_EQ(t[4].substr(0, 5), "03 A5");
    EXPECT_GE(polls, 2u);
    EXPECT_EQ(p040.contenu()[0xA5], 0x3C);

    // 32 KB (p = 16): read 0x1234 is 0x03, 0x12, 0x34.
    auto& p256 = monte("25C256");
    p256.remplit(motif(32768, 3));
    le_data_deb = le_data_fin = 0x1234;
    EXPECT_EQ(lit()[0x1234], motif(32768, 3)[0x1234]);
    t = sans_statut(trames_SPI(espion->journal));
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].substr(0, 8), "03 12 34");

    // 128 bytes (p = 8): write 0x7F is the status clear, then its own WREN frame, then the write.
    auto& p010 = monte("25C010");
    le_data_deb = le_data_fin = 0x7F;
    source.assign(128, 0);
    source[0x7F] = 0x81;
    EXPECT_EQ(ecrit(source), 0);
    t = sans_statut(trames_SPI(espion->journal));
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(Trames(t.begin(), t.begin() + 4), (Trames{"06", "01 00", "06", "02 7F 81"}));
    EXPECT_EQ(p010.contenu()[0x7F], 0x81);
}

TEST_F(SPI, plage_vide_envoie_quand_meme_l_effacement_du_statut) {
    monte("25C010");
    le_data_deb = 0;
    le_data_fin = -1;
    EXPECT_EQ(ecrit(std::vector<uint8_t>(128, 0)), 0);
    EXPECT_EQ(sans_statut(trames_SPI(espion->journal)), (Trames{"06", "01 00"}));
    EXPECT_FALSE(carte->broches_support().vcc);
    espion->journal.clear();
    lit();
    EXPECT_TRUE(sans_statut(trames_SPI(espion->journal)).empty());
}

TEST_F(SPI, plages_d_adresses) {
    auto& p = monte("25C020");
    auto source = motif(256, 4);
    le_data_deb = 200;
    le_data_fin = 1000;
    EXPECT_EQ(ecrit(source), 0);
    for (int a = 0; a < 256; ++a)
        EXPECT_EQ(p.contenu()[static_cast<std::size_t>(a)],
                  a >= 200 ? source[static_cast<std::size_t>(a)] : 0xFF)
            << a;
    le_data_deb = -1;
    le_data_fin = 0;
    auto lu = lit(0x55);
    EXPECT_EQ(lu[0], 0xFF);
    EXPECT_EQ(lu[1], 0x55);
}

TEST_F(SPI, puce_protegee_l_effacement_du_statut_leve_la_protection) {
    // Block-protect bits set at power-up: the status clear (with its write enable, and its write
    // cycle waited out) lifts them, and every byte is then written.
    Options_eeprom o;
    o.protection_initiale = 3;
    auto& p = monte("25C040", o);
    const auto source = motif(512, 5);
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu(), source);
    EXPECT_NE(p.etat_hex().find("; statut 00"), std::string::npos);
}

TEST_F(SPI, pannes_signalees_par_le_statut_ou_la_relecture) {
    // The status clear's write cycle never ends: the status reads give up, nothing is written.
    const std::string occupee_texte =
        "erreur : SPI toujours occupée (puce absente, ou cycle d'écriture sans fin)\n";
    Pannes_simulateur occupee;
    occupee.puce.occupee = true;
    auto& p = monte("25C010", {}, occupee);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(motif(128, 6)), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), occupee_texte);
    EXPECT_EQ(textes(), std::vector<std::string>{
                            "Une erreur est survenue lors de la communication avec l'eeprom"});
    EXPECT_EQ(p.contenu(), std::vector<uint8_t>(128, 0xFF));
    EXPECT_FALSE(carte->broches_support().vcc);

    // A cell whose cycle outlasts 10 ms: the status reads wait for it.
    Pannes_simulateur lente;
    lente.puce.cellule_lente = true;
    auto& q = monte("25C010", {}, lente);
    auto source = motif(128, 7);
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(q.contenu(), source);

    // An empty socket: SO floats at 1, so WIP never clears, for a write as for a read.
    Pannes_simulateur vide;
    vide.sans_puce = true;
    monte("25C010", {}, vide);
    journal->vide();
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(source), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), occupee_texte);
    journal->vide();
    testing::internal::CaptureStdout();
    auto lu = lit(0x55);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), occupee_texte);
    EXPECT_FALSE(lecture_reussie);
    EXPECT_TRUE(std::all_of(lu.begin(), lu.begin() + 128, [](uint8_t v) { return v == 0x55; }));
    EXPECT_FALSE(carte->broches_support().vcc);
}

} // namespace
