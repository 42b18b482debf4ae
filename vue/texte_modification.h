// SPDX-License-Identifier: GPL-2.0-or-later
// Texts of the modify dialog: the hexadecimal address, a cell's value in the display base, and
// the configuration words the program addresses name.
#pragma once

#include "core/catalogue.h"

#include <cstdint>
#include <optional>
#include <string>

// The address, hexadecimal whatever the base, read as far as its digits go; nothing unless the
// text begins with a hexadecimal digit.
std::optional<int> lit_adresse_modif(const std::string& texte);

// A cell's value in the display base (0 hexadecimal, 2 decimal, any other binary): 4 or 2
// hexadecimal digits, 16 or 8 binary ones for a program word or a data byte, plain decimal.
std::string texte_valeur_modif(unsigned valeur, int base, bool octet);

// The value typed in the display base, modulo 2^32: hexadecimal as "%X" reads it, decimal as
// "%d", nothing when no number begins the text; binary takes every character, the rightmost
// being bit 0 and each giving the lowest bit of (its code - 48).
std::optional<uint32_t> lit_valeur_modif(const std::string& texte, int base);

// The program word the dialog stores for a typed value: its low 16 bits when they read 0xFFFF
// (nothing to program), otherwise the bits the device's word holds (12 for a 12-bit core, else 14).
uint16_t mot_programme_modif(uint32_t valeur, int algo);

// The configuration word a program address names for the part: 1 for the first (0xFFF on a
// 12-bit core, ID0 + 7 otherwise), 2 for the second (ID0 + 8) where the part has one, 0 for any
// other address or for a serial EEPROM.
int mot_config_adresse(const Desc_PIC& p, int adresse);

// The configuration word n (1 or 2) stored for a typed value: the core's width (12 or 14 bits),
// then the layout's "0" bits cleared and its "-" bits set.
uint16_t mot_config_modif(uint32_t valeur, const Desc_PIC& p, int n);
