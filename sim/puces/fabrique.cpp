// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/fabrique.h"

#include "sim/eeproms/eeprom_simulee.h"
#include "sim/puces/puce_16f1xxx.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"
#include "sim/puces/puce_flash_recente.h"

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p) {
    return cree_puce(d, p, Options_puce{});
}

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p,
                                       const Options_puce& o) {
    const Faits_genre* g = faits_genre(d);
    if (!g) return nullptr;
    if (g->technologie == Technologie::eeprom_serie) return cree_eeprom(d, p);
    if (d.taille_prog <= 0) return nullptr;
    if (g->genre == Genre_puce::flash_16f1xxx) return std::make_unique<Puce_16f1xxx>(d, p, o);
    switch (g->technologie) {
    case Technologie::flash:
        return std::make_unique<Puce_flash>(d, p, o);
    case Technologie::eprom:
        return std::make_unique<Puce_eprom>(d, p, o);
    case Technologie::flash_recente:
        return std::make_unique<Puce_flash_recente>(d, p, o);
    case Technologie::eeprom_serie:
        break;
    }
    return nullptr;
}
