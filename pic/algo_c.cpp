// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 6: PIC12F629, 12F675, 16F630, 16F676. VPP before VDD; the factory oscillator
// calibration (RETLW at the last program word) and bandgap bits (13..12 of the configuration
// word) are read before the erase, written back after it, and the configuration word, written
// once after the program, always gets the chip's own bandgap bits; each word is programmed
// alone, externally timed (0x18 .. 0x0A), program only.
#include "pic/algorithmes.h"
#include "pic/flash_recente.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 3000;    // 0x18 to End Programming: at least 2 ms
constexpr int t_fin_programmation_us = 100; // after End Programming
constexpr int t_donnee_us = 8000;           // data byte, internally timed: 6 ms
constexpr int t_effacement_us = 10000;      // each bulk erase: tERA, 6 ms (10 ms is the usual wait)
constexpr unsigned code_fin_programmation = 0x0A;

void efface_tout() {
    // IDs, configuration (bandgap bits included), OSCCAL and protection go too.
    flash::efface_programme_et_donnees(t_effacement_us);
}

void programme_mot() {
    flash::programme_externe(t_programmation_us, code_fin_programmation, t_fin_programmation_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_mots(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_mots_un_a_un(flash::famille_12f6xx, mots, deb, fin, taille, echecs);
}

} // namespace

const flash::Famille_flash flash::famille_12f6xx = {
    true, true, efface_tout, programme_mot, programme_mot, programme_octet, ecrit_mots};
