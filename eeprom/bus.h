// SPDX-License-Identifier: GPL-2.0-or-later
// The protocol of each serial EEPROM bus: one row per bus. A new bus is a row here, one in
// core/genre_puce.cpp (facts) and one in sim/eeproms/eeprom_simulee.cpp (simulated chip).
#pragma once

#include "core/genre_puce.h"

#include <cstddef>
#include <cstdint>

struct Page_eeprom {
    int taille_max; // largest array, in bytes, that has this page
    int page;
};

struct Operations_bus {
    Bus_eeprom bus;
    // The selected device p's data (eeprom/eeprom.h).
    int (*charge)(const Desc_PIC& p, const uint8_t* donnee);
    uint8_t* (*lit)(const Desc_PIC& p, uint8_t* donnee);
    // The whole chip; 0, or -1 after a failure (reported).
    int (*efface)(const Desc_PIC& p);
    // Page sizes by array size, the smallest that the makers give; none: one byte per write.
    const Page_eeprom* pages;
    std::size_t nb_pages;
};

// The row of bus, or null for aucun.
const Operations_bus* operations_bus(Bus_eeprom bus);

// Erasing by writing 0xFF over the whole array, every byte read back (I2C, SPI).
int efface_par_ecriture(const Desc_PIC& p);
