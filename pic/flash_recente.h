// SPDX-License-Identifier: GPL-2.0-or-later
// Pieces shared by Algorithms 4, 5 and 6, for the later flash PICs (16F62xA, 16F87xA, 12F629/675
// and 16F630/676). Their cells are program-only (a write can only clear bits), so every write
// follows an erase of the whole chip: the first area written in an operation (data, then
// program, then IDs and configuration, as the write operation goes) erases the chip, keeping
// what the operation will not rewrite (words outside the address ranges, disabled areas) and the
// factory calibration (OSCCAL and bandgap bits of the 12F6xx), and writes that back.
#pragma once

#include "core/memoire.h"

#include <cstdint>

namespace flash {

// What differs from one family to the next.
struct Famille_flash {
    bool vpp_d_abord;          // enter programming mode VPP first, then VDD
    bool garde_calibration;    // OSCCAL at the last word and bandgap bits 13..12 kept
    void (*efface_tout)();     // whole-chip erase, counter at 0, in an open pass
    void (*programme_mot)();   // programs the loaded word at the counter (ID, configuration,
                               // and program memory unless ecrit_programme says otherwise)
    void (*programme_octet)(); // programs the loaded data byte at the counter
    // Writes the program words of mots that are not 0xFFFF from deb to fin (below taille) in
    // passes of its own and verifies them; 0, or -1 after prog_erreur.
    int (*ecrit_programme)(const uint16_t* mots, int deb, int fin, int taille);
};

// Commands these parts add to the set of Algorithm 1, each with the wait it needs.
void Begin_Programming_Only(int attente_us);  // 8, internally timed (program only on 62xA/6xx)
void Begin_Programming_External();            // 0x18, ended by the part's End Programming
void End_Programming_External(unsigned code); // 0x17 on 87xA, 0x0A on 12F6xx
void Chip_Erase();                            // 0x1F (87xA)

// An externally timed program cycle: 0x18, duree_us, End Programming with code_fin, apres_us.
void programme_externe(int duree_us, unsigned code_fin, int apres_us);
// Counter in configuration space (IDs, configuration and protection go too, and on the 12F6xx
// the calibration), bulk erase of program then data memory, each followed by attente_us.
void efface_programme_et_donnees(int attente_us);

// Programming pass with the family's entry order.
void debut_passe(const Famille_flash& f);
void fin_passe();

// Per-word writer of program memory (62xA, 12F6xx): load, program, read back, increment.
int ecrit_mots_un_a_un(const Famille_flash& f, const uint16_t* mots, int deb, int fin, int taille);

// The area operations of the dispatch.
int ecrit_donnees(const Famille_flash& f, const uint8_t* donnee);
int ecrit_programme(const Famille_flash& f, const uint16_t* prog);
int ecrit_ids_config(const Famille_flash& f, const Memoire_PIC& m);
uint16_t* lit_programme(const Famille_flash& f, uint16_t* prog);
uint8_t* lit_donnees(const Famille_flash& f, uint8_t* donnee);
void lit_ids_config(const Famille_flash& f, Memoire_PIC& m);
// The word at 0x2006 (device ID and revision), in a pass of its own.
uint16_t lit_id_composant(const Famille_flash& f);
// Erases the chip: program and data memories (a disabled area is kept), IDs and configuration;
// the factory calibration is kept. 0, or -1 after a message.
int efface(const Famille_flash& f);

} // namespace flash
