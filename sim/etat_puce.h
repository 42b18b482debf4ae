// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated chip's contents kept between runs, in a file named by the front end: the model's
// Intel HEX text, first line "; puce NOM".
#pragma once

#include "sim/modele/puce.h"

#include <memory>
#include <string>

enum class Chargement_etat {
    charge, // the contents came from the file
    absent, // no file: the chip stays blank, without a word
    refuse, // a file that cannot be read, names another chip or that the model rejects: a
            // message says so, the chip stays blank and the file must not be replaced
};

// Loads chemin into the chip.
Chargement_etat charge_etat_puce(Modele_puce& puce, const std::string& chemin);

// Holds a state file for one run, so that two programs never work on one simulated chip at once:
// an exclusive lock on the file ".verrou" beside the file chemin names (links followed), removed
// on release.
class Verrou_etat {
  public:
    // Null, with a message, when another program holds the file or no lock can be made there
    // (then the state could not be saved either).
    static std::unique_ptr<Verrou_etat> prend(const std::string& chemin);
    ~Verrou_etat();
    Verrou_etat(const Verrou_etat&) = delete;
    Verrou_etat& operator=(const Verrou_etat&) = delete;

    const std::string& fichier() const { return chemin_etat; }

  private:
    Verrou_etat(int fd, std::string chemin, std::string verrou);
    int fd;
    std::string chemin_etat;
    std::string chemin_verrou;
};

// The same from the text of a state file (chemin only names it in the messages).
Chargement_etat charge_etat_puce_texte(Modele_puce& puce, const std::string& texte,
                            const std::string& chemin);

// Writes the chip's contents to chemin with sauvegarde_fichier, so that a crash never leaves half
// a file. False, with a message, on failure.
bool sauve_etat_puce(const Modele_puce& puce, const std::string& chemin);

// The chip named on the first line "; puce NOM" of a state text, "" when there is none.
std::string nom_puce_etat(const std::string& texte);
