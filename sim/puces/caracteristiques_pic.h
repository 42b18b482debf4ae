// SPDX-License-Identifier: GPL-2.0-or-later
// Silicon facts of the PIC models that the catalogue does not carry: device ID, entry order,
// command width, write-cycle times, erase behaviour.
#pragma once

#include "core/catalogue.h"

#include <cstdint>
#include <span>

// How a flash/EEPROM part (class 1) erases.
enum class Variante_flash {
    pic16f84,  // 16C84, 16F83, 16F84: 9 and 11 arm an erase run by the next 8
    pic16f84a, // 9 and 11 erase at once
    pic16f62x, // as 16F84, 6-bit commands, 0x18 programs without erase
    pic16f87x, // no 9 or 11 (erase by 1/7/8/1/7), 6-bit commands, 0x18
    // Later parts, program-only cells (Puce_flash_recente):
    pic16f62xa, // 16F627A/628A/648A: 8 programs one word, 9 / 11 erase
    pic16f87xa, // 16F873A..877A: eight-word latch, 0x18 .. 0x17, chip erase 0x1F
    pic12f6xx,  // 12F629/675, 16F630/676: 0x18 .. 0x0A, OSCCAL and bandgap bits
};

struct Caracteristiques_pic {
    int id_composant = -1;        // device ID at 0x2006 (upper 9 bits), -1 when the part has none
    bool vpp_avant_vdd = false;   // also enters programming mode when VDD rises under VPP
    bool commande_6_bits = false; // decodes all 6 command bits (else the low 4)
    Variante_flash variante = Variante_flash::pic16f84;
    int64_t t_ecriture_typique_ns = 4'000'000; // class 1 self-timed cycle
    int64_t t_ecriture_max_ns = 10'000'000;
    // Later flash parts: device ID revision, internally timed program (8) and data cycles, bulk
    // or chip erase, shortest externally timed programming (0x18 to its end command; 0: none).
    int revision = -1; // -1: per-chip random
    int64_t t_programmation_ns = 0;
    int64_t t_ecriture_donnee_ns = 0;
    int64_t t_effacement_ns = 0;
    int64_t t_externe_min_ns = 0;
    // Enhanced mid-range parts: words of the program latch and of a row erase, configuration
    // and ID write cycle, row erase, CONFIG2's implemented bits and what the others read.
    int mots_latch = 1;
    int mots_rangee = 0;
    int64_t t_config_ns = 0;
    int64_t t_rangee_ns = 0;
    uint16_t masque_config2 = 0;
    bool config2_libres_a_un = false;
};

// One catalogue device's facts, by exact name and kind.
struct Ligne_caracteristiques {
    const char* nom;
    Genre_puce genre;
    Caracteristiques_pic carac;
};

// Every device the table names.
std::span<const Ligne_caracteristiques> lignes_caracteristiques();

// Facts of the catalogue device d, by exact name and kind; a name the table does not know gets the
// facts of its kind.
Caracteristiques_pic caracteristiques_pic(const Desc_PIC& d);
