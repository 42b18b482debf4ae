// SPDX-License-Identifier: GPL-2.0-or-later
// Programmer pin maps: which port bit carries each line, and its polarity.
#pragma once

#include <cstdint>

enum Num_ligne : int {
    L_DATA_OUT = 0,
    L_DATA_IN,
    L_CLK,
    L_VCC,
    L_VPP1,
    L_VPP2,
    L_SELECT,
    L_DATA_93,
    NB_LIGNES
};

// Line names in pair order ("DATA_OUT", ...).
extern const char* const noms_lignes[NB_LIGNES];

struct Ligne {
    uint8_t masque;  // register bits of the line; 0 = no such line
    uint8_t inverse; // 1 = active low
    bool operator==(const Ligne&) const = default;
};

struct Brochage {
    Ligne l[NB_LIGNES];
    bool operator==(const Brochage&) const = default;
};

// Presets of programmer type 0 ("KORVAL") and 1 ("P16Pro").
extern const Brochage brochage_korval;
extern const Brochage brochage_p16pro;
