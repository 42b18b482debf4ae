// SPDX-License-Identifier: GPL-2.0-or-later
// What a blank part reads, and the factory values a part keeps: facts by device.
#pragma once

#include <cstdint>

struct Desc_PIC;

// A blank program word or ID: 0xFFF on the 12-bit core, 0x3FFF otherwise.
uint16_t mot_programme_vierge(const Desc_PIC& p);
// A blank configuration word: every bit of the word at 1 except those the fuse family reads 0.
uint16_t config_vierge(const Desc_PIC& p);
// The second word's stored bits (neither "-" nor "0" in its layout), and its blank value.
uint16_t bits_config2_implementes(const Desc_PIC& p);
uint16_t config2_vierge(const Desc_PIC& p);
// Configuration bits the factory sets and every write keeps (12F6xx bandgap bits 13..12).
uint16_t bits_usine_config(const Desc_PIC& p);
// Configuration bits the part stores: neither unimplemented ("-", read 1) nor read as 0 ("0").
uint16_t bits_config_implementes(const Desc_PIC& p);
// Whether mot is a calibration instruction for the core: MOVLW k (0xCkk) on the 12-bit core,
// RETLW k (0x34kk) on the 14-bit one.
bool instruction_calibration(const Desc_PIC& p, uint16_t mot);
