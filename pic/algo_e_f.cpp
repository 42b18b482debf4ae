// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithms 8 and 9, which differ only in their latch.
// Algorithm 8: PIC16F882, 16F883, 16F884, 16F886, 16F887 (eight-word latch, two configuration
// words, factory calibration word at 0x2009).
// Algorithm 9: PIC12F683, 16F684, 16F685, 16F687, 16F688, 16F689, 16F690 (four-word latch, one
// configuration word, factory calibration word at 0x2008).
// VPP before VDD; the chip is erased before every write (Load Configuration, bulk erase of
// program then data memory: the calibration word stays); program memory goes through the chip's
// latch, one internally timed, program-only cycle (8) per group; IDs, the configuration words
// and data bytes one at a time with the same cycle.
#include "pic/algorithmes.h"
#include "pic/flash_recente.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet. The programmers in the field
// wait 3 to 10 ms where the data sheet gives 3 ms: the longer side is taken.
constexpr int t_programmation_us = 6000; // program group, ID or configuration: tPROG1, 3 ms
constexpr int t_donnee_us = 8000;        // data byte: 6 ms
constexpr int t_effacement_us = 10000;   // each bulk erase: tERA, 6 ms
constexpr int latch_16f88x = 8;          // indexed by address bits 2..0
constexpr int latch_12f683 = 4;          // indexed by address bits 1..0

void efface_tout() {
    // From ID0: program memory, IDs, the configuration words and protection go; the calibration
    // word stays.
    flash::efface_programme_et_donnees(t_effacement_us);
}

void programme_mot() {
    flash::Begin_Programming_Only(t_programmation_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

template <const flash::Famille_flash& F, int mots_par_groupe>
int ecrit_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_par_groupes(F, mots_par_groupe, mots, deb, fin, taille, echecs);
}

} // namespace

const flash::Famille_flash flash::famille_16f88x = {
    true,
    false,
    efface_tout,
    programme_mot,
    programme_mot,
    programme_octet,
    ecrit_groupes<flash::famille_16f88x, latch_16f88x>};

const flash::Famille_flash flash::famille_12f683 = {
    true,
    false,
    efface_tout,
    programme_mot,
    programme_mot,
    programme_octet,
    ecrit_groupes<flash::famille_12f683, latch_12f683>};
