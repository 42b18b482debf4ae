// The simulated chip's contents kept between runs, in a file named by the front end: the model's
// Intel HEX text, first line "; puce NOM".
#pragma once

#include "sim/puces/puce.h"

#include <string>

// Loads chemin into the chip. A missing file leaves the chip as it is (blank) without a word; a
// file that cannot be read, names another chip or that the model rejects posts a message and
// leaves the chip blank. True when the contents came from the file.
bool charge_etat_puce(Modele_puce& puce, const std::string& chemin);

// The same from the text of a state file (chemin only names it in the messages).
bool charge_etat_puce_texte(Modele_puce& puce, const std::string& texte,
                            const std::string& chemin);

// Writes the chip's contents to chemin with sauvegarde_fichier, so that a crash never leaves half
// a file. False, with a message, on failure.
bool sauve_etat_puce(const Modele_puce& puce, const std::string& chemin);

// The chip named on the first line "; puce NOM" of a state text, "" when there is none.
std::string nom_puce_etat(const std::string& texte);
