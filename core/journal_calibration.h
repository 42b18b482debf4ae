// SPDX-License-Identifier: GPL-2.0-or-later
// Per-user record of the factory oscillator calibration values read from the chips.
#pragma once

#include <cstdint>
#include <string>

// $XDG_DATA_HOME/korval/calibration/<composant>.txt (default ~/.local/share/...); "" when neither
// XDG_DATA_HOME nor HOME is set.
std::string chemin_calibration(const std::string& composant);

// Appends "<date> <time> <value>" to the device's file, creating its directories; false when the
// file could not be written.
bool note_calibration(const std::string& composant, uint16_t valeur);
