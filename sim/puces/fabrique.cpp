// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/fabrique.h"

#include "sim/eeproms/eeprom_simulee.h"
#include "sim/puces/puce_16f1xxx.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"
#include "sim/puces/puce_flash_recente.h"

namespace {

using Fabrique = std::unique_ptr<Modele_puce> (*)(const Desc_PIC&, const Pannes_puce&,
                                                  const Options_puce&);

template <class Modele>
std::unique_ptr<Modele_puce> pic(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o) {
    if (d.taille_prog <= 0) return nullptr;
    return std::make_unique<Modele>(d, p, o);
}

std::unique_ptr<Modele_puce> eeprom(const Desc_PIC& d, const Pannes_puce& p, const Options_puce&) {
    return cree_eeprom(d, p);
}

// The model of each chip kind: the simulator's column of the kind table.
struct Modele_genre {
    Genre_puce genre;
    Fabrique cree;
};

using enum Genre_puce;

constexpr Modele_genre modeles[] = {
    {flash_14, pic<Puce_flash>},
    {eprom_14, pic<Puce_eprom>},
    {eprom_12, pic<Puce_eprom>},
    {flash_62xa, pic<Puce_flash_recente>},
    {flash_87xa, pic<Puce_flash_recente>},
    {flash_12f6xx, pic<Puce_flash_recente>},
    {flash_16f8x, pic<Puce_flash_recente>},
    {flash_16f88x, pic<Puce_flash_recente>},
    {flash_12f683, pic<Puce_flash_recente>},
    {flash_16f1xxx, pic<Puce_16f1xxx>},
    {i2c_1_octet, eeprom},
    {i2c_2_octets, eeprom},
    {microwire, eeprom},
    {spi, eeprom},
};

} // namespace

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p) {
    return cree_puce(d, p, Options_puce{});
}

std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p,
                                       const Options_puce& o) {
    for (const Modele_genre& m : modeles)
        if (static_cast<int>(m.genre) == d.algo) return m.cree(d, p, o);
    return nullptr;
}
