// SPDX-License-Identifier: GPL-2.0-or-later
// The PIC programming algorithms.
#pragma once

#include "core/memoire.h"

#include <cstdint>

// Algorithm 1: 14-bit flash/EEPROM parts, self-timed 10 ms writes, data EEPROM, erase.
int Algo1_Charge_tout_vers_PM(const uint16_t* prog);
uint16_t* Algo1_Lit_tout_de_PM(uint16_t* prog);
int Algo1_Charge_tout_vers_DM(const uint8_t* donnee);
uint8_t* Algo1_Lit_tout_de_DM(uint8_t* donnee);
void Efface_DM_et_PM();
int Algo1_Charge_ID_Config(const Memoire_PIC& m);
void Algo1_Lit_ID_Config(Memoire_PIC& m);
uint16_t Algo1_Lit_ID_Composant(); // the word at 0x2006

// Algorithm 2: 14-bit EPROM parts, up to 25 pulses of 100 µs then 3 more.
int Algo2_Charge_tout_vers_PM(const uint16_t* prog);
uint16_t* Algo2_Lit_tout_de_PM(uint16_t* prog);
int Algo2_Charge_ID_Config(const Memoire_PIC& m);
void Algo2_Lit_ID_Config(Memoire_PIC& m);

// Algorithm 3: 12-bit EPROM parts, up to 8 pulses then 11 per pulse used.
int Algo3_Charge_tout_vers_PM(const uint16_t* prog);
uint16_t* Algo3_Lit_tout_de_PM(uint16_t* prog);
int Algo3_Charge_ID_Config(const Memoire_PIC& m);
void Algo3_Lit_ID_Config(Memoire_PIC& m);

// Algorithms 4, 5 and 6: later flash parts with program-only cells (pic/flash_recente.h), erased
// before every write; data EEPROM. Their area operations are flash::ecrit_programme and the
// others of pic/flash_recente.h, applied to the family.
namespace flash {
struct Famille_flash;
// Algorithm 4: 16F627A/628A/648A, VPP first, one word at a time.
extern const Famille_flash famille_62xa;
// Algorithm 5: 16F873A..877A, eight-word groups through the latch.
extern const Famille_flash famille_87xa;
// Algorithm 6: 12F629/675, 16F630/676, VPP first, OSCCAL and bandgap bits kept.
extern const Famille_flash famille_12f6xx;
// Algorithm 7: 16F87/88, 16F818/819, four-word latch, 0x18 .. 0x17, chip erase.
extern const Famille_flash famille_16f8x;
// Algorithm 8: 16F882..887, VPP first, eight-word latch, calibration word 0x2009 kept.
extern const Famille_flash famille_16f88x;
// Algorithm 9: 12F683, 16F684..690, VPP first, four-word latch, calibration word 0x2008 kept.
extern const Famille_flash famille_12f683;
// Algorithm 10: enhanced mid-range parts, key entry on a board above 9 V, calibration kept.
extern const Famille_flash famille_16f1xxx;
} // namespace flash
// True when this board enters the enhanced mid-range parts by the low-voltage key only: its
// programming voltage (tension_vpp) is above the 9 V they take.
bool entree_par_cle_16f1xxx();
