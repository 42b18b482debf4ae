// SPDX-License-Identifier: GPL-2.0-or-later
// Microwire protocol end to end: the line driver on the simulated board with a 93xx model.
#include "banc_eeprom.h"

#include "core/etat.h"
#include "core/messages.h"
#include "eeprom/eeprom.h"

namespace {

using test_eeprom::Banc;
using test_eeprom::motif;
using test_eeprom::trames_microwire;

const std::string ERREUR = "Une erreur est survenue lors de la communication avec l'eeprom";
const std::string BUSY = "erreur : serie toujours busy\n";

std::string binaire(int v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += ((v >> i) & 1) ? '1' : '0';
    return s;
}

// A chip that only answers the status check: DO stays 0 in each CS-high frame until it has seen
// `pret_apres` rising clocks with DI at 0 in that frame.
class Pret_apres : public Modele_puce {
  public:
    explicit Pret_apres(int n) : pret_apres(n) { desc.nom = "93C46"; }
    void broches(const Broches& b, int64_t) override {
        if (b.select && !prec.select) montees = 0;
        if (b.select && b.clk && !prec.clk && !b.data_93) ++montees;
        if (b.select && b.clk && !prec.clk && b.data_93) montees = -1000000; // a command frame
        prec = b;
    }
    // In a command frame DO reads 0: the read-back's dummy bit and byte.
    bool sortie(int64_t) override { return !prec.select || (montees >= 0 && montees >= pret_apres); }
    const Desc_PIC& description() const override { return desc; }
    std::string etat_hex() const override { return ""; }
    bool charge_etat_hex(const std::string&) override { return false; }

  private:
    int pret_apres;
    int montees = 0;
    Broches prec;
    Desc_PIC desc;
};

class Microwire : public Banc {};

TEST_F(Microwire, suites_de_bits) {
    // 128-byte chip, address 0x45: start bit, 1, 0, seven address bits, one extra clock, then 8.
    auto& p = monte("93C46");
    auto m = motif(128, 1);
    p.remplit(m);
    le_data_deb = le_data_fin = 0x45;
    EXPECT_EQ(lit()[0x45], m[0x45]);
    EXPECT_EQ(trames_microwire(espion->journal),
              std::vector<std::string>{"1" + std::string("10") + "1000101" + "0" + "00000000"});

    // Write of 0xC3 at 0x12: enable, the write frame, the status frame, the read-back, disable.
    espion->journal.clear();
    le_data_deb = le_data_fin = 0x12;
    std::vector<uint8_t> source(128, 0);
    source[0x12] = 0xC3;
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu()[0x12], 0xC3);
    auto t = trames_microwire(espion->journal);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0], "1" + std::string("0011") + "00000");
    EXPECT_EQ(t[1], "1" + std::string("01") + binaire(0x12, 7) + binaire(0xC3, 8));
    // Status frame: one rising clock, then one pulse per busy poll (6 ms write cycle).
    EXPECT_EQ(t[2].find('1'), std::string::npos);
    EXPECT_GT(t[2].size(), 100u);
    EXPECT_EQ(t[3], "1" + std::string("10") + binaire(0x12, 7) + "0" + "00000000");
    EXPECT_EQ(t[4], "1" + std::string("0000") + "00000");
}

TEST_F(Microwire, activation_et_desactivation_avec_neuf_bits) {
    monte("93C66");
    le_data_deb = 1;
    le_data_fin = 0; // empty range: enable and disable are still sent
    EXPECT_EQ(ecrit(std::vector<uint8_t>(512, 0)), 0);
    EXPECT_EQ(trames_microwire(espion->journal),
              (std::vector<std::string>{"100110000000", "1" + std::string(11, '0')}));
    EXPECT_FALSE(carte->broches_support().vcc);
}

