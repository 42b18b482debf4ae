// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 10: the enhanced mid-range PICs (12F1822 .. 16F1939), configuration space at 0x8000.
// They take at most 9 V on MCLR: on a board whose programming voltage is higher, every pass
// enters by the low-voltage key with the programming-voltage line off; at 9 V or less, VPP
// before VDD. A bulk erase from configuration space (program memory, IDs, both configuration
// words and protection; then data EEPROM) before every write; program memory goes through the
// latch in aligned groups of eight words, each written by the internally timed cycle (8);
// IDs, CONFIG1 and CONFIG2 one word at a time. The factory calibration words after CONFIG2
// survive the erases and are never written.
#include "core/etat.h"
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/flash_recente.h"
#include "pic/passe.h"
#include "port/port.h"

namespace {

constexpr int tension_max_v = 9;         // VPP the parts accept (8 to 9 V)
constexpr uint32_t cle_lvp = 0x4D434850; // "MCHP"
// Waits of the chip's cycles, with a margin over its data sheets.
constexpr int t_programmation_us = 3000; // program row, internally timed: tPINT 2.5 ms
constexpr int t_config_us = 6000;        // ID and configuration words: 5 ms
constexpr int t_donnee_us = 6000;        // data byte: 5 ms
constexpr int t_effacement_us = 10000;   // each bulk erase: tERAB 5 ms (10 ms, as field practice)
// After a high-voltage entry, before the first command: 250 us is established only for later
// parts of the kind, so the longer wait of the key entry is kept here too.
constexpr int t_entree_us = 300;
// Every part of the kind accepts eight-word groups, whatever its latch (8, 16 or 32 words): the
// slots not loaded keep ones and change nothing.
constexpr int mots_par_groupe = 8;

void entree() {
    if (entree_par_cle_16f1xxx()) {
        Entree_Cle_Basse_Tension(cle_lvp);
        return;
    }
    Commence_Prog_Mode(); // VPP on while VDD is still off
    attente(algo::t_ppdp_us);
    Power_on();
    attente(t_entree_us);
}

void efface_tout() {
    // Counter in configuration space: IDs, both configuration words and protection go too.
    flash::efface_programme_et_donnees(t_effacement_us);
}

void programme_rangee() {
    flash::Begin_Programming_Only(t_programmation_us);
}

void programme_config() {
    flash::Begin_Programming_Only(t_config_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_en_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    return flash::ecrit_par_groupes(flash::famille_16f1xxx, mots_par_groupe, mots, deb, fin, taille,
                                    echecs, programme_rangee);
}

} // namespace

bool entree_par_cle_16f1xxx() {
    return tension_vpp > tension_max_v;
}

// The IDs are written one at a time with the configuration words' wait.
const flash::Famille_flash flash::famille_16f1xxx = {true,
                                                     false,
                                                     efface_tout,
                                                     programme_config,
                                                     programme_config,
                                                     programme_octet,
                                                     ecrit_en_groupes,
                                                     entree};
