// SPDX-License-Identifier: GPL-2.0-or-later
// Area operations: program memory, data memory, IDs and configuration, routed through the kind
// table (pic/genres.h) to a PIC algorithm or a serial EEPROM protocol.
#pragma once

#include "core/memoire.h"

#include <cstdint>
#include <vector>

int Charge_tout_vers_PM(const uint16_t* prog);
int Charge_tout_vers_DM(const uint8_t* donnee);
// Fill the given buffer (TAILLE_PROG_MAX words, TAILLE_DONNEE_MAX bytes) and return it; null when
// the EEPROM read failed (already reported).
uint16_t* Lit_tout_de_PM(uint16_t* prog);
uint8_t* Lit_tout_de_DM(uint8_t* donnee);
// The configuration word only when the image has one (Memoire_PIC::config_definie): otherwise
// the IDs alone, with a message. Reading the configuration word gives the image one.
int Charge_ID_Config(const Memoire_PIC& m);
void Lit_ID_Config(Memoire_PIC& m);
// Whether a write programs the image's configuration word: a PIC, the
// area enabled and the word given.
bool config_ecrite(const Memoire_PIC& m);

struct Desc_PIC;
// The device can be erased by the programmer (flash and EEPROM PICs, serial EEPROMs).
bool peut_effacer(const Desc_PIC& p);
// Its erase also blanks the IDs and the configuration word (not only program and data memory).
bool efface_ids_config(const Desc_PIC& p);
// Erases the selected device: 0, or -1 after a message; nothing for a device that cannot be.
int Efface_PIC();

// The word at 0x2006 of the selected device (device ID and revision), in a pass of its own;
// 0x3FFF for a device that has no such word to read.
uint16_t Lit_ID_Composant();

// Fresh buffers for a read: every word 0xFFFF, every byte 0xFF.
std::vector<uint16_t> tampon_prog_vierge();
std::vector<uint8_t> tampon_donnee_vierge();
