// Looking a device up by name in the catalogue, with the closest names for a mistyped one.
#pragma once

#include <string>
#include <vector>

// Index in tab_pic of the device named nom, letter case ignored; -1 when there is none.
int cherche_composant(const std::string& nom);

// Up to nombre catalogue names close to nom, the closest first; none when nothing is close.
std::vector<std::string> noms_proches(const std::string& nom, std::size_t nombre = 5);
