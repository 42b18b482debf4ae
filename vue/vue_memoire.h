// SPDX-License-Identifier: GPL-2.0-or-later
// Text of the memory view, shared by both front ends: program and data dumps line by line with
// their colour, the configuration panel's values and the serial EEPROM description.
#pragma once

#include "core/catalogue.h"
#include "core/memoire.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Ligne_vue {
    std::string texte; // ends with "\n"
    bool rouge;        // odd lines are red
};

constexpr int MOTS_PAR_LIGNE = 8;

// Data bytes per line for a display base: 0 hexadecimal 16, 2 decimal 8, any other (binary) 4.
int octets_par_ligne(int base);

// Address at the start of a line: 4 hexadecimal digits, 5 from 0x10000 on.
std::string texte_adresse(int adresse);

// "AAAA: " then each word in 4 hexadecimal digits and a space, 8 words a line; a last, shorter
// line holds the words after the last full one. Nothing at all when taille is 0.
std::vector<Ligne_vue> lignes_programme(const Memoire_PIC& m, int taille_prog);

// The same for the data bytes in the display base (hexadecimal 2 digits, decimal 3, binary 8).
std::vector<Ligne_vue> lignes_donnees(const Memoire_PIC& m, int taille_donnee, int base);

// The same, one line at a time: the number of lines, then line n (0 first), so that a view
// formats only the lines it shows.
int nb_lignes_programme(const Memoire_PIC& m, int taille_prog);
int nb_lignes_donnees(const Memoire_PIC& m, int taille_donnee, int base);
Ligne_vue ligne_programme(const Memoire_PIC& m, int taille_prog, int n);
Ligne_vue ligne_donnees(const Memoire_PIC& m, int taille_donnee, int base, int n);

// Both dumps as one text each (what a terminal prints), colours dropped.
std::string texte_lignes(const std::vector<Ligne_vue>& lignes);

// "EEPROM nom\nMemoire : n octets\nPROTOCOLE : I2C|Série|SPI".
std::string description_eeprom(const Desc_PIC& p);

// The 14 fuse check boxes, in the order of their index (0 to 13): CP0, CP1, DP, WDTE, PWRTE,
// PWRTE/, BODEN, CPD, DEB/, LVP, WRT, RESV, MCLRE, CPC.
constexpr int NB_CASES_FUSIBLES = 14;
extern const Num_fuse fusible_de_case[NB_CASES_FUSIBLES];
extern const char* const libelle_case[NB_CASES_FUSIBLES];
// True for the boxes ticked when their bits are 0 (protections and barred fuses).
bool case_active_a_zero(int index);

struct Etat_case {
    bool visible; // the family has this fuse
    bool cochee;
};
std::array<Etat_case, NB_CASES_FUSIBLES> etats_cases(uint16_t config, const Fusibles& f);

// Oscillator text for the configuration word; nothing when the masked value is above 7.
std::optional<std::string> texte_oscillateur(uint16_t config, const Fusibles& f);

// The word with the family's "0" bits cleared, then its "-" bits set.
uint16_t normalise_config(uint16_t config, const Fusibles& f);

// The four ID bytes as 8 upper-case hexadecimal digits, id[0] first.
std::string texte_ID(const uint8_t id[4]);

// Summary for a terminal: oscillator, every fuse of the family with "oui"/"non", configuration
// word and ID for a PIC; the description lines for a serial EEPROM.
std::vector<std::string> resume_configuration(const Memoire_PIC& m, const Desc_PIC& p);
