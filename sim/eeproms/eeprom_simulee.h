// SPDX-License-Identifier: GPL-2.0-or-later
// Simulated serial EEPROMs (24xx, 93xx in x8, 25xx) for the simulated programmer, driven only by
// the levels on their pins, with a write cycle that runs on the board's virtual clock.
//
// Faults (Pannes_puce), the same for the three kinds:
//   cellule_morte  the byte at adresse_fautive never changes when programmed;
//   cellule_lente  a write cycle that programs adresse_fautive lasts three times as long;
//   bit_colle      bit 0 of every array byte read out is 0 (the memory itself is right);
//   occupee        the first write cycle never ends (until the supply goes off).
// A chip that never answers is Options_eeprom::muette, or the board's empty socket.
#pragma once

#include "sim/modele/puce.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

struct Options_eeprom {
    int64_t duree_ecriture_ns = -1; // write cycle; -1: the part's maximum from its data sheet
    bool muette = false;            // powered but never drives the data line
    int protection_initiale = 0;    // 25xx: block-protect bits BP1 BP0 at creation (0 to 3)
    int adresse_fautive = -1;       // byte hit by cellule_morte and cellule_lente; -1: size / 2
};

class Eeprom_simulee : public Modele_puce {
  public:
    const Desc_PIC& description() const override { return desc; }
    // Plain byte layout, every byte written, first line "; puce NOM".
    std::string etat_hex() const override;
    bool charge_etat_hex(const std::string& texte) override;

    int taille() const { return static_cast<int>(memoire.size()); }
    const std::vector<uint8_t>& contenu() const { return memoire; }
    void remplit(const std::vector<uint8_t>& octets); // the first taille() bytes, rest 0xFF
    int cycles_termines() const { return nb_cycles; }
    int64_t duree_ecriture() const { return duree_cycle; }

  protected:
    Eeprom_simulee(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o,
                   int64_t duree_par_defaut_ns);

    // Starts at t a write cycle that programs the given bytes when it ends, after duree_ns
    // multiplied as the faults say.
    void demarre_cycle(int64_t t, std::vector<std::pair<int, uint8_t>> octets, int64_t duree_ns);
    // Ends the cycle when t has reached its end; true while it runs.
    bool occupee(int64_t t);
    // Supply lost: a running cycle programs nothing.
    void coupe_cycle();
    // True while VCC is off; when it has just gone, the running cycle is lost (coupe_cycle) and
    // the model drops its volatile state (perte_alimentation).
    bool hors_tension(const Broches& b);
    virtual void perte_alimentation() {}
    // An array byte as the chip sends it out.
    uint8_t lit(int a) const;
    // Address of the byte after a, rolling over at the end of the array.
    int suivante(int a) const { return a + 1 < taille() ? a + 1 : 0; }

    // Called once when a write cycle has ended and its bytes are programmed.
    virtual void cycle_termine() {}

    // Extra state kept in comment lines of the state file (the 25xx status register). A comment
    // line the model does not know is accepted; false for one it knows but cannot read.
    virtual std::string lignes_etat() const { return {}; }
    virtual bool lit_ligne_etat(const std::string&) { return true; }

    Desc_PIC desc;
    Pannes_puce pannes;
    Options_eeprom options;
    std::vector<uint8_t> memoire;
    bool alimentee = false;

  private:
    int64_t duree_cycle;
    int adresse_fautive;
    bool en_cycle = false;
    int64_t fin_cycle = 0;
    std::vector<std::pair<int, uint8_t>> a_programmer;
    int nb_cycles = 0;
};

// The model of a catalogue entry of the I2C (-1, -2), Microwire (-3) or SPI (-4) kind, null for any
// other kind or for a size beyond the kind's largest part (2048 bytes for Microwire, 65536 for the
// others).
std::unique_ptr<Modele_puce> cree_eeprom(const Desc_PIC& d, const Pannes_puce& p);
std::unique_ptr<Modele_puce> cree_eeprom(const Desc_PIC& d, const Pannes_puce& p,
                                         const Options_eeprom& o);
