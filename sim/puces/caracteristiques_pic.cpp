// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/caracteristiques_pic.h"

#include "core/ids_composants.h"

namespace {

constexpr int64_t ms = 1'000'000;

using enum Genre_puce;
using enum Variante_flash;

// Class 1: the typical cycle is about half of the data-sheet maximum.
constexpr Caracteristiques_pic f84{
    .variante = pic16f84, .t_ecriture_typique_ns = 5 * ms, .t_ecriture_max_ns = 10 * ms};
constexpr Caracteristiques_pic f84a{
    .variante = pic16f84a, .t_ecriture_typique_ns = 4 * ms, .t_ecriture_max_ns = 8 * ms};
constexpr Caracteristiques_pic f62x{.vpp_avant_vdd = true,
                                    .commande_6_bits = true,
                                    .variante = pic16f62x,
                                    .t_ecriture_typique_ns = 8 * ms,
                                    .t_ecriture_max_ns = 16 * ms};
constexpr Caracteristiques_pic f87x{.commande_6_bits = true,
                                    .variante = pic16f87x,
                                    .t_ecriture_typique_ns = 4 * ms,
                                    .t_ecriture_max_ns = 8 * ms};
// EPROM parts.
constexpr Caracteristiques_pic eprom{};
// 12C67x: internal RC and MCLR disable, entered VPP first.
constexpr Caracteristiques_pic c67x{.vpp_avant_vdd = true};
// Later flash parts: each cycle lasts the data sheet's longest time, so a host that waits less is
// caught.
constexpr Caracteristiques_pic f62xa{.vpp_avant_vdd = true,
                                     .commande_6_bits = true,
                                     .variante = pic16f62xa,
                                     .revision = 0x03,
                                     .t_programmation_ns = 4 * ms,
                                     .t_ecriture_donnee_ns = 6 * ms,
                                     .t_effacement_ns = 6 * ms};
// 8 erases and programs.
constexpr Caracteristiques_pic f87xa{.commande_6_bits = true,
                                     .variante = pic16f87xa,
                                     .revision = 0x03,
                                     .t_programmation_ns = 8 * ms,
                                     .t_ecriture_donnee_ns = 8 * ms,
                                     .t_effacement_ns = 8 * ms,
                                     .t_externe_min_ns = 1 * ms,
                                     .mots_latch = 8};
constexpr Caracteristiques_pic f6xx{.vpp_avant_vdd = true,
                                    .commande_6_bits = true,
                                    .variante = pic12f6xx,
                                    .revision = 0x03,
                                    .t_programmation_ns = 3 * ms,
                                    .t_ecriture_donnee_ns = 6 * ms,
                                    .t_effacement_ns = 6 * ms,
                                    .t_externe_min_ns = 2 * ms};
// Enhanced mid-range: each cycle lasts the longest time the sources give (programming 2.5 ms,
// configuration and IDs 5 ms, data 5 ms, bulk erase 5 ms, row erase 2.5 ms, externally timed
// programming at least 2.1 ms, 250 us after the entry). CONFIG2 stores 0x3713; the others read 0.
constexpr Caracteristiques_pic g1xxx{.vpp_avant_vdd = true,
                                     .commande_6_bits = true,
                                     .revision = 0x03,
                                     .t_programmation_ns = 2'500'000,
                                     .t_ecriture_donnee_ns = 5 * ms,
                                     .t_effacement_ns = 5 * ms,
                                     .t_externe_min_ns = 2'100'000,
                                     .mots_latch = 8,
                                     .mots_rangee = 32,
                                     .masque_config2 = 0x3713,
                                     .adresse_calibration = 0x8009,
                                     .mots_calibration = 2,
                                     .t_config_ns = 5 * ms,
                                     .t_rangee_ns = 2'500'000,
                                     .t_entree_ns = 250'000};

// 12F683, 16F684..690: internally timed 8 (tPROG1 3 ms, data 6 ms), 0x18 .. 0x0A at least 3 ms.
constexpr Caracteristiques_pic f683{.vpp_avant_vdd = true,
                                    .commande_6_bits = true,
                                    .variante = pic12f683,
                                    .revision = 0x03,
                                    .t_programmation_ns = 3 * ms,
                                    .t_ecriture_donnee_ns = 6 * ms,
                                    .t_effacement_ns = 6 * ms,
                                    .t_externe_min_ns = 3 * ms,
                                    .mots_latch = 4,
                                    .mots_rangee = 16,
                                    .masque_config = 0x0FFF,
                                    .adresse_calibration = 0x2008,
                                    .mots_calibration = 1};
// 16F87/88: 0x18 .. 0x17 at least 1 ms, chip erase 10 ms; CONFIG2 stores bits 1..0.
constexpr Caracteristiques_pic f88{.commande_6_bits = true,
                                   .variante = pic16f8x,
                                   .revision = 0x03,
                                   .t_effacement_ns = 10 * ms,
                                   .t_externe_min_ns = 1 * ms,
                                   .mots_latch = 4,
                                   .masque_config = 0x3FFF,
                                   .masque_config2 = 0x0003};
// 16F818/819: one configuration word. Their chip erase is given as 8 ms: the model takes the
// family's 10 ms, so that a host waiting less is caught on every part.
constexpr Caracteristiques_pic f819{.commande_6_bits = true,
                                    .variante = pic16f8x,
                                    .revision = 0x03,
                                    .t_effacement_ns = 10 * ms,
                                    .t_externe_min_ns = 1 * ms,
                                    .mots_latch = 4,
                                    .masque_config = 0x3FFF};
// 16F882..887: as the 12F683 with an eight-word latch, 0x18 .. 0x0A at least 2.5 ms, CONFIG2
// storing bits 10..8, the calibration word at 0x2009.
constexpr Caracteristiques_pic f88x{.vpp_avant_vdd = true,
                                    .commande_6_bits = true,
                                    .variante = pic16f88x,
                                    .revision = 0x03,
                                    .t_programmation_ns = 3 * ms,
                                    .t_ecriture_donnee_ns = 6 * ms,
                                    .t_effacement_ns = 6 * ms,
                                    .t_externe_min_ns = 2'500'000,
                                    .mots_latch = 8,
                                    .mots_rangee = 16,
                                    .masque_config = 0x3FFF,
                                    .masque_config2 = 0x0700,
                                    .adresse_calibration = 0x2009,
                                    .mots_calibration = 1};
// Per part: device ID, latch and row-erase words; the 16F193x store CONFIG2's VCAPEN bits too.
struct Ligne_16f1xxx {
    const char* nom;
    int id;
    int latch, rangee;
    uint16_t masque_config2 = 0x3713;
};

constexpr Ligne_16f1xxx puces_16f1xxx[] = {
    {"PIC12F1822", 0x2700, 16, 16},        {"PIC16F1823", 0x2720, 16, 16},
    {"PIC16F1824", 0x2740, 32, 32},        {"PIC16F1825", 0x2760, 32, 32},
    {"PIC16F1826", 0x2780, 8, 32},         {"PIC16F1827", 0x27A0, 8, 32},
    {"PIC16F1828", 0x27C0, 32, 32},        {"PIC16F1829", 0x27E0, 32, 32},
    {"PIC12F1840", 0x1B80, 32, 32},        {"PIC16F1847", 0x1480, 32, 32},
    {"PIC16F1933", 0x2300, 8, 32, 0x3733}, {"PIC16F1934", 0x2340, 8, 32, 0x3733},
    {"PIC16F1936", 0x2360, 8, 32, 0x3733}, {"PIC16F1937", 0x2380, 8, 32, 0x3733},
    {"PIC16F1938", 0x23A0, 8, 32, 0x3733}, {"PIC16F1939", 0x23C0, 8, 32, 0x3733},
};

Caracteristiques_pic caracteristiques_16f1xxx(const Desc_PIC& d) {
    Caracteristiques_pic c = g1xxx;
    for (const Ligne_16f1xxx& l : puces_16f1xxx)
        if (d.nom == l.nom) {
            c.id_composant = l.id;
            c.mots_latch = l.latch;
            c.mots_rangee = l.rangee;
            c.masque_config2 = l.masque_config2;
        }
    return c;
}

// Facts of the catalogue's devices, by exact name and kind.
constexpr Ligne_caracteristiques puces[] = {
    {"PIC16C84", flash_14, f84},       {"PIC16F83", flash_14, f84},
    {"PIC16F84", flash_14, f84},       {"PIC16F84A", flash_14, f84a},
    {"PIC16F627", flash_14, f62x},     {"PIC16F628", flash_14, f62x},
    {"PIC16F870", flash_14, f87x},     {"PIC16F871", flash_14, f87x},
    {"PIC16F872", flash_14, f87x},     {"PIC16F873", flash_14, f87x},
    {"PIC16F874", flash_14, f87x},     {"PIC16F876", flash_14, f87x},
    {"PIC16F877", flash_14, f87x},     {"PIC12C671", eprom_14, c67x},
    {"PIC12C672", eprom_14, c67x},     {"PIC12CE673", eprom_14, c67x},
    {"PIC12CE674", eprom_14, c67x},    {"PIC16F627A", flash_62xa, f62xa},
    {"PIC16F628A", flash_62xa, f62xa}, {"PIC16F648A", flash_62xa, f62xa},
    {"PIC16F873A", flash_87xa, f87xa}, {"PIC16F874A", flash_87xa, f87xa},
    {"PIC16F876A", flash_87xa, f87xa}, {"PIC16F877A", flash_87xa, f87xa},
    {"PIC12F629", flash_12f6xx, f6xx}, {"PIC12F675", flash_12f6xx, f6xx},
    {"PIC16F630", flash_12f6xx, f6xx}, {"PIC16F676", flash_12f6xx, f6xx},
    {"PIC16F87", flash_16f8x, f88},    {"PIC16F88", flash_16f8x, f88},
    {"PIC16F818", flash_16f8x, f819},  {"PIC16F819", flash_16f8x, f819},
    {"PIC16F882", flash_16f88x, f88x}, {"PIC16F883", flash_16f88x, f88x},
    {"PIC16F884", flash_16f88x, f88x}, {"PIC16F886", flash_16f88x, f88x},
    {"PIC16F887", flash_16f88x, f88x}, {"PIC12F683", flash_12f683, f683},
    {"PIC16F684", flash_12f683, f683}, {"PIC16F685", flash_12f683, f683},
    {"PIC16F687", flash_12f683, f683}, {"PIC16F688", flash_12f683, f683},
    {"PIC16F689", flash_12f683, f683}, {"PIC16F690", flash_12f683, f683},
};

struct Ligne_genre {
    Genre_puce genre;
    Caracteristiques_pic carac;
};

// A device the table above does not name gets the facts of its kind, without a device ID.
constexpr Ligne_genre genres[] = {
    {flash_14, f84},     {eprom_14, eprom},    {eprom_12, eprom},
    {flash_62xa, f62xa}, {flash_87xa, f87xa},  {flash_12f6xx, f6xx},
    {flash_16f8x, f88},  {flash_16f88x, f88x}, {flash_12f683, f683},
};

} // namespace

std::span<const Ligne_caracteristiques> lignes_caracteristiques() {
    return puces;
}

// The device ID comes from the programmer's own table, so both sides agree on it.
Caracteristiques_pic caracteristiques_pic(const Desc_PIC& d) {
    if (d.algo == static_cast<int>(flash_16f1xxx)) return caracteristiques_16f1xxx(d);
    Caracteristiques_pic c;
    bool trouve = false;
    for (const Ligne_caracteristiques& l : puces)
        if (!trouve && d.nom == l.nom && d.algo == static_cast<int>(l.genre)) {
            c = l.carac;
            trouve = true;
        }
    for (const Ligne_genre& l : genres)
        if (!trouve && d.algo == static_cast<int>(l.genre)) {
            c = l.carac;
            trouve = true;
        }
    if (trouve) c.id_composant = id_du_composant(d.nom);
    return c;
}
