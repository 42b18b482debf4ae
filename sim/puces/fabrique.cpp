#include "sim/puces/fabrique.h"

#include "sim/eeproms/eeprom_simulee.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"
#include "sim/puces/puce_flash_recente.h"

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p) {
    return cree_puce(d, p, Options_puce{});
}

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p,
                                       const Options_puce& o) {
    if (est_eeprom(d)) return cree_eeprom(d, p);
    if (d.taille_prog <= 0) return nullptr;
    switch (d.algo) {
    case 1:
        return std::make_unique<Puce_flash>(d, p, o);
    case 2:
    case 3:
        return std::make_unique<Puce_eprom>(d, p, o);
    case 4:
    case 5:
    case 6:
        return std::make_unique<Puce_flash_recente>(d, p, o);
    default:
        return nullptr;
    }
}
