// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 7: PIC16F87, 16F88, 16F818, 16F819. VDD before VPP; a chip erase (0x1F, counter in
// configuration space) before every write; program memory goes through the chip's four-word
// latch, one externally timed, program-only cycle (0x18 .. 0x17) per group; IDs, both
// configuration words (16F87/88) and data bytes one at a time with the same cycle.
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/flash_recente.h"
#include "port/port.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 2000;    // 0x18 to End Programming: at least 1 ms
constexpr int t_fin_programmation_us = 100; // after End Programming
// Data byte: at least 1 ms is one programmer's figure only; twice that is taken.
constexpr int t_donnee_us = 2000;
constexpr int t_effacement_us = 10000; // chip erase: 10 ms (16F87/88), 8 ms (16F818/819)
constexpr unsigned code_fin_programmation = 0x17;
constexpr int mots_par_groupe = 4; // the latch, indexed by address bits 1..0

// Whether 0x09 and 0x0B alone start an erase on these parts is not established: the chip erase,
// which also lifts protection, is used every time.
void efface_tout() {
    Load_Configuration(0x3FFF);
    flash::Chip_Erase();
    attente(t_effacement_us);
}

void programme_mot() {
    flash::programme_externe(t_programmation_us, code_fin_programmation, t_fin_programmation_us);
}

void programme_octet() {
    flash::programme_externe(t_donnee_us, code_fin_programmation, t_fin_programmation_us);
}

int ecrit_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_par_groupes(flash::famille_16f8x, mots_par_groupe, mots, deb, fin, taille,
                                    echecs);
}

} // namespace

const flash::Famille_flash flash::famille_16f8x = {
    false, false, efface_tout, programme_mot, programme_mot, programme_octet, ecrit_groupes};
