// SPDX-License-Identifier: GPL-2.0-or-later
// Setting up the simulated programmer for a front end.
#pragma once

#include "core/catalogue.h"
#include "core/lignes.h"
#include "sim/carte_simulee.h"

#include <cstdint>
#include <string>
#include <vector>

struct Options_simulateur {
    std::string fichier_etat;        // chip contents kept between runs; "" = not kept
    std::string puce;                // catalogue device in the socket; "" = the selected one
    std::vector<std::string> pannes; // fault names (liste_pannes)
    int type_carte = 0;              // board wiring: 0 "KORVAL", 1 "P16Pro", 2 cablage below
    Brochage cablage = {};           // wiring of type 2
    int64_t cout_acces_ns = 1000;    // virtual time of one port access
    std::string adaptateur;          // "ftdi" or "gpio": the board behind that adapter
};

// The catalogue entry of the chip for the socket: nom, or the selected device when nom is "".
// Null, with a message, when there is none.
const Desc_PIC* desc_puce_support(const std::string& nom);

// Builds the board with its chip (the state file loaded when there is one) and installs it under
// the line driver. The state file is held (Verrou_etat) until termine_simulateur. False, with a
// message, for an unknown fault, device or board type, a state file that another program holds
// or that is not loaded (it names another chip, or cannot be read); nothing is installed then
// and the file is left as it is. An unknown adapter is refused the same way. A device the simulator
// does not model leaves the socket empty, with a message. A board installed before is replaced:
// termine_simulateur first keeps its chip.
bool installe_simulateur(const Options_simulateur& o);

// Saves the chip's contents to the state file now; the board goes on. False, with a message,
// when the file cannot be written; true when there is nothing to save.
bool sauve_simulateur();

// Saves the chip's contents to the state file and gives the file up (its lock released); returns
// the virtual time the board has run, in nanoseconds; -1 when no simulated board is installed.
int64_t termine_simulateur();

// The protocol violations that the chip in the socket recorded since the last call, one line per
// kind with its count and a few of the commands or addresses concerned:
// "Simulateur : 2 commandes inconnues (9, 11)". The record is then cleared.
std::vector<std::string> releve_violations();

// "1,234 s", "12,5 ms", "850 µs": a virtual duration for the user.
std::string texte_duree(int64_t ns);
