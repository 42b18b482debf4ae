// SPDX-License-Identifier: GPL-2.0-or-later
// Editing the configuration word and the ID locations from the configuration panel's choices.
#pragma once

#include "core/catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The word after fuse box `index` (0 to 13, see fusible_de_case) becomes ticked or unticked: a
// ticked box means the feature is on. An index out of range changes nothing.
uint16_t applique_case(uint16_t config, int index, bool cochee, const Fusibles& f);

// A second configuration word as its layout stores it: 14 bits, the "0" bits cleared and the "-"
// bits set.
uint16_t masque_config2(uint32_t valeur, const Fusibles& f2);

// The second word typed in hexadecimal (1 to 4 digits, blanks around them allowed), masked as
// masque_config2 does; nothing for any other text.
std::optional<uint16_t> lit_config2(const std::string& texte, const Fusibles& f2);

// The word after choosing an oscillator text: bits 1..0 for LP/XT/HS/RC, and in families with a
// FOSC2 bit, that bit (bit 2, or where the layout puts it) cleared first, then FOSC2 and bits
// 1..0 for the five texts of the longer list.
uint16_t applique_oscillateur(uint16_t config, const std::string& texte, const Fusibles& f);

// The oscillator list of a family: its position is the value of the oscillator bits.
std::vector<std::string> liste_oscillateur(const Fusibles& f);

// Reads up to 8 hexadecimal digits, two per ID byte, id[0] first; an odd length gets a "0". A
// pair that is missing, or does not start with a hexadecimal digit, leaves its byte as it was;
// a pair read as far as its digits go ("1G" is 1).
void lit_ID(const std::string& texte, uint8_t id[4]);
