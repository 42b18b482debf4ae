// SPDX-License-Identifier: GPL-2.0-or-later
#include "eeprom/bus.h"

#include "core/catalogue.h"
#include "eeprom/eeprom.h"

#include <iterator>

namespace {

int charge_i2c(const Desc_PIC&, const uint8_t* donnee) {
    return Charge_EEPROM_I2C(donnee);
}

uint8_t* lit_i2c(const Desc_PIC&, uint8_t* donnee) {
    return Lire_EEPROM_I2C(donnee);
}

int charge_microwire(const Desc_PIC& p, const uint8_t* donnee) {
    return Charge_EEPROM_serie(donnee, bits_adresse_serie(p.taille_donnee));
}

uint8_t* lit_microwire(const Desc_PIC& p, uint8_t* donnee) {
    return Lire_EEPROM_serie(donnee, bits_adresse_serie(p.taille_donnee));
}

int efface_microwire(const Desc_PIC& p) {
    return Efface_EEPROM_serie(bits_adresse_serie(p.taille_donnee));
}

int charge_spi(const Desc_PIC& p, const uint8_t* donnee) {
    return Charge_EEPROM_SPI(donnee, bits_adresse_SPI(p.taille_donnee));
}

uint8_t* lit_spi(const Desc_PIC& p, uint8_t* donnee) {
    return Lire_EEPROM_SPI(donnee, bits_adresse_SPI(p.taille_donnee));
}

// 24C01/02: 8 (ST: 16); 24C04..16: 16; 24C32/64: 32; 24C128/256: 64; 24C512: 128.
constexpr Page_eeprom pages_I2C[] = {{256, 8}, {2048, 16}, {8192, 32}, {32768, 64}, {65536, 128}};
// 25x010..040: 8 (Atmel; Microchip and ST: 16); 25x080/160: 16 ("A" parts; others 32);
// 25x320/640: 32; 25x128/256: 64; 25x512: 128.
constexpr Page_eeprom pages_SPI[] = {{512, 8}, {2048, 16}, {8192, 32}, {32768, 64}, {65536, 128}};

// clang-format off
constexpr Operations_bus bus[] = {
    {Bus_eeprom::i2c,       charge_i2c,       lit_i2c,       efface_par_ecriture, pages_I2C, std::size(pages_I2C)},
    {Bus_eeprom::microwire, charge_microwire, lit_microwire, efface_microwire,    nullptr,   0},
    {Bus_eeprom::spi,       charge_spi,       lit_spi,       efface_par_ecriture, pages_SPI, std::size(pages_SPI)},
};
// clang-format on

} // namespace

const Operations_bus* operations_bus(Bus_eeprom b) {
    for (const Operations_bus& o : bus)
        if (o.bus == b) return &o;
    return nullptr;
}
