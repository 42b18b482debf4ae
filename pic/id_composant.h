// SPDX-License-Identifier: GPL-2.0-or-later
// Device IDs: the word at 0x2006 of the flash PICs that have one (bits 13..5 name the part,
// bits 4..0 are its silicon revision).
#pragma once

#include <cstdint>
#include <string>

struct Desc_PIC;

// The part carries a device ID that tells it from the others.
bool a_id_composant(const Desc_PIC& p);

// The ID of the part named nom (revision bits 0), or -1 when the table has none for it.
int id_attendu(const std::string& nom);

// Name of the part whose ID is that of the word lu (revision ignored), or "" for none.
std::string nom_de_l_id(uint16_t lu);

// Why the word lu at 0x2006 says that the part in the socket is not a nom: "" when it is one
// (or nom has no ID to check).
std::string ecart_id(const std::string& nom, uint16_t lu);
