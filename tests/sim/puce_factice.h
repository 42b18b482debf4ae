// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in chip for the board's tests: it records what reaches its pins and drives the data
// line low on demand.
#pragma once

#include "sim/modele/puce.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace test {

struct Appel_broches {
    Broches b;
    int64_t t_ns;
};

class Puce_factice : public Modele_puce {
  public:
    explicit Puce_factice(const std::string& nom, int vpp40 = 0) {
        desc.nom = nom;
        desc.taille_prog = 1024;
        desc.algo = 1;
        desc.vpp40 = vpp40;
    }

    void broches(const Broches& b, int64_t t_ns) override { appels.push_back({b, t_ns}); }
    bool sortie(int64_t t_ns) override {
        sorties.push_back(t_ns);
        return !tire_bas;
    }
    const Desc_PIC& description() const override { return desc; }

    // "; puce NOM", then "mot XXXX", then "fin".
    std::string etat_hex() const override {
        std::ostringstream s;
        s << "; puce " << desc.nom << "\r\nmot " << std::hex << mot << "\r\nfin\r\n";
        return s.str();
    }
    // Takes the word before it checks the end line, as a model that gives up half-way would.
    bool charge_etat_hex(const std::string& texte) override {
        std::istringstream s(texte);
        std::string ligne, cle;
        std::getline(s, ligne);
        unsigned v = 0;
        if (!(s >> cle >> std::hex >> v) || cle != "mot") return false;
        mot = static_cast<uint16_t>(v);
        return s >> cle && cle == "fin";
    }

    Desc_PIC desc;
    bool tire_bas = false;
    uint16_t mot = 0x3FFF; // blank contents
    std::vector<Appel_broches> appels;
    std::vector<int64_t> sorties;
};

} // namespace test
