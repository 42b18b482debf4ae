// SPDX-License-Identifier: GPL-2.0-or-later
// A port that records every line change as logical levels of the KORVAL pin map.
#pragma once

#include "core/etat.h"
#include "port/backend.h"

#include <functional>
#include <string>
#include <vector>

namespace test {

struct Etat_lignes {
    bool data, clk, vcc, vpp1, vpp2;
};

class Faux_port : public Backend_port {
  public:
    std::vector<Etat_lignes> ecritures;
    std::vector<int64_t> temps;
    // Level of DATA_IN for each status read (logical); default: follows DATA_OUT.
    std::function<bool(const Etat_lignes&)> entree;
    int64_t maintenant = 0;

    bool ouvre(int) override { return true; }
    void ferme() override {}
    bool ouvert() const override { return true; }
    void ecrit_donnee(uint8_t octet) override {
        ecritures.push_back(decode(octet));
        temps.push_back(maintenant);
    }
    uint8_t lit_etat() override {
        Etat_lignes e = ecritures.empty() ? Etat_lignes{} : ecritures.back();
        bool niveau = entree ? entree(e) : e.data;
        const Ligne& l = c_u.l[L_DATA_IN];
        return static_cast<uint8_t>(niveau != (l.inverse != 0) ? l.masque : 0);
    }
    int64_t horloge_ns() override { return maintenant; }
    void attend(int64_t debut, int64_t duree) override {
        if (maintenant < debut + duree) maintenant = debut + duree;
    }

    static bool niveau(uint8_t octet, int ligne) {
        const Ligne& l = c_u.l[ligne];
        return ((octet & l.masque) != 0) != (l.inverse != 0);
    }
    static Etat_lignes decode(uint8_t o) {
        return {niveau(o, L_DATA_OUT), niveau(o, L_CLK), niveau(o, L_VCC), niveau(o, L_VPP1),
                niveau(o, L_VPP2)};
    }

    // Bits the chip took: DATA at each falling clock edge.
    std::vector<int> bits_sur_fronts_descendants() const {
        std::vector<int> bits;
        for (std::size_t i = 1; i < ecritures.size(); ++i)
            if (ecritures[i - 1].clk && !ecritures[i].clk) bits.push_back(ecritures[i].data);
        return bits;
    }
};

} // namespace test