TEST_F(Microwire, puce_toujours_occupee) {
    Pannes_simulateur occupee;
    occupee.puce.occupee = true;
    auto& p = monte("93C46", {}, occupee);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(std::vector<uint8_t>(128, 0)), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), BUSY);
    EXPECT_EQ(textes(), std::vector<std::string>{ERREUR});
    EXPECT_EQ(journal->messages()[0].fin, 0);
    EXPECT_FALSE(carte->broches_support().vcc);
    EXPECT_EQ(p.contenu()[0], 0xFF);
    // Enable, write, then the status frame with its 10000 pulses; no disable.
    auto t = trames_microwire(espion->journal);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[2], std::string(1 + 10000, '0'));
}

TEST_F(Microwire, pret_a_la_derniere_scrutation) {
    for (int n : {10001, 10002}) {
        SCOPED_TRACE(n);
        journal->vide();
        monte_puce("93C46", std::make_unique<Pret_apres>(n));
        le_data_deb = le_data_fin = 0;
        testing::internal::CaptureStdout();
        // The model's DO stays at 0 in a command frame: the byte reads back as 0x00.
        int r = ecrit(std::vector<uint8_t>(128, 0x00));
        std::string sortie = testing::internal::GetCapturedStdout();
        if (n == 10001) {
            EXPECT_EQ(r, 0);
            EXPECT_EQ(sortie, "");
        } else {
            EXPECT_EQ(r, -1);
            EXPECT_EQ(sortie, BUSY);
            EXPECT_EQ(textes(), std::vector<std::string>{ERREUR});
        }
        EXPECT_FALSE(carte->broches_support().vcc);
    }
}

TEST_F(Microwire, support_vide_ou_puce_plus_grande) {
    // DATA_IN floats at 1 (empty socket), or a 93C86 still takes address bits where a 93C46 gives
    // its dummy 0: every read, the read-back of a write and the erase's check say so and fail.
    const std::string MUETTE = "EEPROM : pas de réponse de la puce (pas de bit 0 après l'adresse ";
    Pannes_simulateur vide;
    vide.sans_puce = true;
    for (const bool rapide : {false, true}) {
        for (const bool sans_puce : {true, false}) {
            SCOPED_TRACE(std::to_string(rapide) + std::to_string(sans_puce));
            eeprom_rapide = rapide ? 1 : 0;
            monte("93C46", {}, sans_puce ? vide : Pannes_simulateur{}, sans_puce ? "" : "93C86");
            journal->vide();
            testing::internal::CaptureStdout();
            EXPECT_EQ(ecrit(std::vector<uint8_t>(128, 0)), -1);
            auto lu = lit(0x55);
            EXPECT_EQ(Efface_EEPROM_serie(7), -1);
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
            EXPECT_EQ(lu[0], 0x55); // nothing read
            ASSERT_EQ(textes().size(), 3u);
            for (const std::string& t : textes()) EXPECT_EQ(t.rfind(MUETTE, 0), 0u) << t;
            EXPECT_FALSE(carte->broches_support().vcc);
        }
    }
}

TEST_F(Microwire, plages_et_cellule_lente) {
    Pannes_simulateur lente;
    lente.puce.cellule_lente = true;
    auto& p = monte("93C66", {}, lente);
    auto source = motif(512, 23);
    le_data_deb = 250;
    le_data_fin = 270;
    EXPECT_EQ(ecrit(source), 0); // ready polling waits for the slow cell at 256
    for (int a = 0; a < 512; ++a)
        EXPECT_EQ(p.contenu()[static_cast<std::size_t>(a)],
                  a >= 250 && a <= 270 ? source[static_cast<std::size_t>(a)] : 0xFF)
            << a;
    le_data_deb = -4;
    le_data_fin = 251;
    auto lu = lit(0x55);
    EXPECT_EQ(lu[0], 0xFF);
    EXPECT_EQ(lu[250], source[250]);
    EXPECT_EQ(lu[251], source[251]);
    EXPECT_EQ(lu[252], 0x55);
}

} // namespace
