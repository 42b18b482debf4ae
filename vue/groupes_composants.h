// SPDX-License-Identifier: GPL-2.0-or-later
// The kinds under which the graphical program's device list groups the catalogue.
#pragma once

#include "core/catalogue.h"

constexpr int NB_GROUPES_COMPOSANTS = 7;
// "PIC 12 bits", "PIC 14 bits EPROM/OTP", "PIC flash", "EEPROM I2C", "EEPROM Microwire",
// "EEPROM SPI", "Autres", in the order the list shows them.
extern const char* const groupes_composants[NB_GROUPES_COMPOSANTS];

// Index in groupes_composants of the device's kind (from the chip-kind table).
int groupe_composant(const Desc_PIC& p);
