// Shared by the HEX fuzz targets: the line splitter and a quiet message sink.
#pragma once

#include "core/memoire.h"
#include "core/messages.h"
#include "hex/hex.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// Feeds every line of texte to the line reader; its result must be -1, 0 or 1.
template <class Lecteur> void lit_lignes(const std::string& texte, Memoire_PIC& m, Lecteur lit) {
    Lecture_hex etat;
    for (std::size_t debut = 0; debut <= texte.size();) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos) fin = texte.size();
        const int r = lit(texte.substr(debut, fin - debut), m, etat);
        if (r < -1 || r > 1) std::abort();
        debut = fin + 1;
    }
}

// Image n (0 to 3), blank with this configuration word. Kept from one run to the next: a new
// image per run costs fresh pages, more than the parsing under test.
inline Memoire_PIC& image_vierge(std::size_t n, uint16_t config) {
    static const Memoire_PIC vierge;
    static Memoire_PIC images[4];
    Memoire_PIC& m = images[n];
    // Copies (memcpy) rather than fills: an instrumented loop over 8192 words is not free.
    m.prog = vierge.prog;
    m.donnee = vierge.donnee;
    std::copy(vierge.id, vierge.id + 4, m.id);
    m.config = config;
    return m;
}

// Messages posted since the last call to vide (kept to compare two readings).
inline std::vector<std::string>& messages() {
    static std::vector<std::string> liste;
    static const bool installe = [] {
        installe_puits_message([](const std::string& t, int) { liste.push_back(t); });
        return true;
    }();
    (void)installe;
    return liste;
}

} // namespace fuzz
