// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 9: PIC12F683, 16F684, 16F685, 16F687, 16F688, 16F689, 16F690. VPP before VDD; the
// chip is erased before every write (Load Configuration, bulk erase of program then data
// memory: the factory calibration word at 0x2008 stays); program memory goes through the chip's
// four-word latch, one internally timed, program-only cycle (8) per group; IDs, the
// configuration word and data bytes one at a time with the same cycle.
#include "pic/algorithmes.h"
#include "pic/flash_recente.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet. The programmers in the field
// wait 4 to 10 ms where the data sheet gives 3 ms: the longer side is taken.
constexpr int t_programmation_us = 6000; // program group, ID or configuration: tPROG1, 3 ms
constexpr int t_donnee_us = 8000;        // data byte: 6 ms
constexpr int t_effacement_us = 10000;   // each bulk erase: tERA, 6 ms
constexpr int mots_par_groupe = 4;       // the latch, indexed by address bits 1..0

void efface_tout() {
    // From ID0: program memory, IDs, configuration and protection go; the calibration word stays.
    flash::efface_programme_et_donnees(t_effacement_us);
}

void programme_mot() {
    flash::Begin_Programming_Only(t_programmation_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_par_groupes(flash::famille_12f683, mots_par_groupe, mots, deb, fin, taille,
                                    echecs);
}

} // namespace

const flash::Famille_flash flash::famille_12f683 = {
    true, false, efface_tout, programme_mot, programme_mot, programme_octet, ecrit_groupes};
