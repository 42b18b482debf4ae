// SPDX-License-Identifier: GPL-2.0-or-later
// Faults of the simulated programmer, selected by name.
#pragma once

#include "sim/modele/puce.h"

#include <span>
#include <string>

struct Pannes_simulateur {
    bool sans_programmateur = false; // DATA_IN not looped back to the data line
    bool sans_puce = false;          // empty socket
    bool mauvaise_position = false;  // chip in the other socket position: it sees no VPP
    Pannes_puce puce;                // handed to the chip model
};

struct Desc_panne {
    const char* nom;
    const char* description; // one line, French, for --help
};

// Every fault name, in a stable order.
std::span<const Desc_panne> liste_pannes();

// Sets the fault called nom; false (p unchanged) for an unknown name.
bool ajoute_panne(const std::string& nom, Pannes_simulateur& p);
