// SPDX-License-Identifier: GPL-2.0-or-later
// The programmer under the line driver, as both front ends choose it from their options.
#pragma once

#include "core/lignes.h"

#include <string>
#include <vector>

struct Options_programmateur {
    std::string conf; // directory of conf_PICS and conf_port ("" = the usual one)
    bool avec_simulateur = false;
    std::string simulateur;          // state file of the simulated chip
    std::string puce;                // device in the simulated socket ("" = the selected one)
    std::vector<std::string> pannes; // simulated faults
    std::string adaptateur;          // the simulated board behind "ftdi" or "gpio"
    std::string ppdev;               // Linux ppdev device instead of direct port access
    bool avec_ftdi = false;          // FTDI USB adapter
    std::string ftdi;                // its description ("" = the settings', or the first FT232R)
    std::string gpio;                // GPIO chip of the GPIO adapter
    std::string trace;               // VCD trace of every line ("" = none)
};

// Installs the simulated programmer (board wired as the settings' programmer type), an FTDI or
// GPIO adapter (from the options, else from the settings' _ADAPTATEUR), ppdev or direct port
// access, and the trace around it. False when the simulator or the adapter could not be set up
// (its message posted).
bool installe_programmateur(const Options_programmateur& o);

// The pin of a line on the programmer installe_programmateur installed: "broche D2" (FTDI),
// "ligne 17" (GPIO), "bit 2" (the port's register, or the simulated board's).
std::string broche_programmateur(Num_ligne ligne);

// What a front end does after prepare_programmateur: go on when pret; otherwise print message
// (empty when a message was already posted) and stop with its own exit status.
struct Preparation_programmateur {
    bool pret = true;
    std::string message;
};

// Start-up of either front end, before any file is read and before the toolkit: the settings
// directory of --conf; the port permissions, asked while still root, when the run drives the
// port (avec_port) by direct access (no simulator, no ppdev); then the drop of root, always.
// Only a process started by root may ask for the port its settings name; a set-UID one gets
// the usual three ports, whatever the user's own settings file says.
Preparation_programmateur prepare_programmateur(const Options_programmateur& o, bool avec_port);
