// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated board behind a USB or GPIO adapter: the same board, reached through the adapter's
// layer and its timing on the virtual clock.
#pragma once

#include "port/backend_file.h"
#include "sim/carte_simulee.h"

#include <memory>
#include <string>

enum class Genre_adaptateur { parallele, ftdi, gpio };

// "ftdi", "gpio" (and "" for the parallel port); false for another name.
bool genre_adaptateur(const std::string& nom, Genre_adaptateur& genre);

// Timing of an adapter on the virtual clock.
struct Modele_adaptateur {
    // FTDI full speed, synchronous bit-bang: one byte per period, one round trip per transfer
    // (latency timer at 1 ms).
    Rythme_file rythme = {};
    int64_t aller_retour_ns = 1'500'000;
    // GPIO character device on a Raspberry Pi 4: one bulk set per write, one get per read.
    int64_t ecriture_gpio_ns = 1720;
    int64_t lecture_gpio_ns = 1060;
};

// The board as the line driver sees it through the adapter: the board itself for the parallel
// port and GPIO (their accesses costing the adapter's time), a queue over the board for FTDI.
std::unique_ptr<Backend_port> branche_adaptateur(std::unique_ptr<Carte_simulee> carte,
                                                 Genre_adaptateur genre,
                                                 const Modele_adaptateur& modele = {});
