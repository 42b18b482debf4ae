// SPDX-License-Identifier: GPL-2.0-or-later
// Device IDs of the flash PICs that carry one at 0x2006, by exact device name: the programmer
// checks the part in the socket against them, the simulated chips answer them.
#pragma once

#include <cstdint>
#include <string_view>

// Upper 9 bits of the word at 0x2006 (bits 13..5); bits 4..0 are the silicon revision.
constexpr uint16_t masque_revision_id = 0x001F;

// The ID of the part named nom (revision bits 0), or -1 when the part has none.
int id_du_composant(std::string_view nom);

// Name of the part whose ID is that of the word lu (revision ignored), or "" for none.
std::string_view composant_de_l_id(uint16_t lu);
