// SPDX-License-Identifier: GPL-2.0-or-later
// Wiring self-test: each output line held active in turn, the others at rest, with what to
// measure on the socket and the level read on DATA_IN.
#pragma once

#include "core/lignes.h"

#include <functional>
#include <string>
#include <vector>

struct Etape_lignes {
    Num_ligne ligne;
    std::string annonce; // "VCC : bit 2 à 1 — mesurez 5 V sur la broche 14 du support"
    int data_in = 0;     // DATA_IN read while the line is held
    std::string vu;      // on the simulated board: the socket's pins ("" elsewhere)
};

// How the front end names the pin of a line: "broche D2", "ligne 17", "bit 2".
using Nom_broche = std::function<std::string(Num_ligne)>;

// Runs the test: pendant(etape) gets each step once its line is held and DATA_IN read, then the
// line is held duree_us more. Lines the map lacks are skipped. Everything is left at rest.
std::vector<Etape_lignes> teste_lignes(int duree_us, const Nom_broche& broche,
                                       const std::function<void(const Etape_lignes&)>& pendant);
