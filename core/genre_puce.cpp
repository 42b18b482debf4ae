// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/genre_puce.h"

#include "core/catalogue.h"

#include <iterator>
#include <vector>

namespace {

using enum Genre_puce;
using enum Technologie;

// clang-format off
constexpr Faits_genre genres[] = {
    // genre         nom   technologie    largeur vierge prog  donn  id    eff   conf_fac gardee bus               adr
    {flash_14,      "1",  flash,         14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0},
    {eprom_14,      "2",  eprom,         14, 0x3FFF, true,  false, true,  false, true,  0,      Bus_eeprom::aucun, 0},
    {eprom_12,      "3",  eprom,         12, 0x0FFF, true,  false, true,  false, true,  0,      Bus_eeprom::aucun, 0},
    {flash_62xa,    "4",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0},
    {flash_87xa,    "5",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0},
    {flash_12f6xx,  "6",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0x3000, Bus_eeprom::aucun, 0},
    {flash_16f8x,   "7",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0,
     0x2000, 2, 0, 0},
    {flash_16f88x,  "8",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0,
     0x2000, 2, 0x2009, 1},
    {flash_12f683,  "9",  flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0,
     0x2000, 1, 0x2008, 1},
    {flash_16f1xxx, "10", flash_recente, 14, 0x3FFF, true,  true,  true,  true,  true,  0,      Bus_eeprom::aucun, 0,
     0x8000, 2, 0x8009, 2},
    {i2c_1_octet,   "I2C", eeprom_serie, 8,  0x00FF, false, true,  false, true,  false, 0,      Bus_eeprom::i2c, 1},
    {i2c_2_octets,  "I2C", eeprom_serie, 8,  0x00FF, false, true,  false, true,  false, 0,      Bus_eeprom::i2c, 2},
    {microwire, "Microwire", eeprom_serie, 8, 0x00FF, false, true,  false, true,  false, 0,      Bus_eeprom::microwire, 0},
    {spi,           "SPI", eeprom_serie, 8,  0x00FF, false, true,  false, true,  false, 0,      Bus_eeprom::spi, 0},
};
// clang-format on

constexpr Faits_bus bus[] = {
    {Bus_eeprom::i2c, "I2C", "EEPROM I2C", 65536},
    {Bus_eeprom::microwire, "Série", "EEPROM Microwire", 2048},
    {Bus_eeprom::spi, "SPI", "EEPROM SPI", 65536},
};

} // namespace

const Faits_bus* faits_bus(Bus_eeprom b) {
    for (const Faits_bus& f : bus)
        if (f.bus == b) return &f;
    return nullptr;
}

const Faits_genre* faits_genre(int algo) {
    for (const Faits_genre& g : genres)
        if (static_cast<int>(g.genre) == algo) return &g;
    return nullptr;
}

const Faits_genre* faits_genre(const Desc_PIC& p) {
    return faits_genre(p.algo);
}

const Faits_genre* debut_genres() {
    return std::begin(genres);
}

const Faits_genre* fin_genres() {
    return std::end(genres);
}

bool genre_pic(const Faits_genre& g) {
    return g.technologie != eeprom_serie;
}

bool genre_eeprom(const Faits_genre& g) {
    return g.technologie == eeprom_serie;
}

bool genre_pic_effacable(const Faits_genre& g) {
    return genre_pic(g) && g.effacement;
}

std::string numeros_genres(bool (*garde)(const Faits_genre&), const char* dernier) {
    std::vector<int> n;
    for (const Faits_genre& g : genres)
        if (garde(g)) n.push_back(static_cast<int>(g.genre));
    if (n.empty()) return "";
    bool suite = n.size() >= 3;
    for (std::size_t i = 1; i < n.size() && suite; ++i)
        suite = n[i] - n[i - 1] == n[1] - n[0] && (n[1] - n[0] == 1 || n[1] - n[0] == -1);
    if (suite) return std::to_string(n.front()) + " à " + std::to_string(n.back());
    std::string t = std::to_string(n.front());
    for (std::size_t i = 1; i < n.size(); ++i)
        t += (i + 1 == n.size() ? dernier : ", ") + std::to_string(n[i]);
    return t;
}

bool est_eeprom(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    // A number no kind has: 0 and below are shown as a serial EEPROM, above as a PIC.
    return g ? g->technologie == eeprom_serie : p.algo <= 0;
}

bool est_pic(const Desc_PIC& p) {
    return !est_eeprom(p);
}

int largeur_mot(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g ? g->largeur_mot : 14;
}

int mots_config(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g && g->mots_config >= 2 && a_second_mot(p.famille) ? 2 : 1;
}

unsigned adresse_mot_config(const Desc_PIC& p, int n) {
    if (coeur_12_bits(p)) return 0xFFF;
    const Faits_genre* g = faits_genre(p);
    return (g ? g->espace_config : 0x2000) + 6 + static_cast<unsigned>(n);
}

bool coeur_12_bits(const Desc_PIC& p) {
    return largeur_mot(p) == 12;
}

Bus_eeprom bus_eeprom(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g ? g->bus : Bus_eeprom::aucun;
}

Bus_eeprom bus_affiche(const Desc_PIC& p) {
    if (faits_genre(p)) return bus_eeprom(p);
    const bool i2c = p.algo >= static_cast<int>(Genre_puce::i2c_2_octets);
    return i2c ? Bus_eeprom::i2c : Bus_eeprom::aucun;
}
