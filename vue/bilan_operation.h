// SPDX-License-Identifier: GPL-2.0-or-later
// One-line result of a device operation that succeeded, for the graphical program's status line.
#pragma once

#include "core/catalogue.h"
#include "core/memoire.h"

#include <string>

enum class Operation_faite { ecriture, lecture, effacement };

// Addresses of a memory of taille cells that a range deb..fin covers (0 when the area is off).
int cases_couvertes(int active, int deb, int fin, int taille);

// "Écrit et vérifié : 1024 mots, 64 octets, configuration 3FF1", "Relu : …" for the areas and
// ranges of the settings; "Effacé et vérifié vierge".
std::string texte_bilan(Operation_faite op, const Desc_PIC& p, const Memoire_PIC& m);

// "11,0 s": seconds with one decimal, French style.
std::string texte_secondes(double secondes);
