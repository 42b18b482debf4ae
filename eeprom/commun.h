// Pieces shared by the three EEPROM protocols (not part of their interface).
#pragma once

#include "core/catalogue.h"

namespace eeprom_interne {

// The selected device when its whole array lies within portee bytes; otherwise the refusal is
// reported (message_erreur) and the result is null.
const Desc_PIC* composant_accepte(int portee);

// Whether the active pin map has the SELECT and DATA_93 lines that Microwire and SPI need;
// otherwise the refusal is reported (message_erreur) and nothing is touched.
bool lignes_serie_presentes();

// A byte read back unlike the byte written: the message (address, byte sent, byte read), then the
// supply off.
void erreur_verification(int a, int envoye, int recu);

// First address of the range (le_data_deb, a negative value counting as 0).
int premiere_adresse();

// Address a is in the range: a <= le_data_fin, below the selected device's size as it is now and
// below portee.
bool dans_plage(int a, int portee);

// Progress call at k = a + 1 every n / 100 + 1 addresses.
void progression(int a, int n, int kind);

// Text on the console stream (standard output by default), flushed.
void affiche(const char* texte);

} // namespace eeprom_interne
