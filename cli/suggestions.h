// SPDX-License-Identifier: GPL-2.0-or-later
// Looking a device up by name in the catalogue, with the closest names for a mistyped one, and
// the closest command for a mistyped command.
#pragma once

#include <string>
#include <vector>

// Index in tab_pic of the device named nom, letter case ignored; -1 when there is none.
int cherche_composant(const std::string& nom);

// Up to nombre catalogue names close to nom, the closest first; none when nothing is close.
std::vector<std::string> noms_proches(const std::string& nom, std::size_t nombre = 5);

// The name of noms closest to a mistyped command: accents and letter case ignored, and the
// usual English and French synonyms understood (write, read, programmer...); "" when none is
// close.
std::string commande_proche(const std::string& nom, const std::vector<std::string>& noms);
