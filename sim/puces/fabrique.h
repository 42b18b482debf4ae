// SPDX-License-Identifier: GPL-2.0-or-later
// Builds the chip model for a catalogue device.
#pragma once

#include "sim/modele/puce.h"
#include "sim/puces/puce_pic.h"

#include <memory>

// The model of the device's kind (a Puce_pic or a serial EEPROM); nullptr for a kind without one
// or a PIC without program memory.
std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p);
std::unique_ptr<Modele_puce> cree_puce(const Desc_PIC& d, const Pannes_puce& p,
                                       const Options_puce& o);
