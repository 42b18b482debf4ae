// SPDX-License-Identifier: GPL-2.0-or-later
// Pieces shared by the three EEPROM protocols (not part of their interface).
#pragma once

#include "core/catalogue.h"
#include "core/messages.h"

#include <cstdint>

namespace eeprom_interne {

// The selected device when its whole array lies within portee bytes; otherwise the refusal is
// reported (message_erreur) and the result is null.
const Desc_PIC* composant_accepte(int portee);

// Whether the active pin map has the SELECT and DATA_93 lines that Microwire and SPI need;
// otherwise the refusal is reported (message_erreur) and nothing is touched.
bool lignes_serie_presentes();

// A byte read back unlike the byte written: the message (address, byte sent, byte read), then the
// supply off.
void erreur_verification(int a, int envoye, int recu);

// First address of the range (le_data_deb, a negative value counting as 0).
int premiere_adresse();

// Address a is in the range: a <= le_data_fin, below the selected device's size as it is now and
// below portee.
bool dans_plage(int a, int portee);

// Last address of the range as the fast modes take it once: le_data_fin, below the selected
// device's size and below portee; -1 when there is none.
int derniere_adresse(int portee);

// Progress call at k = a + 1 every n / 100 + 1 addresses.
void progression(int a, int n, Sorte_progression kind);

// Text on the console stream (standard output by default), flushed.
void affiche(const char* texte);

// I2C: failure texts of the acknowledge checks, and how many control bytes the acknowledge
// polling sends before it gives up.
extern const char* const ACK_ADRESSE1;
extern const char* const ACK_ADRESSE2;
extern const char* const ACK_ADRESSE3;
extern const char* const ACK_DONNEES;
constexpr int ESSAIS_ACK = 10000;

// The selected I2C part takes two address bytes after the control byte (24C32 and up).
bool adresse_2_octets_I2C();
// I2C control bytes for address a; with one address byte, address bits 8..10 ride in control
// bits 1..3.
int controle_ecriture(bool deux_octets, int a);
int controle_lecture(bool deux_octets, int a);

// How bytes go on the bus: the byte-mode or the fast bit routines.
struct Bus_I2C {
    void (*envoie)(int octet);
    int (*ack)(); // 0 when the chip acknowledged
};
// Control byte, polled until acknowledged (the previous write cycle is over), then the address
// bytes; a stop first before each try when stop_avant. The failure text, or null.
const char* phase_adresse_I2C(const Bus_I2C& bus, int a, bool stop_avant);

// The failure text on standard output, then eeprom_erreur.
void echec_I2C(const char* texte);
// Random read of address a up to its first data byte: address phase, start, control byte for
// reading. False after a failure (reported, supply off).
bool debut_lecture_I2C(const Bus_I2C& bus, int a, bool stop_avant);

// Sends octet, most significant bit first, SDA set with the clock low, waiting pause_us after
// each clock edge (1 on the standard bus, 0 on the fast one).
void envoie_bits_I2C(int octet, int pause_us);

// Fast I2C transfers (i2c_pages.cpp), the chip already powered: one sequential read of
// premiere..derniere (progress of the given kind, or none for sans_progression), and page writes,
// each page read back. False after a failure (reported, supply off). n is the size for the
// progress.
bool lit_suite_I2C(uint8_t* tampon, int premiere, int derniere, int n, Sorte_progression kind);
bool ecrit_pages_I2C(const uint8_t* source, int premiere, int derniere, int n);

} // namespace eeprom_interne
