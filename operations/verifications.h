// SPDX-License-Identifier: GPL-2.0-or-later
// Checks made before an operation touches the chip: the part in the socket, and the factory
// calibration word of the parts that keep one.
#pragma once

#include "core/memoire.h"

// The part in the socket answers with the selected device's ID (devices that carry one). False
// after the message; with forcer, the message says that the operation goes on, and true.
bool composant_verifie(bool forcer);

// Devices with a calibration word (osc_cal): reads the chip's last program word, prints it and
// appends it to the device's calibration record. Writing m (null for an erase) is refused, after
// a message, when it would program a last word that is not a calibration instruction for the
// core, or another value than the chip's own; with forcer it goes on after the message.
bool calibration_gardee(const Memoire_PIC* m, bool forcer);
