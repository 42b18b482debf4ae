// SPDX-License-Identifier: GPL-2.0-or-later
// One row of operations per chip kind: the area functions that pic/dispatch.h routes to. A new
// kind is a new row here and in core/genre_puce.cpp.
#pragma once

#include "core/catalogue.h"
#include "core/memoire.h"

#include <cstdint>

struct Operations_genre {
    Genre_puce genre;
    // Null for an area the kind does not have.
    int (*charge_programme)(const uint16_t* prog);
    uint16_t* (*lit_programme)(uint16_t* prog);
    int (*charge_donnees)(const Desc_PIC& p, const uint8_t* donnee);
    uint8_t* (*lit_donnees)(const Desc_PIC& p, uint8_t* donnee);
    int (*charge_id_config)(const Memoire_PIC& m);
    void (*lit_id_config)(Memoire_PIC& m);
    int (*efface)();                // 0, or -1 after a message
    uint16_t (*lit_id_composant)(); // the word at 0x2006; null when the kind has none

    // The kind's facts (core/genre_puce.h).
    const Faits_genre* faits() const;
};

// The row of p's kind, or null for a kind the table does not know.
const Operations_genre* operations_genre(const Desc_PIC& p);
// Every row.
const Operations_genre* debut_operations_genres();
const Operations_genre* fin_operations_genres();
