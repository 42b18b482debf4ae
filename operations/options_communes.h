// SPDX-License-Identifier: GPL-2.0-or-later
// Command-line options that korval and korval-cli share, read with getopt_long together with
// each front end's own ones.
#pragma once

#include "operations/programmateur.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

struct Options_communes : Options_programmateur {
    bool aide = false;    // -h, --help
    bool version = false; // --version
};

// One option of a front end's own table.
struct Option_ligne {
    const char* longue; // name after "--"
    int code;           // the short letter when there is one, else PREMIER_CODE_PROPRE and up
    bool avec_valeur;
    bool valeur_facultative = false; // "--nom" or "--nom=valeur"
};

// The codes of the shared options lie below this one.
constexpr int PREMIER_CODE_PROPRE = 300;

// Takes one of the front end's own options (code and value as typed); false with the reason.
using Range_option = std::function<bool(int code, const std::string& valeur, std::string& erreur)>;

struct Ligne_lue {
    std::string erreur;                    // the first mistake, in French ("" when none)
    std::vector<std::string> positionnels; // arguments that are no option, and all after "--"
    // argv indices of what no option took, in order: arguments, unknown options when kept,
    // and "--" with everything after it.
    std::vector<int> restes;
};

// Reads argv in order, options anywhere until "--", "--nom=valeur" and "-cVALEUR" forms
// included. The shared options go into o, the front end's own (propres) to range. An unknown
// option is a mistake, or is left in restes when inconnues_gardees. The scan goes on after a
// mistake so that a later --help or --version is still seen.
Ligne_lue lit_ligne(int argc, const char* const* argv, Options_communes& o,
                    std::span<const Option_ligne> propres = {}, const Range_option& range = {},
                    bool inconnues_gardees = false);
