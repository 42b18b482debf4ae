// SPDX-License-Identifier: GPL-2.0-or-later
// Pieces shared by the programming algorithms: the pass, the address walks, the pulse.
#pragma once

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "pic/commandes.h"

namespace algo {

// ID locations, 0x2000 to 0x2003 on the 14-bit parts.
constexpr int nb_id = 4;

// Entry waits, lengthened by val_tempo like every wait: VPP high to VDD high on a VPP-first
// entry (tPPDP), and the last supply edge to the first clock or data change (tHLD0). The data
// sheets ask at least 5 µs for both.
constexpr int t_ppdp_us = 10;
constexpr int t_hld0_us = 10;

// VPP on with CLK and DATA low, then the hold time before the first command.
void entree_programmation();
// Opens a programming pass: port, supply, program mode.
void debut_passe();
// Closes it: program mode off, supply off.
void fin_passe();
// One programming pulse of Algorithms 2 and 3: load, begin (100 µs), end.
void impulsion(uint16_t valeur);

// Pulses with valeur until the word read back matches attendu on the bits of masque, at most
// max_impulsions times. The number of pulses given, or 0 when it never matched (lu then holds
// the last word read).
int impulsions_jusqu_a_verification(uint16_t valeur, uint16_t attendu, unsigned masque,
                                    int max_impulsions, uint16_t& lu);

// Reads the configuration word back and closes the pass: 0 when it equals config on 16 bits,
// else -1 after reporting the difference at adresse with prefixe.
int verifie_config_et_termine(uint16_t config, unsigned adresse, const char* prefixe);

// Reads the word at the counter: true when it equals w on 14 bits, else false after reporting
// the difference at adresse.
bool mot_relu_juste(int adresse, uint16_t w);
// Writes w at the counter with programme unless it is 0xFFFF or already there, and checks it as
// mot_relu_juste does.
bool ecrit_mot_verifie(int adresse, uint16_t w, void (*programme)());
// Reads the enabled range of program memory into prog, or of data memory into donnee, in the
// open pass, the counter at address 0.
void lit_mots_programme(uint16_t* prog);
void lit_octets_donnees(uint8_t* donnee);
// Reads the four IDs from the counter on, one increment between them.
void lit_ids(Memoire_PIC& m);
// Writes the four IDs from the counter on with programme, one increment between them, each
// checked on its 7 bits; false after reporting the first wrong one.
bool ecrit_ids_verifies(const uint16_t ids[nb_id], void (*programme)());

// Size of the selected device's program or data memory, read afresh (0 without a device).
int taille_prog();
int taille_donnee();
// Program words that may be written: one short of taille_prog when the last word holds the
// calibration value and writing it is not allowed.
int taille_ecriture_prog();

template <class Taille, class Pas>
bool parcours_programme(Sorte_progression kind, Taille taille, Pas pas) {
    return parcours_adresses(le_prog_deb, le_prog_fin, taille_prog(), kind, taille, pas);
}

template <class Pas> bool parcours_donnees(Sorte_progression kind, Pas pas) {
    return parcours_adresses(le_data_deb, le_data_fin, taille_donnee(), kind, taille_donnee, pas);
}

} // namespace algo
