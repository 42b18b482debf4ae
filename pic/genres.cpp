// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/genres.h"

#include "eeprom/bus.h"
#include "eeprom/eeprom.h"
#include "pic/algorithmes.h"
#include "pic/flash_recente.h"

#include <iterator>

namespace {

// The PIC data functions take no device: the algorithms read the selected one.
template <int (*F)(const uint8_t*)> int charge_pic(const Desc_PIC&, const uint8_t* donnee) {
    return F(donnee);
}

template <uint8_t* (*F)(uint8_t*)> uint8_t* lit_pic(const Desc_PIC&, uint8_t* donnee) {
    return F(donnee);
}

// The area operations of a later flash family (pic/flash_recente.h) as the table's functions.
template <const flash::Famille_flash& F> int charge_programme(const uint16_t* prog) {
    return flash::ecrit_programme(F, prog);
}

template <const flash::Famille_flash& F> uint16_t* lit_programme(uint16_t* prog) {
    return flash::lit_programme(F, prog);
}

template <const flash::Famille_flash& F>
int charge_donnees(const Desc_PIC&, const uint8_t* donnee) {
    return flash::ecrit_donnees(F, donnee);
}

template <const flash::Famille_flash& F> uint8_t* lit_donnees(const Desc_PIC&, uint8_t* donnee) {
    return flash::lit_donnees(F, donnee);
}

template <const flash::Famille_flash& F> int charge_id_config(const Memoire_PIC& m) {
    return flash::ecrit_ids_config(F, m);
}

template <const flash::Famille_flash& F> void lit_id_config(Memoire_PIC& m) {
    flash::lit_ids_config(F, m);
}

template <const flash::Famille_flash& F> int efface() {
    return flash::efface(F);
}

template <const flash::Famille_flash& F> uint16_t lit_id_composant() {
    return flash::lit_id_composant(F);
}

template <const flash::Famille_flash& F> constexpr Operations_genre rangee_flash(Genre_puce genre) {
    return {genre,
            charge_programme<F>,
            lit_programme<F>,
            charge_donnees<F>,
            lit_donnees<F>,
            charge_id_config<F>,
            lit_id_config<F>,
            efface<F>,
            lit_id_composant<F>};
}

int efface_algo1() {
    Efface_DM_et_PM();
    return 0;
}

// A serial EEPROM's data through its bus's row (eeprom/bus.h).
int charge_eeprom(const Desc_PIC& p, const uint8_t* donnee) {
    const Operations_bus* bus = operations_bus(bus_eeprom(p));
    return bus ? bus->charge(p, donnee) : -1;
}

uint8_t* lit_eeprom(const Desc_PIC& p, uint8_t* donnee) {
    const Operations_bus* bus = operations_bus(bus_eeprom(p));
    return bus ? bus->lit(p, donnee) : nullptr;
}

constexpr Operations_genre rangee_eeprom(Genre_puce genre) {
    return {genre,   nullptr, nullptr,       charge_eeprom, lit_eeprom,
            nullptr, nullptr, Efface_EEPROM, nullptr};
}

using enum Genre_puce;

// clang-format off
constexpr Operations_genre genres[] = {
    {flash_14,
     Algo1_Charge_tout_vers_PM, Algo1_Lit_tout_de_PM,
     charge_pic<Algo1_Charge_tout_vers_DM>, lit_pic<Algo1_Lit_tout_de_DM>,
     Algo1_Charge_ID_Config, Algo1_Lit_ID_Config, efface_algo1, Algo1_Lit_ID_Composant},
    {eprom_14,
     Algo2_Charge_tout_vers_PM, Algo2_Lit_tout_de_PM,
     nullptr, nullptr,
     Algo2_Charge_ID_Config, Algo2_Lit_ID_Config, nullptr, nullptr},
    {eprom_12,
     Algo3_Charge_tout_vers_PM, Algo3_Lit_tout_de_PM,
     nullptr, nullptr,
     Algo3_Charge_ID_Config, Algo3_Lit_ID_Config, nullptr, nullptr},
    rangee_flash<flash::famille_62xa>(flash_62xa),
    rangee_flash<flash::famille_87xa>(flash_87xa),
    rangee_flash<flash::famille_12f6xx>(flash_12f6xx),
    rangee_flash<flash::famille_16f8x>(flash_16f8x),
    rangee_flash<flash::famille_16f88x>(flash_16f88x),
    rangee_flash<flash::famille_12f683>(flash_12f683),
    rangee_flash<flash::famille_16f1xxx>(flash_16f1xxx),
    rangee_eeprom(i2c_1_octet),
    rangee_eeprom(i2c_2_octets),
    rangee_eeprom(microwire),
    rangee_eeprom(spi),
};
// clang-format on

} // namespace

const Faits_genre* Operations_genre::faits() const {
    return faits_genre(static_cast<int>(genre));
}

const Operations_genre* operations_genre(const Desc_PIC& p) {
    for (const Operations_genre& g : genres)
        if (static_cast<int>(g.genre) == p.algo) return &g;
    return nullptr;
}

const Operations_genre* debut_operations_genres() {
    return std::begin(genres);
}

const Operations_genre* fin_operations_genres() {
    return std::end(genres);
}
