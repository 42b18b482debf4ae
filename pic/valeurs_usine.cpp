// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/valeurs_usine.h"

#include "core/catalogue.h"

uint16_t mot_programme_vierge(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g && g->programme ? g->mot_vierge : 0x3FFF;
}

namespace {

uint32_t masque_fuse(const Desc_PIC& p, Num_fuse n) {
    if (p.famille < 0 || p.famille >= NB_FAMILLES) return 0;
    return tab_fuses[static_cast<std::size_t>(p.famille)].masque[n];
}

} // namespace

uint16_t config_vierge(const Desc_PIC& p) {
    return static_cast<uint16_t>(mot_programme_vierge(p) & ~masque_fuse(p, F_ZERO));
}

uint16_t bits_config_implementes(const Desc_PIC& p) {
    return static_cast<uint16_t>(mot_programme_vierge(p) &
                                 ~(masque_fuse(p, F_ZERO) | masque_fuse(p, F_TIRET)));
}

uint16_t bits_usine_config(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g ? g->config_gardee : 0;
}

uint16_t bits_config2_implementes(const Desc_PIC& p) {
    if (mots_config(p) < 2) return 0;
    const Fusibles& f = fusibles2_de(p);
    return static_cast<uint16_t>(0x3FFF & ~(f.masque[F_ZERO] | f.masque[F_TIRET]));
}

uint16_t config2_vierge(const Desc_PIC& p) {
    if (mots_config(p) < 2) return 0x3FFF;
    return static_cast<uint16_t>(0x3FFF & ~fusibles2_de(p).masque[F_ZERO]);
}

bool instruction_calibration(const Desc_PIC& p, uint16_t mot) {
    return coeur_12_bits(p) ? (mot & 0x0F00) == 0x0C00 : (mot & 0x3F00) == 0x3400;
}
