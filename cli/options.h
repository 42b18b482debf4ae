// SPDX-License-Identifier: GPL-2.0-or-later
// Command line of korval-cli: commands, options and the help text.
#pragma once

#include "operations/options_communes.h"
#include <string>
#include <vector>

enum class Commande {
    aucune,
    composants,
    lire,
    ecrire,
    comparer,
    effacer,
    afficher,
    vierge,
    lignes
};

// Exit statuses, documented in the help text and the man page.
enum Code_sortie : int {
    SORTIE_REUSSIE = 0,
    SORTIE_ECHEC = 1, // the chip operation failed, or the comparison found a difference
    SORTIE_USAGE = 2, // bad usage, unknown device, file that cannot be read or written
    SORTIE_PORT = 3,  // no programmer detected, or port access refused
};

// --format: how the file is read or written.
enum class Format_fichier {
    selon_extension, // raw bytes for a ".bin" file (any case), Intel HEX otherwise
    hex,
    binaire, // raw bytes of the data memory
};

struct Options_cli : Options_communes {
    Commande commande = Commande::aucune;
    std::string fichier;
    std::string composant; // "" = the device remembered in the settings
    bool octets = false;   // -d: plain byte layout
    Format_fichier format = Format_fichier::selon_extension;
    bool proteger = false; // ecrire may turn the code protection on
    int base = 0;          // donnee_en_binaire: 0 hexadecimal, 1 binary, 2 decimal
    bool silencieux = false;
    bool strict = false; // a protocol violation on the simulated programmer fails the command
    bool forcer = false; // goes on with another part in the socket or a calibration word lost
    bool toutes = false; // comparer lists every differing word
    // --zones: the areas of this run instead of the settings' enables.
    bool avec_zones = false;
    bool zone_programme = false, zone_donnees = false, zone_id = false, zone_config = false;
    bool rapide = false; // serial EEPROMs: page writes and sequential reads
};

// Reads argv into o. False with the reason in erreur (French, one line) for bad usage.
bool lit_options(int argc, const char* const* argv, Options_cli& o, std::string& erreur);

// Whether the command drives the programmer (lire, ecrire, comparer, effacer, vierge).
bool utilise_programmateur(Commande c);

// Name of a command as typed on the command line.
const char* nom_commande(Commande c);

// The whole --help text, with the simulator's faults and the exit statuses.
std::string texte_aide();
