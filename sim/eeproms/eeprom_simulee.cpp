// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/eeproms/eeprom_simulee.h"

#include "sim/eeproms/puce_24xx.h"
#include "sim/eeproms/puce_25xx.h"
#include "sim/eeproms/puce_93xx.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <sstream>

Eeprom_simulee::Eeprom_simulee(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o,
                               int64_t duree_par_defaut_ns)
    : desc(d), pannes(p), options(o),
      memoire(static_cast<std::size_t>(std::max(d.taille_donnee, 1)), 0xFF),
      duree_cycle(o.duree_ecriture_ns >= 0 ? o.duree_ecriture_ns : duree_par_defaut_ns),
      adresse_fautive(o.adresse_fautive >= 0 ? o.adresse_fautive
                                             : static_cast<int>(memoire.size()) / 2) {}

void Eeprom_simulee::remplit(const std::vector<uint8_t>& octets) {
    std::fill(memoire.begin(), memoire.end(), 0xFF);
    std::copy_n(octets.begin(), std::min(octets.size(), memoire.size()), memoire.begin());
}

void Eeprom_simulee::demarre_cycle(int64_t t, std::vector<std::pair<int, uint8_t>> octets,
                                   int64_t duree_ns) {
    bool lente = pannes.cellule_lente &&
                 std::any_of(octets.begin(), octets.end(),
                             [&](const auto& o) { return o.first == adresse_fautive; });
    en_cycle = true;
    fin_cycle = pannes.occupee ? std::numeric_limits<int64_t>::max()
                               : t + (lente ? 3 * duree_ns : duree_ns);
    a_programmer = std::move(octets);
}

bool Eeprom_simulee::occupee(int64_t t) {
    if (en_cycle && t >= fin_cycle) {
        for (const auto& [a, v] : a_programmer)
            if (!(pannes.cellule_morte && a == adresse_fautive))
                memoire[static_cast<std::size_t>(a)] = v;
        a_programmer.clear();
        en_cycle = false;
        ++nb_cycles;
        cycle_termine();
    }
    return en_cycle;
}

void Eeprom_simulee::coupe_cycle() {
    en_cycle = false;
    a_programmer.clear();
}

uint8_t Eeprom_simulee::lit(int a) const {
    uint8_t v = memoire[static_cast<std::size_t>(a)];
    return pannes.bit_colle ? static_cast<uint8_t>(v & 0xFE) : v;
}

// ---------------------------------------------------------------------------------------------
// State file: Intel HEX records of 16 bytes, record address = byte address.

namespace {

std::string octet_hex(unsigned v) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

int chiffre(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Bytes of a record line (without ':'), or false when it is not an even run of hex digits.
bool octets_de(const std::string& texte, std::vector<unsigned>& octets) {
    if (texte.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < texte.size(); i += 2) {
        int h = chiffre(texte[i]), l = chiffre(texte[i + 1]);
        if (h < 0 || l < 0) return false;
        octets.push_back(static_cast<unsigned>(h * 16 + l));
    }
    return true;
}

} // namespace

std::string Eeprom_simulee::etat_hex() const {
    std::string texte = "; puce " + desc.nom + "\r\n" + lignes_etat();
    for (std::size_t a = 0; a < memoire.size(); a += 16) {
        std::size_t n = std::min<std::size_t>(16, memoire.size() - a);
        unsigned somme = static_cast<unsigned>(n + (a >> 8) + (a & 0xFF));
        texte += ':';
        texte += octet_hex(static_cast<unsigned>(n));
        texte += octet_hex(static_cast<unsigned>(a >> 8));
        texte += octet_hex(static_cast<unsigned>(a));
        texte += "00";
        for (std::size_t i = 0; i < n; ++i) {
            texte += octet_hex(memoire[a + i]);
            somme += memoire[a + i];
        }
        texte += octet_hex(0x100 - (somme & 0xFF)) + "\r\n";
    }
    return texte + ":00000001FF\r\n";
}

bool Eeprom_simulee::charge_etat_hex(const std::string& texte) {
    std::vector<uint8_t> lu(memoire.size(), 0xFF);
    std::vector<std::string> etats;
    std::istringstream in(texte);
    std::string ligne;
    bool entete = false, fin = false;
    while (std::getline(in, ligne)) {
        if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
        if (ligne.empty()) continue;
        if (!entete) {
            if (ligne != "; puce " + desc.nom) return false;
            entete = true;
            continue;
        }
        if (ligne[0] == ';') {
            etats.push_back(ligne);
            continue;
        }
        std::vector<unsigned> o;
        if (fin || ligne[0] != ':' || !octets_de(ligne.substr(1), o) || o.size() < 5 ||
            o.size() != o[0] + 5u)
            return false;
        unsigned somme = 0;
        for (unsigned v : o) somme += v;
        if ((somme & 0xFF) != 0) return false;
        unsigned adresse = o[1] * 256 + o[2];
        if (o[3] == 1) {
            fin = true;
        } else if (o[3] == 0) {
            if (adresse + o[0] > lu.size()) return false;
            for (unsigned i = 0; i < o[0]; ++i) lu[adresse + i] = static_cast<uint8_t>(o[4 + i]);
        } else {
            return false;
        }
    }
    // A file cut at a line boundary has lost its end record.
    if (!entete || !fin) return false;
    for (const auto& e : etats)
        if (!lit_ligne_etat(e)) return false;
    memoire = std::move(lu);
    return true;
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<Modele_puce> cree_eeprom(const Desc_PIC& d, const Pannes_puce& p) {
    return cree_eeprom(d, p, Options_eeprom{});
}

namespace {

template <class Puce>
std::unique_ptr<Modele_puce> cree(const Desc_PIC& d, const Pannes_puce& p,
                                  const Options_eeprom& o) {
    return std::make_unique<Puce>(d, p, o);
}

// The simulated chip of each bus.
struct Modele_bus {
    Bus_eeprom bus;
    std::unique_ptr<Modele_puce> (*cree)(const Desc_PIC&, const Pannes_puce&,
                                         const Options_eeprom&);
};

constexpr Modele_bus modeles[] = {
    {Bus_eeprom::i2c, cree<Puce_24xx>},
    {Bus_eeprom::microwire, cree<Puce_93xx>},
    {Bus_eeprom::spi, cree<Puce_25xx>},
};

} // namespace

std::unique_ptr<Modele_puce> cree_eeprom(const Desc_PIC& d, const Pannes_puce& p,
                                         const Options_eeprom& o) {
    const Faits_bus* bus = faits_bus(bus_eeprom(d));
    if (!bus || d.taille_donnee < 1 || d.taille_donnee > bus->taille_max) return nullptr;
    for (const Modele_bus& m : modeles)
        if (m.bus == bus->bus) return m.cree(d, p, o);
    return nullptr;
}

bool Eeprom_simulee::hors_tension(const Broches& b) {
    if (b.vcc) return false;
    if (alimentee) {
        coupe_cycle();
        perte_alimentation();
        alimentee = false;
    }
    return true;
}
