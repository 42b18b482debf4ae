// SPDX-License-Identifier: GPL-2.0-or-later
// Page size of each serial EEPROM size, the smallest that the makers of the parts give: a page
// write never crosses the boundary of a page smaller than the chip's own.
#include "core/catalogue.h"
#include "eeprom/eeprom.h"

namespace {

struct Page {
    int taille_max; // largest array, in bytes, that has this page
    int page;
};

// 24C01/02: 8 (ST: 16); 24C04..16: 16; 24C32/64: 32; 24C128/256: 64; 24C512: 128.
const Page pages_I2C[] = {{256, 8}, {2048, 16}, {8192, 32}, {32768, 64}, {65536, 128}};
// 25x010..040: 8 (Atmel; Microchip and ST: 16); 25x080/160: 16 ("A" parts; others 32);
// 25x320/640: 32; 25x128/256: 64; 25x512: 128.
const Page pages_SPI[] = {{512, 8}, {2048, 16}, {8192, 32}, {32768, 64}, {65536, 128}};

template <std::size_t N> int page_de(const Page (&table)[N], int taille) {
    for (const Page& p : table)
        if (taille <= p.taille_max) return p.page;
    return 1;
}

} // namespace

int taille_page_EEPROM(const Desc_PIC& d) {
    switch (bus_eeprom(d)) {
    case Bus_eeprom::i2c:
        return page_de(pages_I2C, d.taille_donnee);
    case Bus_eeprom::spi:
        return page_de(pages_SPI, d.taille_donnee);
    default:
        return 1;
    }
}
