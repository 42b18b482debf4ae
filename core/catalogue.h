// SPDX-License-Identifier: GPL-2.0-or-later
// Device catalogue (conf_PICS) and fuse layouts.
#pragma once

#include "core/genre_puce.h" // est_eeprom and the other questions on a device's kind

#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

constexpr int NB_PIC_MAX = 255; // devices in the catalogue
constexpr int NB_FAMILLES = 32; // fuse families
constexpr int NOM_PIC_MAX = 19; // characters of a device name
constexpr int NOM_FUSE_MAX = 9; // characters of a fuse name
constexpr int LIGNE_CONF_MAX = 255;

struct Desc_PIC {
    std::string nom;
    int taille_prog = 0;   // program words (0 for a serial EEPROM)
    int taille_donnee = 0; // data bytes
    int algo = 0;          // kind, a Genre_puce value (core/genre_puce.h)
    int vpp40 = 0;         // programming voltage on VPP2
    int famille = 0;       // row of tab_fuses
    int teste = 0;         // tested with the programmer
    int osc_cal = 0;       // last program word holds the oscillator calibration value
};

enum Num_fuse : int {
    F_CPD = 0,
    F_CP0,
    F_CP1,
    F_DP,
    F_CPC,
    F_WDTE,
    F_FOSC0,
    F_FOSC1,
    F_FOSC2,
    F_MCLRE,
    F_WRT,
    F_LVP,
    F_PWRTE,
    F_PWRTE_,
    F_BODEN,
    F_RESV,
    F_DEB_,
    F_ZERO,
    F_TIRET,
    NB_FUSES
};

// Catalogue names of the 19 fuse positions ("CPD", ..., "0", "-").
extern const char* const noms_fuses[NB_FUSES];

struct Fusibles {
    uint32_t masque[NB_FUSES] = {};
    bool operator==(const Fusibles&) const = default;
};

// The code, data and write protection fuses (a bit at 0 turns its protection on), and their bits
// in a layout.
constexpr Num_fuse fuses_protection[] = {F_CP0, F_CP1, F_CPD, F_WRT};
uint16_t masque_protections(const Fusibles& f);

extern std::vector<Desc_PIC> tab_pic;               // devices in file order
extern std::array<Fusibles, NB_FAMILLES> tab_fuses; // indexed by famille
// Second configuration word (ID0 + 8) of the families whose layout has a second line
// ("<famille>.2 ..."); a_second_mot tells which do.
extern std::array<Fusibles, NB_FAMILLES> tab_fuses2;
extern std::array<bool, NB_FAMILLES> tab_second_mot;
bool a_second_mot(int famille);
// The fuse layout of the device's family (no fuse at all for a family out of range).
const Fusibles& fusibles_de(const Desc_PIC& p);
// The layout of its second configuration word (none when it has one word only).
const Fusibles& fusibles2_de(const Desc_PIC& p);

// The selected device, or null when the catalogue is empty or pic_select names no entry.
const Desc_PIC* pic_courant();

// Index of the device named nom, or -1.
int cherche_pic(const std::string& nom);

// Mask with bit i set for each of the 14 bit names (entry i labels bit i) equal to nom.
uint16_t put_fuse(const char* nom, const char* const noms[14]);

// Reads a catalogue into tab_pic and tab_fuses (which it empties first). Lines that break the
// table limits, name an unknown algo or repeat an earlier device's name are skipped with one line
// on standard output naming fichier and the line number.
void lire_catalogue(std::istream& in, const std::string& fichier);

// Reads the catalogue file; false (tables empty) when it cannot be read (a directory included).
bool lire_catalogue_fichier(const std::string& chemin);
