// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/lignes.h"

const char* const noms_lignes[NB_LIGNES] = {"DATA_OUT", "DATA_IN", "CLK",    "VCC",
                                            "VPP1",     "VPP2",    "SELECT", "DATA_93"};

const Brochage brochage_korval = {{
    {0x01, 1}, // DATA_OUT
    {0x40, 1}, // DATA_IN
    {0x02, 1}, // CLK
    {0x04, 1}, // VCC
    {0x08, 1}, // VPP1
    {0x10, 1}, // VPP2
    {0x40, 1}, // SELECT
    {0x20, 1}, // DATA_93
}};

const Brochage brochage_p16pro = {{
    {0x01, 1}, // DATA_OUT
    {0x40, 1}, // DATA_IN
    {0x02, 1}, // CLK
    {0x04, 0}, // VCC
    {0x08, 0}, // VPP1
    {0x10, 0}, // VPP2
    {0x00, 1}, // SELECT
    {0x00, 1}, // DATA_93
}};
