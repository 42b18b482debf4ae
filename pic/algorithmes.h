// The three PIC programming algorithms.
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
