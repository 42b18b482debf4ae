// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 4: PIC16F627A, 16F628A, 16F648A. VPP before VDD; the chip is erased before every
// write (Load Configuration, bulk erase of program then data memory); each word is programmed
// alone by an internally timed, program-only cycle (8).
#include "pic/algorithmes.h"
#include "pic/flash_recente.h"
#include "port/port.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 5000; // program word, ID or configuration: tPROG, 4 ms
constexpr int t_donnee_us = 8000;        // data byte: tDPROG, 6 ms
constexpr int t_effacement_us = 10000;   // each bulk erase: tERA, 6 ms (10 ms is the usual wait)
constexpr int t_avant_effacement_us = 10000; // in programming mode before a bulk erase of a
                                             // written part

void efface_tout() {
    attente(t_avant_effacement_us);
    flash::efface_programme_et_donnees(t_effacement_us);
}

void programme_mot() {
    flash::Begin_Programming_Only(t_programmation_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_mots(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_mots_un_a_un(flash::famille_62xa, mots, deb, fin, taille, echecs);
}

} // namespace

const flash::Famille_flash flash::famille_62xa = {
    true, false, efface_tout, programme_mot, programme_mot, programme_octet, ecrit_mots};
