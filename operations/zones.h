// SPDX-License-Identifier: GPL-2.0-or-later
// What an operation covers on the selected device, and the checks made on the settings and the
// image before the chip is touched.
#pragma once

#include "core/memoire.h"

#include <string>

struct Desc_PIC;

// The areas of p that the enables (le_*_enable) select, cut to their ranges (le_*_deb..le_*_fin,
// a negative start counting as 0) and to the device's sizes.
Zones_couvertes zones_choisies(const Desc_PIC& p);

// The message refusing a selection that covers nothing on p; "" when it covers something.
std::string refus_zones(const Desc_PIC& p);

// The message refusing an image that an EPROM part could not keep (a program word, an ID or the
// configuration word wider than the chip holds, in the areas selected): writing it would burn
// words before failing. "" when it fits, or for another kind of part.
std::string refus_image(const Memoire_PIC& m, const Desc_PIC& p);
