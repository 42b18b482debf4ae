// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/eeproms/puce_24xx.h"

namespace {

constexpr int64_t TWC_24XX_NS = 5'000'000;

int puissance_de_deux(int n) {
    int p = 1;
    while (p < n) p <<= 1;
    return p;
}

int taille_page_24xx(int taille) {
    if (taille <= 256) return 8;
    if (taille <= 2048) return 16;
    if (taille <= 8192) return 32;
    if (taille <= 32768) return 64;
    return 128;
}

} // namespace

Puce_24xx::Puce_24xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o)
    : Eeprom_simulee(d, p, o, TWC_24XX_NS) {
    int t = taille();
    nb_octets_adresse = t <= 2048 ? 1 : 2;
    bits_bloc = t <= 256 ? 0 : t <= 512 ? 1 : t <= 1024 ? 2 : t <= 2048 ? 3 : 0;
    masque = puissance_de_deux(t) - 1;
    page = taille_page_24xx(t);
}

void Puce_24xx::remise_a_zero() {
    etat = Etat::repos;
    phase = Phase::controle;
    sortie_puce = true;
    tampon_page.clear();
    adresse = 0;
}

void Puce_24xx::broches(const Broches& b, int64_t t_ns) {
    bool occupe = occupee(t_ns);
    if (hors_tension(b)) return;
    if (!alimentee || occupe || options.muette) {
        // Power-up, or a write cycle: the bus is ignored and nothing is driven.
        if (!alimentee) remise_a_zero();
        alimentee = true;
        etat = Etat::repos;
        sortie_puce = true;
        scl = b.clk;
        ligne = b.data;
        return;
    }
    bool sda = b.data && sortie_puce;
    if (scl && b.clk) {
        if (sda != ligne) {
            if (sda)
                arret(t_ns);
            else
                depart();
        }
    } else if (!scl && b.clk) {
        front_montant(sda);
    } else if (scl && !b.clk) {
        front_descendant();
    }
    scl = b.clk;
    ligne = b.data && sortie_puce;
}

bool Puce_24xx::sortie(int64_t t_ns) {
    if (!alimentee || options.muette || occupee(t_ns)) return true;
    return sortie_puce;
}

void Puce_24xx::depart() {
    // A START also abandons a write whose STOP has not come: nothing is programmed.
    etat = Etat::reception;
    phase = Phase::controle;
    nb_bits = 0;
    octet = 0;
    sortie_puce = true;
    tampon_page.clear();
}

void Puce_24xx::arret(int64_t t_ns) {
    // Only a STOP in the slot right after a data byte's acknowledge starts the write.
    if (etat == Etat::reception && phase == Phase::donnees && nb_bits <= 1 && !tampon_page.empty())
        demarre_cycle(t_ns, std::move(tampon_page), duree_ecriture());
    tampon_page.clear();
    etat = Etat::repos;
    sortie_puce = true;
}

void Puce_24xx::front_montant(bool sda) {
    switch (etat) {
    case Etat::reception:
        octet = (octet << 1) | (sda ? 1 : 0);
        if (++nb_bits == 8) octet_recu();
        break;
    case Etat::acquittement:
        montee_vue = true;
        break;
    case Etat::ack_maitre:
        ack_recu = !sda;
        montee_vue = true;
        break;
    default:
        break;
    }
}

void Puce_24xx::octet_recu() {
    acquitte = true;
    switch (phase) {
    case Phase::controle: {
        int bits = (octet >> 1) & 7;
        bool selection = (bits >> bits_bloc) == 0; // chip-select pins tied low
        if ((octet & 0xF0) != 0xA0 || !selection) {
            acquitte = false;
        } else if (octet & 1) {
            phase = Phase::lecture;
        } else {
            haut = bits & ((1 << bits_bloc) - 1);
            phase = nb_octets_adresse == 2 ? Phase::adresse_haute : Phase::adresse_basse;
        }
        break;
    }
    case Phase::adresse_haute:
        haut = octet;
        phase = Phase::adresse_basse;
        break;
    case Phase::adresse_basse: {
        int a = ((haut << 8) | octet) & masque;
        adresse = a < taille() ? a : a % taille();
        phase = Phase::donnees;
        tampon_page.clear();
        break;
    }
    case Phase::donnees: {
        bool remplace = false;
        for (auto& [a, v] : tampon_page)
            if (a == adresse) {
                v = static_cast<uint8_t>(octet);
                remplace = true;
            }
        if (!remplace) tampon_page.emplace_back(adresse, static_cast<uint8_t>(octet));
        // The pointer wraps inside the page.
        int suivant = (adresse & ~(page - 1)) | ((adresse + 1) & (page - 1));
        adresse = suivant < taille() ? suivant : adresse & ~(page - 1);
        break;
    }
    case Phase::lecture:
        break;
    }
    etat = acquitte ? Etat::fin_octet : Etat::repos;
}

void Puce_24xx::front_descendant() {
    switch (etat) {
    case Etat::fin_octet:
        sortie_puce = false;
        montee_vue = false;
        etat = Etat::acquittement;
        break;
    case Etat::acquittement:
        if (!montee_vue) break;
        sortie_puce = true;
        if (phase == Phase::lecture) {
            octet_lu = lit(adresse);
            rang = 7;
            sortie_puce = (octet_lu >> 7) & 1;
            etat = Etat::emission;
        } else {
            etat = Etat::reception;
            nb_bits = 0;
            octet = 0;
        }
        break;
    case Etat::emission:
        if (--rang >= 0) {
            sortie_puce = (octet_lu >> rang) & 1;
        } else {
            sortie_puce = true;
            adresse = suivante(adresse);
            montee_vue = false;
            etat = Etat::ack_maitre;
        }
        break;
    case Etat::ack_maitre:
        if (!montee_vue) break;
        if (ack_recu) {
            octet_lu = lit(adresse);
            rang = 7;
            sortie_puce = (octet_lu >> 7) & 1;
            etat = Etat::emission;
        } else {
            etat = Etat::repos;
        }
        break;
    default:
        break;
    }
}
