// Intel HEX files: the PIC layout (program words, IDs, configuration, data EEPROM at fixed
// addresses) and the plain byte layout of EEPROM images.
#pragma once

#include "core/memoire.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

// value in upper-case hexadecimal, left-padded with "0" to exactly longueur characters (a negative
// value as its 32-bit two's complement); the empty string when it needs more digits. buf holds at
// least longueur + 1 characters. Returns buf.
char* ui2Hex(int valeur, char* buf, unsigned longueur);
std::string ui2Hex(int valeur, unsigned longueur);

// What a reader remembers from one line to the next (extended linear address records).
struct Lecture_hex {
    uint32_t adresse_haute = 0; // upper 16 address bits, from the last type 04 record
};

// The readers always return a new image (blank, configuration word 0x03FF, when the file cannot
// be opened). A line is given without its line break; the result is 1 for a record, 0 for a
// comment line (";"), -1 for a bad line, whose message has been posted. The writers replace the
// file whole or leave it as it was.

// The Flux readers apply the records of a stream to m (the file readers hand them the opened
// file and a blank image); the Texte writers give the text the file writers save.

// PIC layout; the selected device decides where IDs and configuration sit.
std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_PIC(const std::string& chemin);
void Lire_Flux_Hex_PIC(std::istream& in, Memoire_PIC& m);
int Lire_ligne_Hex_PIC(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat);
void Ecrire_Fichier_Hex_PIC(const std::string& chemin, const Memoire_PIC& m);
std::string Texte_Hex_PIC(const Memoire_PIC& m);

// Plain byte layout: record address = data byte address.
std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_EEPROM(const std::string& chemin);
void Lire_Flux_Hex_EEPROM(std::istream& in, Memoire_PIC& m);
int Lire_ligne_Hex_EEPROM(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat);
void Ecrire_Fichier_Hex_EEPROM(const std::string& chemin, const Memoire_PIC& m);
std::string Texte_Hex_EEPROM(const Memoire_PIC& m);
