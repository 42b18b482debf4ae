// SPDX-License-Identifier: GPL-2.0-or-later
// Settings reader on arbitrary text, then save and read back: the same settings.
#include "core/conf_port.h"
#include "core/etat.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    remise_a_zero_etat();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    lire_conf_port(in);
    // lastFile is a single line in the file: the text always has its 28 lines.
    if (!valeur_enregistrable(lastFile)) std::abort();
    std::string premier = texte_conf_port(c_autre);
    if (std::count(premier.begin(), premier.end(), '\n') != 28) std::abort();
    Brochage autre = c_autre;
    std::string fichier = lastFile;
    remise_a_zero_etat();
    std::istringstream relu(premier);
    lire_conf_port(relu);
    if (!(c_autre == autre) || lastFile != fichier) std::abort();
    if (texte_conf_port(c_autre) != premier) std::abort();
    return 0;
}
