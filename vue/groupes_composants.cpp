// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/groupes_composants.h"

#include "core/genre_puce.h"

const char* const groupes_composants[NB_GROUPES_COMPOSANTS] = {
    "PIC 12 bits", "PIC 14 bits EPROM/OTP", "PIC flash",
    "EEPROM I2C",  "EEPROM Microwire",      "EEPROM SPI",
    "Autres",
};

int groupe_composant(const Desc_PIC& p) {
    switch (bus_eeprom(p)) {
    case Bus_eeprom::i2c:
        return 3;
    case Bus_eeprom::microwire:
        return 4;
    case Bus_eeprom::spi:
        return 5;
    case Bus_eeprom::aucun:
        break;
    }
    const Faits_genre* g = faits_genre(p);
    if (!g || g->technologie == Technologie::eeprom_serie) return 6;
    if (coeur_12_bits(p)) return 0;
    return g->technologie == Technologie::eprom ? 1 : 2;
}
