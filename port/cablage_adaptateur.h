// SPDX-License-Identifier: GPL-2.0-or-later
// Where each programmer line meets a USB FTDI or GPIO adapter: a pin, maybe inverted. The line
// driver's register bytes are turned into pin levels here, and the DATA_IN pin back into a
// status register byte, so the pin map c_u keeps its meaning over every adapter.
#pragma once

#include "core/lignes.h"

#include <array>
#include <cstdint>
#include <string>

struct Broche_adaptateur {
    int broche = -1; // FTDI D0..D7, or a GPIO line offset; -1 = not wired
    bool inverse = false;
    bool operator==(const Broche_adaptateur&) const = default;
};

struct Cablage_adaptateur {
    std::array<Broche_adaptateur, NB_LIGNES> lignes{};
    bool operator==(const Cablage_adaptateur&) const = default;
};

// FT232R: each line on the D pin of its bit in the KORVAL preset's data register, DATA_IN on D7
// (RI#). Raspberry Pi header (BCM numbers): supplies on pins pulled up at reset (BCM 4, 5, 6),
// so that the active-low preset keeps them off before the program runs.
extern const Cablage_adaptateur cablage_ftdi_defaut;
extern const Cablage_adaptateur cablage_gpio_defaut;

// Pin levels (bit n = pin n) for a data register byte, through c_u's masks.
uint8_t broches_ftdi(uint8_t registre, const Cablage_adaptateur& c);
// Electrical level of a line's pin for a data register byte.
bool niveau_broche(uint8_t registre, const Cablage_adaptateur& c, Num_ligne ligne);
// The status register byte for a level of the DATA_IN pin.
uint8_t etat_pour_entree(bool niveau, const Cablage_adaptateur& c);

// "D4", "~D3" (FTDI) or "17", "~23" (GPIO). False when malformed.
bool lit_broche(const std::string& texte, bool ftdi, Broche_adaptateur& b);
std::string texte_broche(const Broche_adaptateur& b, bool ftdi);

// The adapter's default map with the pins of the settings (broches_conf) over it. False, with a
// message naming the key, for a pin the adapter does not have.
bool cablage_des_reglages(bool ftdi, Cablage_adaptateur& c);
