// SPDX-License-Identifier: GPL-2.0-or-later
// The checker's own Intel HEX writer and reader, in the PIC layout (words at twice their address,
// IDs and configuration where the device keeps them, data EEPROM at 4200H) or the plain byte
// layout of a serial EEPROM: independent of the program under test.
#pragma once

#include "verite.h"

#include <string>
#include <vector>

std::string texte_hex(const verite::Composant& c, const verite::Contenu& image);
// The data bytes, those the image does not give as FF, up to the last one it gives.
std::string texte_binaire(const verite::Contenu& image);
// Fills lu from a HEX text (-1 for what it does not give); hors receives a line for each address
// outside the device. False for a text that is not Intel HEX.
bool lit_hex(const std::string& texte, const verite::Composant& c, verite::Contenu& lu,
             std::vector<std::string>& hors);
