// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/eeproms/puce_93xx.h"

namespace {

constexpr int64_t TWC_93XX_NS = 6'000'000;
constexpr int64_t TWC_WRAL_93XX_NS = 15'000'000;

} // namespace

Puce_93xx::Puce_93xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o)
    : Eeprom_simulee(d, p, o, TWC_93XX_NS) {
    int bits = 0;
    while ((1 << bits) < taille()) ++bits;
    // x8 parts have an odd address width; an even size leaves the top bit undecoded.
    nb_adresse = bits < 7 ? 7 : (bits % 2 == 0 ? bits + 1 : bits);
    masque = (1 << bits) - 1;
}

int Puce_93xx::adresse_de(int brute) const {
    int a = brute & masque;
    return a < taille() ? a : a % taille();
}

void Puce_93xx::remise_a_zero() {
    ewen = false;
    etat = Etat::deselectionnee;
    montre_etat = false;
    do_actif = false;
    programme = Programme::aucun;
}

void Puce_93xx::broches(const Broches& b, int64_t t_ns) {
    occupee(t_ns);
    if (hors_tension(b)) return;
    if (!alimentee) {
        alimentee = true;
        remise_a_zero();
        cs = b.select;
        clk = b.clk;
        etat = cs ? Etat::attente_depart : Etat::deselectionnee;
        return;
    }
    if (b.select && !cs) montee_cs();
    if (!b.select && cs) descente_cs(t_ns);
    if (b.select && cs && b.clk && !clk) front_montant(b.data_93, t_ns);
    cs = b.select;
    clk = b.clk;
}

bool Puce_93xx::sortie(int64_t t_ns) {
    bool occupe = occupee(t_ns);
    if (!alimentee || options.muette || !cs) return true;
    if (montre_etat && etat == Etat::attente_depart) return !occupe;
    return do_actif ? do_niveau : true;
}

void Puce_93xx::montee_cs() {
    etat = Etat::attente_depart;
    nb_bits = 0;
    registre = 0;
    surplus = false;
    programme = Programme::aucun;
    do_actif = false;
}

void Puce_93xx::descente_cs(int64_t t_ns) {
    // Strict rule: the cycle starts only when CS falls right after the instruction's last bit.
    if (etat == Etat::complete && programme != Programme::aucun && !surplus && ewen &&
        !occupee(t_ns)) {
        std::vector<std::pair<int, uint8_t>> octets;
        int64_t duree = duree_ecriture();
        switch (programme) {
        case Programme::ecrit:
            octets.emplace_back(adresse, valeur);
            break;
        case Programme::efface:
            octets.emplace_back(adresse, 0xFF);
            break;
        case Programme::efface_tout:
        case Programme::ecrit_tout: {
            uint8_t v = programme == Programme::ecrit_tout ? valeur : 0xFF;
            for (int a = 0; a < taille(); ++a) octets.emplace_back(a, v);
            if (programme == Programme::ecrit_tout && options.duree_ecriture_ns < 0)
                duree = TWC_WRAL_93XX_NS;
            break;
        }
        case Programme::aucun:
            break;
        }
        demarre_cycle(t_ns, std::move(octets), duree);
        montre_etat = true;
    }
    etat = Etat::deselectionnee;
    programme = Programme::aucun;
    do_actif = false;
}

void Puce_93xx::front_montant(bool di, int64_t t_ns) {
    switch (etat) {
    case Etat::attente_depart:
        // Leading zeros are ignored; nothing starts during a programming cycle.
        if (di && !occupee(t_ns)) {
            etat = Etat::reception;
            montre_etat = false;
        }
        break;
    case Etat::reception:
        registre = (registre << 1) | (di ? 1u : 0u);
        ++nb_bits;
        instruction_complete();
        break;
    case Etat::lecture:
        if (rang == 8) {
            // Sequential read: the next byte follows without a dummy bit.
            adresse = suivante(adresse);
            octet_lu = lit(adresse);
            rang = 0;
        }
        do_niveau = (octet_lu >> (7 - rang)) & 1;
        ++rang;
        break;
    case Etat::complete:
        surplus = true;
        break;
    case Etat::deselectionnee:
        break;
    }
}

void Puce_93xx::instruction_complete() {
    int n = nb_adresse;
    if (nb_bits < 2 + n) return;
    int code = static_cast<int>(registre >> (nb_bits - 2)) & 3;
    int champ = static_cast<int>(registre >> (nb_bits - 2 - n)) & ((1 << n) - 1);
    if (nb_bits == 2 + n) {
        switch (code) {
        case 2: // READ: the clock of A0 turns DO on with the dummy 0
            adresse = adresse_de(champ);
            octet_lu = lit(adresse);
            rang = 0;
            do_actif = true;
            do_niveau = false;
            etat = Etat::lecture;
            return;
        case 3:
            adresse = adresse_de(champ);
            programme = Programme::efface;
            etat = Etat::complete;
            return;
        case 0:
            switch (champ >> (n - 2)) {
            case 3:
                ewen = true;
                etat = Etat::complete;
                return;
            case 0:
                ewen = false;
                etat = Etat::complete;
                return;
            case 2:
                programme = Programme::efface_tout;
                etat = Etat::complete;
                return;
            default: // WRAL: data follows
                return;
            }
        default: // WRITE: data follows
            return;
        }
    }
    if (nb_bits == 2 + n + 8) {
        valeur = static_cast<uint8_t>(registre & 0xFF);
        if (code == 1) {
            adresse = adresse_de(champ);
            programme = Programme::ecrit;
        } else {
            programme = Programme::ecrit_tout;
        }
        etat = Etat::complete;
    }
}
