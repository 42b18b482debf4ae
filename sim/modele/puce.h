// SPDX-License-Identifier: GPL-2.0-or-later
// A simulated chip in the programmer's socket, driven only by the levels on its pins.
#pragma once

#include "core/catalogue.h"

#include <cstdint>
#include <string>

// Levels on the chip's pins (true = high). data is the level of the shared data line as the
// programmer drives it (the chip's own output is wired-AND onto it by the board).
struct Broches {
    bool vcc = false;
    bool vpp = false; // programming voltage at the chip's VPP/MCLR pin
    bool clk = false;
    bool data = true;
    bool select = false;  // chip select of Microwire and SPI parts
    bool data_93 = false; // serial input of Microwire and SPI parts
    bool operator==(const Broches&) const = default;
};

// Faults a chip model may show.
struct Pannes_puce {
    bool cellule_morte = false; // one cell never programs
    bool cellule_lente = false; // one cell needs many pulses
    bool bit_colle = false;     // one data bit reads 0 in every word read
    bool occupee = false;       // the write cycle never ends
};

class Modele_puce {
  public:
    virtual ~Modele_puce() = default;

    // The pins changed (or time passed) at virtual time t_ns; called on every port write.
    virtual void broches(const Broches& b, int64_t t_ns) = 0;
    // What the chip drives on the data line at t_ns: false pulls it low, true releases it.
    virtual bool sortie(int64_t t_ns) = 0;

    virtual const Desc_PIC& description() const = 0;

    // Chip contents as Intel HEX in the layout of the chip's kind, first line "; puce NOM".
    virtual std::string etat_hex() const = 0;
    // Restores contents from etat_hex() text; false when the text is not for this kind of chip.
    virtual bool charge_etat_hex(const std::string& texte) = 0;
};
