// SPDX-License-Identifier: GPL-2.0-or-later
// Pieces shared by Algorithms 4, 5 and 6, for the later flash PICs (16F62xA, 16F87xA, 12F629/675
// and 16F630/676). Their cells are program-only (a write can only clear bits), so every write
// follows an erase of the whole chip: the first area written in an operation (data, then
// program, then IDs and configuration, as the write operation goes) reads what the operation
// will not rewrite (words outside the address ranges, disabled areas) and the factory
// calibration (OSCCAL and bandgap bits of the 12F6xx), erases the chip and writes that back.
// The configuration word is written once, last. Whatever stops the write after the erase (a
// word that reads back wrong, a signal), what was kept is written back first and the user is
// told what was restored and what was lost.
#pragma once

#include "core/memoire.h"

#include <csignal>
#include <cstdint>
#include <vector>

namespace flash {

// A word that read back wrong: address, value wanted, value read.
struct Echec {
    unsigned adresse;
    uint16_t attendu, lu;
};
using Echecs = std::vector<Echec>;

// What differs from one family to the next.
struct Famille_flash {
    bool vpp_d_abord;           // enter programming mode VPP first, then VDD
    bool garde_calibration;     // OSCCAL at the last word and bandgap bits 13..12 kept
    void (*efface_tout)();      // whole-chip erase, counter at 0, in a pass just opened
    void (*programme_mot)();    // programs the loaded word at the counter (ID, and program memory
                                // unless ecrit_programme says otherwise)
    void (*programme_config)(); // programs the loaded configuration word at 0x2007
    void (*programme_octet)();  // programs the loaded data byte at the counter
    // Writes the program words of mots that are not 0xFFFF from deb to fin (below taille) in
    // passes of its own and verifies them: see Verification for echecs. 0, or -1.
    int (*ecrit_programme)(const uint16_t* mots, int deb, int fin, int taille, Echecs* echecs);
    // Entry into programming mode when the family has its own (supply off and decayed before);
    // null: vpp_d_abord decides.
    void (*entree)() = nullptr;
};

// Supply off before every entry long enough for the board's decoupling capacitor to let VDD
// decay: otherwise a re-entry is VDD first in practice, which a part running its own code
// (internal oscillator, MCLR off) refuses.
constexpr int t_decharge_us = 10000;

// From the erase to the end of the restore, the signal handler (operations/interruption) puts a
// signal here instead of stopping the line driver: the write stops at its next word, writes back
// what it keeps, and then the stop is made.
extern volatile std::sig_atomic_t restauration_en_cours;
extern volatile std::sig_atomic_t signal_differe;

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

// Programming pass with the family's entry order, after the supply has decayed.
void debut_passe(const Famille_flash& f);
void fin_passe();

// How a write treats a word that reads back wrong. Without echecs: prog_erreur, which closes the
// pass, and the write stops (and it stops too, without a message, for a held signal). With
// echecs (writing back what an erase took): the word is noted and the write goes on.
struct Verification {
    Echecs* echecs = nullptr;
    bool ferme = false; // prog_erreur closed the pass

    bool juste(unsigned adresse, uint16_t attendu, uint16_t lu, uint16_t masque,
               const char* prefixe);
    bool arret() const;
    // Closes the pass unless prog_erreur did: 0 when the walk went to its end, else -1.
    int termine(bool fini);
};

// The last address from deb to fin (below taille) where mots has a word to write (neither 0xFFFF
// nor blank), or deb - 1: a write stops there instead of walking on with increments.
int dernier_a_ecrire(const uint16_t* mots, int deb, int fin, int taille);

// Per-word writer of program memory (62xA, 12F6xx): load, program, read back, increment.
int ecrit_mots_un_a_un(const Famille_flash& f, const uint16_t* mots, int deb, int fin, int taille,
                       Echecs* echecs);

// Writer of program memory through the part's latch of n words (indexed by the low address
// bits): the words of each aligned group that has one to write are loaded with increments
// between them (all ones where the image has none, which programs nothing), one programming
// cycle (programme, or f.programme_mot when null) writes the group, and a second pass reads
// everything back.
int ecrit_par_groupes(const Famille_flash& f, int n, const uint16_t* mots, int deb, int fin,
                      int taille, Echecs* echecs, void (*programme)() = nullptr);

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
