// SPDX-License-Identifier: GPL-2.0-or-later
// The device operations as both front ends run them: write the image into the chip, read the
// chip into the image, erase it, compare it with the image.
#pragma once

#include "core/memoire.h"

#include <optional>
#include <string>
#include <vector>

struct Desc_PIC;

enum Resultat_operation : int {
    OPERATION_REUSSIE = 0,
    OPERATION_ECHOUEE = -1,    // a verification or a read failed; its message was posted
    PROGRAMMATEUR_ABSENT = -2, // nothing done; the message was posted
};

// Every operation first detects the programmer, then checks that the part in the socket is the
// selected device (those with a device ID): another part stops it with OPERATION_ECHOUEE after
// a message, unless forcer. Writes and erases of a device with a calibration word read, show
// and record that word first (see calibration_gardee).
Resultat_operation prepare_operation(bool forcer);

// Reads the selected range of program memory into prog (TAILLE_PROG_MAX words). A word wider than
// the chip's words (0x3FFF from a 12-bit part) means that no chip answered, or one in the wrong
// position: false after a message, as for a read that failed.
bool lit_programme(const Desc_PIC& p, uint16_t* prog);

// Data memory, program memory, then IDs and configuration, stopping at the first failure, so a
// chip that fails verification never gets its configuration (and code protection). An image that
// an EPROM part cannot keep (refus_image) is refused with its message before anything is sent.
Resultat_operation ecrit_image(const Memoire_PIC& m, bool forcer = false);
// Reads the enabled areas and ranges into the image's own buffers, stopping at the first area
// that could not be read (the image then holds what was read before).
Resultat_operation lit_image(Memoire_PIC& m, bool forcer = false);
// Erases the selected chip when the programmer can (peut_effacer), then checks that the areas
// erased are blank; a chip that is not, or a failure to restore its factory calibration after
// the erase, posts a message and gives OPERATION_ECHOUEE.
Resultat_operation efface_puce(bool forcer = false);

// One differing word of program or data memory.
struct Difference {
    bool programme; // program memory, else data memory (PIC or serial EEPROM)
    unsigned adresse, puce, image;
};

struct Rapport_comparaison {
    std::string texte;            // the report's lines
    bool difference = false;      // an ID, configuration, program or data line reports a difference
    bool lecture_echouee = false; // an area could not be read: it has no line (message posted)
    bool refusee = false;         // another part in the socket: nothing read (message posted)
    std::vector<Difference> differences; // every differing program word and data byte
    // The report with "(N mots différents en tout)" after each memory's difference line.
    std::string texte_avec_totaux;
};
// Reads the chip into buffers of its own and compares it with the image, stopping at an area that
// could not be read; nothing when no programmer answers (the message was posted).
std::optional<Rapport_comparaison> compare_image(const Memoire_PIC& m, bool forcer = false);
// "N mots différents" and one line per difference, for the full list.
std::string texte_differences(const Rapport_comparaison& r);

// The code, data and write protection fuses (CP0, CP1, CPD, WRT of the device's fuse layouts)
// that writing m turns on: a bit of one of them at 0 in the first configuration word when it is
// written (config_ecrite, every PIC kind), or in the second when the image gives it, the
// configuration area is enabled and the device has one. First word first; empty when the write
// protects nothing.
std::vector<std::string> protections_ecrites(const Memoire_PIC& m);
// The same, each word with its value: "le mot de configuration 3F7F active la protection du code
// (CP0) ; le second mot de configuration 38FF active la protection du code (WRT)".
std::string texte_protections_ecrites(const Memoire_PIC& m);
// Writing m clears LVP (bit 13 of the second configuration word) on an enhanced mid-range part
// that this board enters by the low-voltage key only: the part could not be entered again.
bool lvp_efface_par_l_ecriture(const Memoire_PIC& m);
// Why: "le second mot de configuration 1FFF met LVP à 0 : ... il ne pourrait plus le
// programmer."
std::string texte_lvp_efface(const Memoire_PIC& m);

extern const char* const texte_programmateur_absent;
