// SPDX-License-Identifier: GPL-2.0-or-later
// Texts of the Options window and the settings they stand for: port, programmer type, pin lines,
// address ranges; the pin map a confirmation makes active; the message when saving fails.
#pragma once

#include "core/lignes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The lists of the window's combo boxes; the pin lists end with "—", no line (mask 0).
extern const char* const sans_ligne;              // "—"
extern const char* const liste_lignes_donnees[9]; // "D0" to "D7", "—"
extern const char* const liste_lignes_etat[6];    // "0-ERROR/" to "4-BUSY/", "—"
extern const char* const liste_types[3];          // "KORVAL", "P16Pro", "Autres"
extern const char* const liste_ports[3];          // "3BC", "378 (LPT1 par défaut)", "278"

// Output line: "—" for mask 0, else "D" then '0' plus the sum of the numbers of the mask's set
// bits among bits 1 to 7 (a one-bit mask gives its bit number, 1 gives "D0").
std::string texte_ligne_sortie(uint8_t masque);
// 1 shifted left by (second character - '0'), low 8 bits; 0 when the shift is not 0 to 7 ("—").
uint8_t masque_ligne_sortie(const std::string& texte);

// Input line: "—" for mask 0, the text for a mask of 8, 16, 32, 64 or 128; nothing for any other
// mask.
std::optional<std::string> texte_ligne_entree(uint8_t masque);
// 1 shifted left by (first character - '-'), low 8 bits: "0-ERROR/" 8 ... "4-BUSY/" 128; "—" 0.
uint8_t masque_ligne_entree(const std::string& texte);

// ui2Hex with 3 digits, " (LPT1 par défaut)" after 0x378.
std::string texte_port(int port);
// 0x378 when the first character is '3', plus 0x44 when the second is 'B', 0x278 when the first
// is '2': "3BC" 0x3BC, "2BC" 0x2BC, "3F8" 0x378. 0 for a text that names no port.
int port_du_texte(const std::string& texte);

// "KORVAL", "P16Pro", "Autres" for 0, 1, 2; nothing for another type.
std::optional<std::string> texte_type(int type);
// 1 when the second character is '1', 2 when it is 'u', else 0.
int type_du_texte(const std::string& texte);

// A range value in 4 hexadecimal digits, bounded to 0..0xFFFF first (the entry holds 4
// characters, and an empty entry would read back as 0).
std::string texte_plage(int valeur);

struct Plage_lue {
    int valeur;
    std::optional<std::string> texte; // the entry's new text, when it changes
    bool operator==(const Plage_lue&) const = default;
};
// Reads a range entry as "%X" does (blanks, a sign, "0x", hexadecimal digits, as far as they
// go). No number: 0 shown as "0"; a negative number: 0 shown as "0"; above 0xFFFF: 0xFFFF shown
// as "FFFF".
Plage_lue lit_plage(const std::string& texte);

// The active map after a confirmation: the window's own presets for types 0 and 1 (type 1 with
// SELECT 0x40 and DATA_93 0x20), the custom map for type 2, nothing for another type.
std::optional<Brochage> brochage_confirme(int type, const Brochage& autre);

// The error window's text when the settings could not be saved there.
std::string texte_echec_sauvegarde(const std::vector<std::string>& chemins);

// The board's programming voltage the window accepts, in whole volts.
constexpr int TENSION_VPP_MIN = 5;
constexpr int TENSION_VPP_MAX = 14;
// The voltage typed (digits, blanks around them allowed); nothing for another text or a value
// outside TENSION_VPP_MIN..TENSION_VPP_MAX.
std::optional<int> lit_tension_vpp(const std::string& texte);
// The error window's text when the voltage typed is refused.
std::string texte_tension_refusee(const std::string& texte);
// The note beside the voltage: how the 16F1xxx parts are entered on such a board.
extern const char* const note_tension_vpp;

// The information window's text after the adapter of the settings changed ("" for the parallel
// port): the programmer in use stays until the program starts again.
std::string texte_adaptateur_au_demarrage(const std::string& adaptateur);
