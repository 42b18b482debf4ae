// SPDX-License-Identifier: GPL-2.0-or-later
// State-file parser of the simulated chips (one model of each kind, small ones) on arbitrary text:
// a text taken once is taken again from what the chip then writes, unchanged; a text refused leaves
// the chip blank.
#include "core/catalogue.h"
#include "outils_fuzz.h"
#include "sim/etat_puce.h"
#include "sim/puces/fabrique.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Puce {
    std::unique_ptr<Modele_puce> modele;
    std::string vierge;
};

std::vector<Puce>& puces() {
    static std::vector<Puce> liste = [] {
        fuzz::messages();
        // Small memories: the parser's paths do not depend on the size, and every run writes
        // the chip's whole text at least twice.
        const fuzz::Puce composants[] = {{"FLASH", 64, 16, 1, 0},  {"EPROM", 64, 0, 2, 0},
                                         {"EPROM12", 64, 0, 3, 1}, {"24C01", 0, 128, -1, 0},
                                         {"93C46", 0, 128, -3, 0}, {"25C010", 0, 128, -4, 0}};
        std::vector<Puce> l;
        for (const fuzz::Puce& c : composants) {
            Puce p{cree_puce(fuzz::description(c), {}), ""};
            if (!p.modele) std::abort();
            p.vierge = p.modele->etat_hex();
            l.push_back(std::move(p));
        }
        return l;
    }();
    return liste;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<Puce>& liste = puces();
    if (size == 0) return 0;
    // First byte: the chip; the rest follows its own header line, so that most inputs get past it.
    Puce& p = liste[data[0] % liste.size()];
    const std::string texte = "; puce " + p.modele->description().nom + "\r\n" +
                              std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (charge_etat_puce_texte(*p.modele, texte, "fuzz") == Chargement_etat::charge) {
        const std::string etat = p.modele->etat_hex();
        if (charge_etat_puce_texte(*p.modele, etat, "fuzz") != Chargement_etat::charge) std::abort();
        if (p.modele->etat_hex() != etat) std::abort();
        // Back to blank for the next input.
        if (charge_etat_puce_texte(*p.modele, p.vierge, "fuzz") != Chargement_etat::charge)
            std::abort();
    } else if (p.modele->etat_hex() != p.vierge) {
        std::abort();
    }
    fuzz::messages().clear();
    return 0;
}
