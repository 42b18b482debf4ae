// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 5: PIC16F873A, 16F874A, 16F876A, 16F877A. VDD before VPP; a chip erase (0x1F, counter
// in configuration space) before every write; program memory goes through the chip's
// eight-word latch: the words of an aligned group are loaded with increments between them, then
// one externally timed, program-only cycle (0x18 .. 0x17) writes the whole group, and a second
// pass reads everything back. Data bytes and the configuration word are erased and written one at
// a time by the internally timed cycle (8).
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/flash_recente.h"
#include "port/port.h"

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 1500;    // 0x18 to End Programming: at least 1 ms
constexpr int t_fin_programmation_us = 100; // after End Programming
constexpr int t_donnee_us = 10000;          // data byte, erase and write: about 8 ms
constexpr int t_effacement_us = 10000;      // chip erase: about 8 ms
constexpr int t_config_us = 10000; // configuration word, internally timed (8): at least 8 ms
constexpr unsigned code_fin_programmation = 0x17;
constexpr int mots_par_groupe = 8; // the latch, indexed by address bits 2..0

void efface_tout() {
    Load_Configuration(0x3FFF); // configuration space: IDs, configuration and protection too
    flash::Chip_Erase();
    attente(t_effacement_us);
}

void programme_mot() {
    flash::programme_externe(t_programmation_us, code_fin_programmation, t_fin_programmation_us);
}

// The configuration word takes the internally timed cycle: 0x18 .. 0x17 leaves it unchanged.
void programme_config() {
    flash::Begin_Programming_Only(t_config_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_en_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_groupes(flash::famille_87xa, mots_par_groupe, programme_mot, mots, deb, fin,
                                taille, echecs);
}

} // namespace

const flash::Famille_flash flash::famille_87xa = {
    false, false, efface_tout, programme_mot, programme_config, programme_octet, ecrit_en_groupes};
