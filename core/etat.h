// SPDX-License-Identifier: GPL-2.0-or-later
// Global application state and settings shared by the whole program.
#pragma once

#include "core/lignes.h"

#include <string>

extern int pic_select;   // index of the selected device in tab_pic
extern int type_de_prog; // 0 "KORVAL", 1 "P16Pro", 2 "Autres"
extern Brochage c_u;     // active pin map
extern Brochage c_autre; // custom pin map (type 2)
extern int PORT_PARA;    // base I/O address of the parallel port
extern int val_tempo;    // microseconds added to every wait
extern int tension_vpp;  // the board's programming voltage, in volts

extern int le_prog_enable;
extern int le_prog_deb;
extern int le_prog_fin;
extern int le_data_enable;
extern int le_data_deb;
extern int le_data_fin;
extern int le_config_enable;
extern int le_ID_enable;
extern int osc_int_enable;

extern std::string lastFile; // last HEX file read or written

// Adapter of the settings: "" the parallel port, "ftdi:DESCRIPTION" or "gpio:CHIP"; and the
// pin of each line on it as written ("D4", "~D3", "17"; "" = the adapter's default map).
extern std::string adaptateur_conf;
extern std::string broches_conf[NB_LIGNES];

extern int ecrire_pic;        // device operation state
extern int donnee_en_binaire; // display base: 0 hex, 1 binary, 2 decimal
extern int juste_donnee;      // HEX file is an EEPROM image (1) or a PIC image (0)
extern int lire_hex;          // file chooser reads (1) or writes (0)
extern int erreur_fin;        // the posted message is fatal
extern int eeprom_rapide;     // serial EEPROMs: page writes and sequential reads (1) or bytes (0)

// The settings that Lire_Fichier_Conf sets before reading (type, port, map, ranges, device).
void valeurs_par_defaut_conf();

// Every global above back to its value at program start, the catalogue emptied.
void remise_a_zero_etat();
