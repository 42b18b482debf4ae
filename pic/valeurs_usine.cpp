// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/valeurs_usine.h"

#include "core/catalogue.h"

uint16_t mot_programme_vierge(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g && g->programme ? g->mot_vierge : 0x3FFF;
}

uint16_t config_vierge(const Desc_PIC& p) {
    uint32_t zero = 0;
    if (p.famille >= 0 && p.famille < NB_FAMILLES)
        zero = tab_fuses[static_cast<std::size_t>(p.famille)].masque[F_ZERO];
    return static_cast<uint16_t>(mot_programme_vierge(p) & ~zero);
}

uint16_t bits_usine_config(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g ? g->config_gardee : 0;
}

bool instruction_calibration(const Desc_PIC& p, uint16_t mot) {
    return coeur_12_bits(p) ? (mot & 0x0F00) == 0x0C00 : (mot & 0x3F00) == 0x3400;
}
