// SPDX-License-Identifier: GPL-2.0-or-later
// Shared by the HEX fuzz targets: a small catalogue, the line splitter, a quiet message sink and
// the written-then-read image.
#pragma once

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "hex/hex.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <sstream>
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

// A device a target uses.
struct Puce {
    const char* nom;
    int taille_prog;
    int taille_donnee;
    int algo;
    int osc_cal = 0;
};

inline Desc_PIC description(const Puce& c) {
    Desc_PIC p;
    p.nom = c.nom;
    p.taille_prog = c.taille_prog;
    p.taille_donnee = c.taille_donnee;
    p.algo = c.algo;
    p.osc_cal = c.osc_cal;
    return p;
}

// Installs the message sink and replaces the catalogue with puces; true, for a static guard.
inline bool installe_catalogue(std::initializer_list<Puce> puces) {
    messages();
    tab_pic.clear();
    for (const Puce& c : puces) tab_pic.push_back(description(c));
    return true;
}

// First byte of an input: the device (index 3: none) and whether to write and read back. The
// round trip of the device at index la_plus_grande costs a hundred runs: it needs a second
// marker byte as well.
inline bool choisit_puce(const uint8_t* data, std::size_t size, int la_plus_grande) {
    pic_select = data[0] & 3;
    return (data[0] & 0xFC) == 0xA8 &&
           (pic_select != la_plus_grande || (size > 1 && data[1] == 0xA8));
}

// The lines after the first byte, read into a blank image with the messages cleared.
template <class Lecteur>
Memoire_PIC& lit_entree(const uint8_t* data, std::size_t size, Lecteur lit) {
    messages().clear();
    Memoire_PIC& m = image_vierge(0, 0x03FF);
    lit_lignes(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), m, lit);
    return m;
}

// texte read by the stream reader into a second blank image; what the writer gives, the reader
// takes without a word.
template <class Lecteur>
const Memoire_PIC& relue_sans_message(const std::string& texte, Lecteur lit) {
    const std::size_t avant = messages().size();
    std::istringstream flux(texte);
    Memoire_PIC& lue = image_vierge(1, 0x03FF);
    lit(flux, lue, nullptr);
    if (messages().size() != avant) std::abort();
    return lue;
}

} // namespace fuzz
