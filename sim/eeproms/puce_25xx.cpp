// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/eeproms/puce_25xx.h"

#include <cstdio>

namespace {

constexpr int64_t TWC_25XX_NS = 5'000'000;

int taille_page_25xx(int taille) {
    if (taille <= 512) return 16;
    if (taille <= 8192) return 32;
    if (taille <= 32768) return 64;
    return 128;
}

} // namespace

Puce_25xx::Puce_25xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o)
    : Eeprom_simulee(d, p, o, TWC_25XX_NS) {
    int t = taille();
    nb_octets_adresse = t <= 512 ? 1 : 2;
    a8_instruction = t > 256 && t <= 512;
    int p2 = 1;
    while (p2 < t) p2 <<= 1;
    masque = p2 - 1;
    page = taille_page_25xx(t);
    bits_ecrivables = t > 512 ? 0x8C : 0x0C;
    non_volatil = static_cast<uint8_t>((o.protection_initiale & 3) << 2);
}

void Puce_25xx::cycle_termine() {
    // The status register takes its new value; WEL is cleared.
    if (cycle_etat) non_volatil = etat_a_ecrire;
    cycle_etat = false;
    latch_ecriture = false;
}

uint8_t Puce_25xx::registre_etat(int64_t t_ns) {
    bool wip = occupee(t_ns);
    return static_cast<uint8_t>(non_volatil | (latch_ecriture ? 2 : 0) | (wip ? 1 : 0));
}

bool Puce_25xx::protegee(int a) const {
    int bp = (non_volatil >> 2) & 3;
    if (bp == 0) return false;
    int debut = bp == 1 ? taille() - taille() / 4 : bp == 2 ? taille() / 2 : 0;
    return a >= debut;
}

void Puce_25xx::perte_alimentation() {
    cycle_etat = false;
    latch_ecriture = false;
    instr = Instr::aucune;
    so_actif = false;
}

void Puce_25xx::broches(const Broches& b, int64_t t_ns) {
    occupee(t_ns);
    if (hors_tension(b)) return;
    if (!alimentee) {
        // A frame needs a falling CS edge after power-up.
        alimentee = true;
        cs = b.select;
        sck = b.clk;
        instr = Instr::aucune;
        so_actif = false;
        return;
    }
    if (!b.select && cs) debut_trame();
    if (b.select && !cs) fin_trame(t_ns);
    if (!b.select && !cs) {
        if (b.clk && !sck) front_montant(b.data_93, t_ns);
        if (!b.clk && sck) front_descendant(t_ns);
    }
    cs = b.select;
    sck = b.clk;
}

bool Puce_25xx::sortie(int64_t t_ns) {
    occupee(t_ns);
    if (!alimentee || options.muette || cs || !so_actif) return true;
    return so_niveau;
}

void Puce_25xx::debut_trame() {
    instr = Instr::aucune;
    nb_bits = 0;
    registre = 0;
    tampon_page.clear();
    so_actif = false;
    emission = false;
}

void Puce_25xx::fin_trame(int64_t t_ns) {
    bool occupe = occupee(t_ns);
    // A write starts only when CS rises right after a whole data byte.
    bool octets_entiers = nb_bits > bits_entete && (nb_bits - bits_entete) % 8 == 0;
    switch (instr) {
    case Instr::wren:
        if (nb_bits == 8 && !occupe) latch_ecriture = true;
        break;
    case Instr::wrdi:
        if (nb_bits == 8 && !occupe) latch_ecriture = false;
        break;
    case Instr::wrsr:
        if (latch_ecriture && nb_bits == 16 && !occupe) {
            etat_a_ecrire = static_cast<uint8_t>((non_volatil & ~bits_ecrivables) |
                                                 (valeur_etat & bits_ecrivables));
            cycle_etat = true;
            demarre_cycle(t_ns, {}, duree_ecriture());
        }
        break;
    case Instr::write: {
        if (!latch_ecriture || !octets_entiers || occupe || tampon_page.empty()) break;
        bool refus = false;
        for (const auto& o : tampon_page) refus = refus || protegee(o.first);
        if (!refus) demarre_cycle(t_ns, std::move(tampon_page), duree_ecriture());
        break;
    }
    default:
        break;
    }
    instr = Instr::aucune;
    tampon_page.clear();
    so_actif = false;
    emission = false;
    nb_bits = 0;
}

