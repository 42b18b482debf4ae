// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/test_lignes.h"

#include "core/etat.h"
#include "port/port.h"
#include "sim/carte_simulee.h"

namespace {

// What to measure while the line is active: the socket pin of an 18-pin PIC, or of a 40-pin one
// for VPP2.
const char* mesure(Num_ligne l) {
    switch (l) {
    case L_VCC:
        return " — mesurez 5 V sur la broche 14 du support";
    case L_VPP1:
        return " — mesurez 13 V sur la broche 4 du support";
    case L_VPP2:
        return " — mesurez 13 V sur la broche 1 du support 40 broches";
    case L_CLK:
        return " — mesurez 5 V sur la broche 12 du support (RB6)";
    case L_DATA_OUT:
        return " — mesurez 5 V sur la broche 13 du support (RB7), DATA_IN doit lire 1";
    default:
        return "";
    }
}

std::string vu_par_la_carte() {
    const Carte_simulee* c = carte_simulee_installee();
    if (!c) return "";
    const Broches& b = c->broches_support();
    const auto n = [](bool v) { return v ? "1" : "0"; };
    return std::string("la carte voit : VCC ") + n(b.vcc) + ", VPP " + n(b.vpp) + ", CLK " +
           n(b.clk) + ", DATA " + n(b.data) + ", SELECT " + n(b.select) + ", DATA_93 " +
           n(b.data_93);
}

// Every line at rest, SELECT and DATA_93 too (init_port leaves them as the shadow has them).
void repos() {
    init_port();
    pilote_ligne(L_SELECT, false);
    pilote_ligne(L_DATA_93, false);
}

} // namespace

std::vector<Etape_lignes> teste_lignes(int duree_us, const Nom_broche& broche,
                                       const std::function<void(const Etape_lignes&)>& pendant) {
    std::vector<Etape_lignes> etapes;
    for (Num_ligne l : {L_VCC, L_VPP1, L_VPP2, L_CLK, L_DATA_OUT, L_SELECT, L_DATA_93}) {
        if (c_u.l[l].masque == 0) continue;
        repos();
        pilote_ligne(l, true);
        Etape_lignes e{l, std::string(noms_lignes[l]) + " : " + broche(l) + " à 1" + mesure(l), 0,
                       ""};
        e.data_in = get_b_data();
        e.vu = vu_par_la_carte();
        if (pendant) pendant(e);
        attente(duree_us);
        pilote_ligne(l, false);
        etapes.push_back(e);
    }
    repos();
    Power_off();
    return etapes;
}
