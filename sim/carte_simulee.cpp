// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/carte_simulee.h"

namespace {

Carte_simulee* installee = nullptr;

// Logical level of an output line on the board for a data register byte. A line the board
// lacks (mask 0) stays inactive.
bool niveau(const Ligne& l, uint8_t octet) {
    if (l.masque == 0) return false;
    bool bits = (octet & l.masque) == l.masque;
    bool aucun = (octet & l.masque) == 0;
    return l.inverse ? aucun : bits;
}

// Status bits that carry the data line at a level; unconnected inputs float high.
uint8_t etat_pour(const Ligne& entree, bool haut) {
    uint8_t actif = entree.inverse ? !haut : haut;
    return actif ? 0xFF : static_cast<uint8_t>(0xFF & ~entree.masque);
}

} // namespace

Carte_simulee::Carte_simulee(std::unique_ptr<Modele_puce> puce, const Pannes_simulateur& p,
                             const Brochage& c, int64_t cout_acces_ns)
    : modele(std::move(puce)), pannes(p), cablage(c) {
    horloge.cout_acces_ns = cout_acces_ns;
    branchee = modele && !pannes.sans_puce;
    // The chip's VPP pin is pin 1 in the 28/40-pin position and pin 4 in the normal one: only
    // the position its package calls for brings VPP to it.
    Position_support prevue = modele && modele->description().vpp40 != 0
                                  ? Position_support::quarante
                                  : Position_support::normale;
    position = prevue;
    if (pannes.mauvaise_position)
        position = prevue == Position_support::normale ? Position_support::quarante
                                                       : Position_support::normale;
    Num_ligne ligne_vpp = position == Position_support::quarante ? L_VPP2 : L_VPP1;
    for (int i = 0; i < 256; ++i) {
        auto octet = static_cast<uint8_t>(i);
        Broches& b = decodage[static_cast<std::size_t>(i)];
        // A board without a DATA_OUT line leaves the data line to its pull-up.
        b.data = cablage.l[L_DATA_OUT].masque == 0 || niveau(cablage.l[L_DATA_OUT], octet);
        b.clk = niveau(cablage.l[L_CLK], octet);
        b.vcc = niveau(cablage.l[L_VCC], octet);
        b.vpp = position == prevue && niveau(cablage.l[ligne_vpp], octet);
        b.select = niveau(cablage.l[L_SELECT], octet);
        b.data_93 = niveau(cablage.l[L_DATA_93], octet);
    }
    etat_haut = etat_pour(cablage.l[L_DATA_IN], true);
    etat_bas = etat_pour(cablage.l[L_DATA_IN], false);
}

Carte_simulee::~Carte_simulee() {
    if (installee == this) installee = nullptr;
}

bool Carte_simulee::ouvre(int) {
    port_ouvert = true;
    return true;
}

void Carte_simulee::ferme() {
    port_ouvert = false;
}

void Carte_simulee::ecrit_donnee(uint8_t octet) {
    if (!port_ouvert) return;
    horloge.acces();
    ++acces;
    registre = octet;
    courant = decodage[octet];
    if (branchee) modele->broches(courant, horloge.t_ns);
}

bool Carte_simulee::ligne_donnee() {
    // Wired-AND: the chip can only pull the line low.
    return courant.data && (!branchee || modele->sortie(horloge.t_ns));
}

uint8_t Carte_simulee::lit_etat() {
    if (!port_ouvert) return 0xFF;
    horloge.acces_etat();
    ++acces;
    if (pannes.sans_programmateur) return 0xFF;
    return ligne_donnee() ? etat_haut : etat_bas;
}

void Carte_simulee::attend(int64_t debut_ns, int64_t duree_ns) {
    horloge.attend(debut_ns, duree_ns);
    if (branchee) modele->broches(courant, horloge.t_ns);
}

Carte_simulee* carte_simulee_installee() {
    return installee;
}

void retient_carte_installee(Carte_simulee* carte) {
    installee = carte;
}