void Puce_25xx::decode(int64_t t_ns) {
    int code = static_cast<int>(registre & 0xFF);
    // Parts with one address byte ignore instruction bit 3 (the 512-byte part reads A8 there).
    if (nb_octets_adresse == 1) {
        a8 = (code >> 3) & 1;
        code &= 0xF7;
    }
    bool occupe = occupee(t_ns);
    switch (code) {
    case 0x06:
        instr = Instr::wren;
        break;
    case 0x04:
        instr = Instr::wrdi;
        break;
    case 0x05:
        instr = Instr::rdsr;
        emission = true;
        rang = 8;
        break;
    case 0x01:
        instr = Instr::wrsr;
        break;
    case 0x03:
        instr = Instr::read;
        break;
    case 0x02:
        instr = Instr::write;
        break;
    default:
        instr = Instr::ignoree;
        break;
    }
    if (occupe && instr != Instr::rdsr) instr = Instr::ignoree;
    bits_entete = 8 + (instr == Instr::read || instr == Instr::write ? 8 * nb_octets_adresse : 0);
}

void Puce_25xx::front_montant(bool si, int64_t t_ns) {
    registre = (registre << 1) | (si ? 1u : 0u);
    ++nb_bits;
    if (nb_bits == 8) decode(t_ns);
    if (nb_bits <= 8 || instr == Instr::ignoree) return;
    if (instr == Instr::read || instr == Instr::write) {
        if (nb_bits == bits_entete) {
            int brute = static_cast<int>(registre & (nb_octets_adresse == 2 ? 0xFFFF : 0xFF));
            if (a8_instruction) brute |= a8 << 8;
            int a = brute & masque;
            adresse = a < taille() ? a : a % taille();
            if (instr == Instr::read) {
                emission = true;
                octet_sortie = lit(adresse);
                rang = 0;
            }
        } else if (instr == Instr::write && nb_bits > bits_entete &&
                   (nb_bits - bits_entete) % 8 == 0) {
            uint8_t v = static_cast<uint8_t>(registre & 0xFF);
            bool remplace = false;
            for (auto& [a, o] : tampon_page)
                if (a == adresse) {
                    o = v;
                    remplace = true;
                }
            if (!remplace) tampon_page.emplace_back(adresse, v);
            int suivant = (adresse & ~(page - 1)) | ((adresse + 1) & (page - 1));
            adresse = suivant < taille() ? suivant : adresse & ~(page - 1);
        }
    } else if (instr == Instr::wrsr && nb_bits == 16) {
        valeur_etat = static_cast<uint8_t>(registre & 0xFF);
    }
}

void Puce_25xx::front_descendant(int64_t t_ns) {
    if (!emission) return;
    if (instr == Instr::rdsr && rang == 8) {
        octet_sortie = registre_etat(t_ns);
        rang = 0;
    } else if (instr == Instr::read && rang == 8) {
        adresse = suivante(adresse);
        octet_sortie = lit(adresse);
        rang = 0;
    }
    so_actif = true;
    so_niveau = (octet_sortie >> (7 - rang)) & 1;
    ++rang;
}

std::string Puce_25xx::lignes_etat() const {
    char ligne[32];
    std::snprintf(ligne, sizeof ligne, "; statut %02X\r\n", non_volatil);
    return ligne;
}

bool Puce_25xx::lit_ligne_etat(const std::string& ligne) {
    if (ligne.rfind("; statut ", 0) != 0) return true;
    unsigned v = 0;
    char reste = 0;
    if (std::sscanf(ligne.c_str() + 9, "%2x%c", &v, &reste) != 1) return false;
    non_volatil = static_cast<uint8_t>(v & bits_ecrivables);
    return true;
}
