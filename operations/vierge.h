// SPDX-License-Identifier: GPL-2.0-or-later
// Blank check: every word of the chip's areas at its blank value.
#pragma once

#include "operations/operations.h"

#include <string>
#include <vector>

struct Zone_non_vierge {
    std::string zone;  // "Programme", "Données", "ID", "Configuration"
    unsigned premiere; // address of the first word that is not blank
    unsigned lu;       // what the chip holds there
    int nombre;        // words (bytes) that are not blank
};

struct Rapport_vierge {
    std::vector<Zone_non_vierge> zones; // empty when the chip is blank
    bool vierge() const { return zones.empty(); }
    std::string texte() const; // one line per area that is not blank, or "La puce est vierge\n"
};

// Reads the areas the settings enable (and their address ranges) and checks each word against
// its blank value: 0x3FFF (0xFFF on the 12-bit core) for program words and IDs, 0xFF for data
// bytes, the family's blank configuration word. The factory calibration word and bits are not
// counted.
Resultat_operation verifie_vierge(Rapport_vierge& r, bool forcer = false);

// The same check on the areas the erase just cleared, without the programmer and identity
// checks.
Resultat_operation verifie_effacement(Rapport_vierge& r);
