#include "pic/valeurs_usine.h"

#include "core/catalogue.h"

bool coeur_12_bits(const Desc_PIC& p) {
    return p.algo == 3;
}

uint16_t mot_programme_vierge(const Desc_PIC& p) {
    return coeur_12_bits(p) ? 0x0FFF : 0x3FFF;
}

uint16_t config_vierge(const Desc_PIC& p) {
    uint32_t zero = 0;
    if (p.famille >= 0 && p.famille < NB_FAMILLES)
        zero = tab_fuses[static_cast<std::size_t>(p.famille)].masque[F_ZERO];
    return static_cast<uint16_t>(mot_programme_vierge(p) & ~zero);
}

uint16_t bits_usine_config(const Desc_PIC& p) {
    return p.algo == 6 ? 0x3000 : 0;
}

bool instruction_calibration(const Desc_PIC& p, uint16_t mot) {
    return coeur_12_bits(p) ? (mot & 0x0F00) == 0x0C00 : (mot & 0x3F00) == 0x3400;
}
