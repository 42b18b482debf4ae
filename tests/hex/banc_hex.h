// SPDX-License-Identifier: GPL-2.0-or-later
// A line reader and a file writer of one HEX layout, with an image, a scratch directory and the
// messages posted.
#pragma once

#include "commun/outils.h"

#include "hex/hex.h"

template <int (*Lire_ligne)(const std::string&, Memoire_PIC&, Lecture_hex&),
          void (*Ecrire)(const std::string&, const Memoire_PIC&)>
class Banc_hex : public test::Etat_propre {
  protected:
    std::vector<std::string> messages() const { return journal.textes(); }

    int lit(const std::string& ligne) { return Lire_ligne(ligne, m, etat); }

    // Writes m with the selected device; returns the file's bytes.
    std::string ecrit() {
        Ecrire(rep.fichier("sortie.hex"), m);
        return test::lit_fichier(rep.fichier("sortie.hex"));
    }

    test::Enregistreur_messages journal;
    test::Repertoire_temp rep;
    Memoire_PIC m{0x03FF}; // as the readers start
    Lecture_hex etat;
};
