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
    pic16f8x,   // 16F87/88, 16F818/819: four-word latch, 0x18 .. 0x17, chip erase 0x1F only
    pic16f88x,  // 16F882..887: eight-word latch, 8 or 0x18 .. 0x0A, 9 / 11 / 0x11, calibration
    pic12f683,  // 12F683, 16F684..690: four-word latch, as 16F88x, calibration word 0x2008
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
    // Latched parts: program words one programming cycle writes (indexed by the low address
    // bits), words of a row erase (0x11; 0: none), the bits each configuration word stores
    // (0: as the fuse layout says; no second word when masque_config2 is 0), what the other bits
    // read, and the factory calibration words of the configuration space.
    int mots_latch = 1;
    int mots_rangee = 0;
    uint16_t masque_config = 0;
    uint16_t masque_config2 = 0;
    bool absents_a_un = false;
    int adresse_calibration = 0;
    int mots_calibration = 0;
    // Enhanced mid-range parts: configuration and ID write cycle, row erase cycle.
    int64_t t_config_ns = 0;
    int64_t t_rangee_ns = 0;
    // Entry hold: the supply edge that entered programming mode to the first clock or data
    // change (tHLD0; tENTH on the enhanced mid-range parts).
    int64_t t_entree_ns = 5'000;
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
