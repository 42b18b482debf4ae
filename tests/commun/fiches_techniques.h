// SPDX-License-Identifier: GPL-2.0-or-later
// Chip facts copied by hand from Microchip's data sheets and programming specifications, with
// the document each row comes from. Only tests read them: the catalogue, the chip-kind table,
// the device-ID table, the algorithms (measured on the simulated programmer's clock) and the
// simulated chips are checked against these literals, so that a fact wrong in both the
// programmer and its simulator fails. A new family adds a Fiche_famille row and one
// Fiche_composant row per device.
#pragma once

#include <cstdint>
#include <span>

namespace fiches {

constexpr int64_t us = 1'000;
constexpr int64_t ms = 1'000'000;

struct Fiche_composant {
    const char* nom;
    const char* document;
    int algo;
    int taille_prog, taille_donnee;
    int id_composant;            // word at 0x2006 with revision bits 0; -1: none
    uint16_t config_implementes; // configuration bits the part stores
    uint16_t config_zero;        // unimplemented bits that read 0 (the others read 1)
    uint16_t config_usine;       // factory calibration bits of the configuration word
    uint16_t protections;        // CP, CPD, WRT bits (0 = on)
    int adresse_calibration;     // program word holding the oscillator calibration; -1: none
    bool vpp_d_abord;            // entered VPP first
    int calibration_config = -1; // first factory calibration word of configuration space
    int mots_latch = 1;          // program words one programming cycle writes
};

struct Fiche_famille {
    int algo;
    const char* document;
    int code_effacement;        // bulk erase of program memory, or chip erase
    int code_fin_externe;       // End Programming after 0x18; -1: 0x18 not used
    bool config_par_8;          // configuration word programmed by the internally timed 8
    int64_t t_programmation_ns; // 8 on a program word, ID or configuration word
    int64_t t_donnee_ns;        // 8 on a data byte
    int64_t t_effacement_ns;    // each erase
    int64_t t_externe_ns;       // 0x18 to its End Programming; 0: not used
    int64_t t_ppdp_ns;          // VPP high to VDD high on a VPP-first entry
    int64_t t_hld0_ns;          // last supply edge to the first clock or data change
    int espace_config = 0x2000; // address Load Configuration sets
    int64_t t_config_ns = 0;    // 8 on an ID or configuration word, when longer than tPROG
};

// clang-format off
constexpr Fiche_composant composants[] = {
    // nom          document  algo prog  data  ID      impl    zero    usine   protect cal    VPP first
    {"PIC16F627A", "DS41196", 4, 1024, 128, 0x1040, 0x21FF, 0x0000, 0x0000, 0x2100, -1,    true},
    {"PIC16F628A", "DS41196", 4, 2048, 128, 0x1060, 0x21FF, 0x0000, 0x0000, 0x2100, -1,    true},
    {"PIC16F648A", "DS41196", 4, 4096, 256, 0x1100, 0x21FF, 0x0000, 0x0000, 0x2100, -1,    true},
    {"PIC16F873A", "DS39589", 5, 4096, 128, 0x0E40, 0x2FCF, 0x0000, 0x0000, 0x2700, -1,    false, -1, 8},
    {"PIC16F874A", "DS39589", 5, 4096, 128, 0x0E60, 0x2FCF, 0x0000, 0x0000, 0x2700, -1,    false, -1, 8},
    {"PIC16F876A", "DS39589", 5, 8192, 256, 0x0E00, 0x2FCF, 0x0000, 0x0000, 0x2700, -1,    false, -1, 8},
    {"PIC16F877A", "DS39589", 5, 8192, 256, 0x0E20, 0x2FCF, 0x0000, 0x0000, 0x2700, -1,    false, -1, 8},
    {"PIC12F629",  "DS41191", 6, 1024, 128, 0x0F80, 0x31FF, 0x0E00, 0x3000, 0x0180, 0x3FF, true},
    {"PIC12F675",  "DS41191", 6, 1024, 128, 0x0FC0, 0x31FF, 0x0E00, 0x3000, 0x0180, 0x3FF, true},
    {"PIC16F630",  "DS41191", 6, 1024, 128, 0x10C0, 0x31FF, 0x0E00, 0x3000, 0x0180, 0x3FF, true},
    {"PIC16F676",  "DS41191", 6, 1024, 128, 0x10E0, 0x31FF, 0x0E00, 0x3000, 0x0180, 0x3FF, true},
    // nom          document  algo prog  data  ID      impl    zero    usine   protect cal  VPP   cal. latch
    {"PIC16F87",   "DS39607", 7, 4096, 256, 0x0720, 0x3FFF, 0x0000, 0x0000, 0x2700, -1, false, -1, 4},
    {"PIC16F88",   "DS39607", 7, 4096, 256, 0x0760, 0x3FFF, 0x0000, 0x0000, 0x2700, -1, false, -1, 4},
    {"PIC16F818",  "DS39603", 7, 1024, 128, 0x04C0, 0x3FFF, 0x0000, 0x0000, 0x2700, -1, false, -1, 4},
    {"PIC16F819",  "DS39603", 7, 2048, 256, 0x04E0, 0x3FFF, 0x0000, 0x0000, 0x2700, -1, false, -1, 4},
    {"PIC16F882",  "DS41287", 8, 2048, 128, 0x2000, 0x3FFF, 0x0000, 0x0000, 0x00C0, -1, true, 0x2009, 8},
    {"PIC16F883",  "DS41287", 8, 4096, 256, 0x2020, 0x3FFF, 0x0000, 0x0000, 0x00C0, -1, true, 0x2009, 8},
    {"PIC16F884",  "DS41287", 8, 4096, 256, 0x2040, 0x3FFF, 0x0000, 0x0000, 0x00C0, -1, true, 0x2009, 8},
    {"PIC16F886",  "DS41287", 8, 8192, 256, 0x2060, 0x3FFF, 0x0000, 0x0000, 0x00C0, -1, true, 0x2009, 8},
    {"PIC16F887",  "DS41287", 8, 8192, 256, 0x2080, 0x3FFF, 0x0000, 0x0000, 0x00C0, -1, true, 0x2009, 8},
    {"PIC12F683",  "DS41204", 9, 2048, 256, 0x0460, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F684",  "DS41204", 9, 2048, 256, 0x1080, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F685",  "DS41204", 9, 4096, 256, 0x04A0, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F687",  "DS41204", 9, 2048, 256, 0x1320, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F688",  "DS41204", 9, 4096, 256, 0x1180, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F689",  "DS41204", 9, 4096, 256, 0x1340, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    {"PIC16F690",  "DS41204", 9, 4096, 256, 0x1400, 0x0FFF, 0x3000, 0x0000, 0x00C0, -1, true, 0x2008, 4},
    // Device ID at 0x8006, calibration words 0x8009-0x800A; entered VPP first on a 9 V board.
    {"PIC12F1822", "DS41390", 10, 2048, 256, 0x2700, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 16},
    {"PIC16F1823", "DS41390", 10, 2048, 256, 0x2720, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 16},
    {"PIC16F1824", "DS41390", 10, 4096, 256, 0x2740, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC16F1825", "DS41390", 10, 8192, 256, 0x2760, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC16F1826", "DS41390", 10, 2048, 256, 0x2780, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1827", "DS41390", 10, 4096, 256, 0x27A0, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1828", "DS41390", 10, 4096, 256, 0x27C0, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC16F1829", "DS41390", 10, 8192, 256, 0x27E0, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC12F1840", "DS41390", 10, 4096, 256, 0x1B80, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC16F1847", "DS41390", 10, 8192, 256, 0x1480, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 32},
    {"PIC16F1933", "DS41397", 10, 4096, 256, 0x2300, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1934", "DS41397", 10, 4096, 256, 0x2340, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1936", "DS41397", 10, 8192, 256, 0x2360, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1937", "DS41397", 10, 8192, 256, 0x2380, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1938", "DS41397", 10, 16384, 256, 0x23A0, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
    {"PIC16F1939", "DS41397", 10, 16384, 256, 0x23C0, 0x3FFF, 0x0000, 0x0000, 0x0180, -1, true, 0x8009, 8},
};

constexpr Fiche_famille familles[] = {
    // algo document  erase fin   cfg 8  tPROG     tDPROG    tERA      0x18      tPPDP   tHLD0
    {4, "DS41196", 0x09, -1,   true,  4 * ms, 6 * ms, 6 * ms, 0,      5 * us, 5 * us},
    {5, "DS39589", 0x1F, 0x17, true,  8 * ms, 8 * ms, 8 * ms, 1 * ms, 5 * us, 5 * us},
    {6, "DS41191", 0x09, 0x0A, false, 3 * ms, 6 * ms, 6 * ms, 2 * ms, 5 * us, 5 * us},
    {7, "DS39607", 0x1F, 0x17, false, 0,      0,      10 * ms, 1 * ms, 5 * us, 5 * us},
    {8, "DS41287", 0x09, 0x0A, true,  3 * ms, 6 * ms, 6 * ms, 2'500 * us, 5 * us, 5 * us},
    {9, "DS41204", 0x09, 0x0A, true,  3 * ms, 6 * ms, 6 * ms, 3 * ms, 5 * us, 5 * us},
    // No VPP-to-VDD delay given (0: not checked); tENTH 250 us; IDs and configuration 5 ms.
    {10, "DS41390", 0x09, 0x0A, true, 2'500 * us, 5 * ms, 5 * ms, 2'100 * us, 0, 250 * us, 0x8000, 5 * ms},
};
// clang-format on

inline const Fiche_famille* famille(int algo) {
    for (const Fiche_famille& f : familles)
        if (f.algo == algo) return &f;
    return nullptr;
}

} // namespace fiches
