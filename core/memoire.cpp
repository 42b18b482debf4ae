// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/memoire.h"

#include <cstring>

Memoire_PIC::Memoire_PIC(uint16_t config_vierge)
    : prog(TAILLE_PROG_MAX, 0xFFFF), donnee(TAILLE_DONNEE_MAX, 0xFF), config(config_vierge) {
    std::memset(id, 0xFF, sizeof id);
}

std::unique_ptr<Memoire_PIC> m_pic;
