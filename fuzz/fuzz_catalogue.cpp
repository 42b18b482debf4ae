// SPDX-License-Identifier: GPL-2.0-or-later
// Catalogue reader on arbitrary text: tables stay within their limits, entries are usable.
#include "core/catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool init = [] {
        std::freopen("/dev/null", "w", stdout);
        return true;
    }();
    (void)init;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    lire_catalogue(in, "fuzz");
    if (tab_pic.size() > NB_PIC_MAX) std::abort();
    for (std::size_t i = 0; i < tab_pic.size(); ++i) {
        const Desc_PIC& p = tab_pic[i];
        if (p.nom.size() > NOM_PIC_MAX || p.famille < 0 || p.famille >= NB_FAMILLES) std::abort();
        // Every entry names an algorithm the program drives, and a name of its own.
        if (faits_genre(p.algo) == nullptr) std::abort();
        if (cherche_pic(p.nom) != static_cast<int>(i)) std::abort();
        if (p.taille_prog < 0 || p.taille_prog > TAILLE_PROG_MAX) std::abort();
        if (p.taille_donnee < 0 || p.taille_donnee > 131072) std::abort();
    }
    for (const Fusibles& f : tab_fuses)
        for (uint32_t m : f.masque)
            if (m > 0x3FFF) std::abort();
    return 0;
}
