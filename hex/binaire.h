// SPDX-License-Identifier: GPL-2.0-or-later
// Raw byte images of a data memory (serial EEPROM, data EEPROM of a PIC): byte n of the file is
// data byte n, nothing else is in the file.
#pragma once

#include "core/memoire.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <string>

struct Lecture_binaire {
    // Bytes in the file. Reading stops past the data buffer (an endless stream ends there); the
    // size of a regular file is then taken from the file system, otherwise taille is a lower bound.
    std::size_t taille = 0;
    bool taille_exacte = true;
    bool illisible = false; // the file could not be opened, or reading failed before its end
};

// A new image (blank, configuration word 0x03FF, like the HEX readers) whose data bytes are the
// file's; donnees_lues is set when the file holds at least one byte. bilan, when given, receives
// the file's size. The reader of a path posts the HEX readers' message when the file cannot be
// opened or read; the stream reader only records it in bilan.
std::unique_ptr<Memoire_PIC> Lire_Binaire(std::istream& flux, Lecture_binaire* bilan = nullptr);
std::unique_ptr<Memoire_PIC> Lire_Fichier_Binaire(const std::string& chemin,
                                                  Lecture_binaire* bilan = nullptr);

// The data bytes of the selected device, exactly its taille_donnee of them.
std::string Texte_Binaire(const Memoire_PIC& m);
