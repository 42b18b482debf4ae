// SPDX-License-Identifier: GPL-2.0-or-later
// Intel HEX files: the PIC layout (program words, IDs, configuration, data EEPROM at fixed
// addresses) and the plain byte layout of EEPROM images.
#pragma once

#include "core/memoire.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

// value in upper-case hexadecimal, left-padded with "0" to exactly longueur characters (a negative
// value as its 32-bit two's complement); the empty string when it needs more digits. buf holds at
// least longueur + 1 characters. Returns buf.
char* ui2Hex(int valeur, char* buf, unsigned longueur);
std::string ui2Hex(int valeur, unsigned longueur);

// What a reader remembers from one line to the next, and what it found.
struct Lecture_hex {
    uint32_t adresse_haute = 0; // upper 16 address bits, from the last type 04 record
    uint32_t segment = 0;       // segment of the last type 02 record (base address / 16)
    int lignes_incorrectes = 0; // lines refused
    int messages = 0;           // messages posted (bad lines, checksum errors, reading)
    // Words (bytes in the byte layout) holding something to program that lie outside the
    // selected device and so will not be written; counted only when a device is selected.
    std::size_t hors_composant = 0;
    // Byte layout: which of the selected device's data bytes the file gives (one flag per byte
    // of its taille_donnee, sized at the first data record).
    std::vector<bool> octets_donnes;
    bool illisible = false; // the file could not be opened, or reading failed before its end
};

// The readers always return a new image (blank, configuration word 0x03FF, when the file cannot
// be opened). A line is given without its line break; the result is 1 for a record, 0 for a
// comment line (";"), -1 for a bad line, whose message has been posted. Lines longer than 1 KiB
// are bad lines, and reading stops after a few bad lines with one summary message. bilan, when
// given, receives what the reader found. The writers replace the file whole or leave it as it
// was.

// The Flux readers apply the records of a stream to m (the file readers hand them the opened
// file and a blank image); the Texte writers give the text the file writers save.

// PIC layout; the selected device decides where IDs and configuration sit.
std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_PIC(const std::string& chemin,
                                                  Lecture_hex* bilan = nullptr);
// The same from a stream already open (standard input, memory); a read error posts no message,
// it is only recorded in bilan.
std::unique_ptr<Memoire_PIC> Lire_Hex_PIC(std::istream& flux, Lecture_hex* bilan = nullptr);
// The same into an image the caller owns (its contents are overwritten only where the file says).
void Lire_Flux_Hex_PIC(std::istream& flux, Memoire_PIC& m, Lecture_hex* bilan = nullptr);
int Lire_ligne_Hex_PIC(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat);
void Ecrire_Fichier_Hex_PIC(const std::string& chemin, const Memoire_PIC& m);
// The text that Ecrire_Fichier_Hex_PIC writes. With lues, only what those zones cover (the
// records of a read with areas or ranges left out: the file then has gaps).
std::string Texte_Hex_PIC(const Memoire_PIC& m, const Zones_couvertes* lues = nullptr);

// Plain byte layout: record address = data byte address.
std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_EEPROM(const std::string& chemin,
                                                     Lecture_hex* bilan = nullptr);
std::unique_ptr<Memoire_PIC> Lire_Hex_EEPROM(std::istream& flux, Lecture_hex* bilan = nullptr);
void Lire_Flux_Hex_EEPROM(std::istream& flux, Memoire_PIC& m, Lecture_hex* bilan = nullptr);
int Lire_ligne_Hex_EEPROM(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat);
void Ecrire_Fichier_Hex_EEPROM(const std::string& chemin, const Memoire_PIC& m);
std::string Texte_Hex_EEPROM(const Memoire_PIC& m, const Zones_couvertes* lues = nullptr);

// Replaces the file whole by contenu, through a temporary file and a rename, or leaves it as it
// was and posts the writers' message.
void Ecrire_Fichier(const std::string& chemin, const std::string& contenu);

// The warning the front ends give once after reading a file with data outside the selected
// device ("" when there is none); octets: the file was read in the byte layout.
std::string texte_hors_composant(const Lecture_hex& bilan, bool octets);
