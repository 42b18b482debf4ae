// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/groupes_composants.h"

#include "core/genre_puce.h"

#include <cstring>

const char* const groupes_composants[NB_GROUPES_COMPOSANTS] = {
    "PIC 12 bits", "PIC 14 bits EPROM/OTP", "PIC flash",
    "EEPROM I2C",  "EEPROM Microwire",      "EEPROM SPI",
    "Autres",
};

int groupe_composant(const Desc_PIC& p) {
    if (const Faits_bus* b = faits_bus(bus_eeprom(p)))
        for (int i = 0; i < NB_GROUPES_COMPOSANTS; ++i)
            if (std::strcmp(groupes_composants[i], b->groupe) == 0) return i;
    const Faits_genre* g = faits_genre(p);
    if (!g || g->technologie == Technologie::eeprom_serie) return NB_GROUPES_COMPOSANTS - 1;
    if (coeur_12_bits(p)) return 0;
    return g->technologie == Technologie::eprom ? 1 : 2;
}
