// SPDX-License-Identifier: GPL-2.0-or-later
// Page size of each serial EEPROM size (the tables are the buses' rows in eeprom/bus.cpp): a page
// write never crosses the boundary of a page smaller than the chip's own.
#include "core/catalogue.h"
#include "eeprom/bus.h"
#include "eeprom/eeprom.h"

int taille_page_EEPROM(const Desc_PIC& d) {
    const Operations_bus* o = operations_bus(bus_eeprom(d));
    if (!o) return 1;
    for (std::size_t i = 0; i < o->nb_pages; ++i)
        if (d.taille_donnee <= o->pages[i].taille_max) return o->pages[i].page;
    return 1;
}
