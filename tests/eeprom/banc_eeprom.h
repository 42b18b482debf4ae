// SPDX-License-Identifier: GPL-2.0-or-later
// Test bench for the EEPROM protocols: the simulated board under the line driver, with an EEPROM
// model in its socket behind a recorder of the pins, and small bus decoders working from that
// record (independent of the protocol code).
#pragma once

#include "commun/outils.h"

#include "sim/carte_simulee.h"
#include "sim/eeproms/eeprom_simulee.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace test_eeprom {

struct Pas {
    Broches b;
    int64_t t_ns;
};

// Wraps a chip (or stands alone when there is none: nothing driven) and records every change of
// the pins it sees.
class Espion : public Modele_puce {
  public:
    explicit Espion(std::unique_ptr<Modele_puce> p, Desc_PIC d = {});
    void broches(const Broches& b, int64_t t_ns) override;
    bool sortie(int64_t t_ns) override { return interne ? interne->sortie(t_ns) : true; }
    const Desc_PIC& description() const override { return interne ? interne->description() : desc; }
    std::string etat_hex() const override { return interne ? interne->etat_hex() : ""; }
    bool charge_etat_hex(const std::string& t) override {
        return interne && interne->charge_etat_hex(t);
    }

    std::vector<Pas> journal;
    bool enregistre = true; // off for long runs
    std::unique_ptr<Modele_puce> interne;

  private:
    Desc_PIC desc;
};

// Drives a chip's pins by hand (hand-written bus sequences), 1 µs per change, supply on.
class Bus {
  public:
    explicit Bus(Modele_puce& m, bool select = false);
    template <class F> void pose(F change) {
        change(b);
        t += 1000;
        p.broches(b, t);
    }
    void attend(int64_t ns);
    void alimentation(bool on) {
        pose([&](Broches& x) { x.vcc = on; });
    }
    bool sortie() { return p.sortie(t); }

    // I2C master (SDA = data wired-AND with the chip, SCL = clk).
    bool ligne() { return b.data && p.sortie(t); }
    void start();
    void stop();
    bool envoie(int octet); // true when acknowledged
    uint8_t recoit(bool ack);

    // Microwire: one clock pulse with DI at di; returns DO read while the clock is high (after the
    // rising edge that changes it).
    bool impulsion(bool di);
    void bits(const std::string& zeros_uns); // one pulse per character
    uint8_t octet_microwire();               // 8 pulses, DO read after each rising edge
    uint8_t octet_spi(int envoye);           // 8 pulses sending envoye, SO read before each rise
    void cs(bool niveau) {
        pose([&](Broches& x) { x.select = niveau; });
    }

    Modele_puce& p;
    Broches b;
    int64_t t = 0;
};

// I2C as the master drives it: "S" START, "Sr" repeated START, "P" STOP, and each whole byte
// (master's data line on the 8 rising clocks) in two upper-case hex digits; the ninth clock is
// left out. Only while VCC is on.
std::vector<std::string> jetons_I2C(const std::vector<Pas>& j);

// Microwire: for each CS-high frame, the DI level at every rising clock ("0"/"1").
std::vector<std::string> trames_microwire(const std::vector<Pas>& j);

// SPI: for each CS-low frame, its whole bytes from SI at rising clocks ("02 7F 5A"), and "+n" for
// n bits left over.
std::vector<std::string> trames_SPI(const std::vector<Pas>& j);

// Pattern of taille bytes from a seed.
std::vector<uint8_t> motif(int taille, unsigned graine);

class Banc : public test::Etat_propre {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Selects the catalogue device nom and builds the board with a model of the device puce (nom
    // when empty) in its socket.
    Eeprom_simulee& monte(const std::string& nom, const Options_eeprom& o = {},
                          const Pannes_simulateur& pannes = {}, const std::string& puce = "");
    // The same with a chip of the test's own.
    void monte_puce(const std::string& nom, std::unique_ptr<Modele_puce> puce,
                    const Pannes_simulateur& pannes = {});
    // Selects a device of its own (appended to the catalogue).
    void choisit(const std::string& nom, int taille, int algo);

    // Data-memory operations through the protocol of the selected device, as the dispatch calls
    // them.
    int ecrit(const std::vector<uint8_t>& source);
    std::vector<uint8_t> lit(uint8_t remplissage = 0x55);
    bool lecture_reussie = false; // the last lit() got its buffer back, not null

    std::vector<std::string> textes() const;

    Carte_simulee* carte = nullptr;
    Espion* espion = nullptr;
    Eeprom_simulee* puce = nullptr;
    std::optional<test::Enregistreur_messages> journal;
};

} // namespace test_eeprom
