// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/puce_eprom.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int debut_config = 0x2000;

} // namespace

Puce_eprom::Puce_eprom(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o)
    : Puce_pic(d, p, o) {
    std::size_t n = mem.programme.size() + 5;
    besoins.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        uint64_t h = alea(0x10000 + i);
        int u = static_cast<int>(h % 100);
        besoins[i] = static_cast<uint8_t>(u < 60   ? 1
                                          : u < 85 ? 2
                                          : u < 95 ? 3
                                          : u < 98 ? 4
                                                   : 5 + static_cast<int>((h >> 32) % 4));
    }
    if (p.cellule_lente && !mem.programme.empty())
        besoins[adresse_panne] = static_cast<uint8_t>(impulsions_cellule_lente);
    contenu_remplace();
}

void Puce_eprom::contenu_remplace() {
    charges.assign(mem.programme.size() + 5, {});
    suivis.assign(mem.programme.size() + 5, {});
}

int Puce_eprom::besoin(int case_mot) const {
    return besoins[static_cast<std::size_t>(case_mot)];
}

int Puce_eprom::impulsions_necessaires_programme(int mot) const {
    return besoin(mot);
}
int Puce_eprom::impulsions_necessaires_id(int i) const {
    return besoin(desc.taille_prog + i);
}
int Puce_eprom::impulsions_necessaires_config() const {
    return besoin(desc.taille_prog + 4);
}

const Suivi_impulsions& Puce_eprom::suivi_programme(int mot) const {
    return suivis[static_cast<std::size_t>(mot)];
}
const Suivi_impulsions& Puce_eprom::suivi_id(int i) const {
    return suivis[static_cast<std::size_t>(desc.taille_prog + i)];
}
const Suivi_impulsions& Puce_eprom::suivi_config() const {
    return suivis[static_cast<std::size_t>(desc.taille_prog + 4)];
}

// 14-bit core: program memory from 0, configuration space 0x2000-0x2007 (0x2004-0x2006
// reserved). 12-bit core: a counter as wide as 2 x words, program memory, 4 IDs, a reserved area
// and the config word at its all-ones value.
Puce_eprom::Cible Puce_eprom::cible(int a) const {
    int n = desc.taille_prog;
    if (largeur_ == 12) {
        if (a < n) return {Zone::programme, a};
        if (a < n + 4) return {Zone::id, a - n};
        if (a == 2 * n - 1) return {Zone::config, 0};
        return {Zone::reservee, 0};
    }
    if (a < n) return {Zone::programme, a};
    if (a < debut_config) return {Zone::absente, 0};
    if (a < debut_config + 4) return {Zone::id, a - debut_config};
    if (a < 0x2007) return {Zone::reservee, 0};
    if (a == 0x2007) return {Zone::config, 0};
    return {Zone::absente, 0};
}

int Puce_eprom::case_de(const Cible& c) const {
    switch (c.zone) {
    case Zone::programme:
        return c.index;
    case Zone::id:
        return desc.taille_prog + c.index;
    case Zone::config:
        return desc.taille_prog + 4;
    default:
        return -1;
    }
}

uint16_t* Puce_eprom::cellule(const Cible& c) {
    switch (c.zone) {
    case Zone::programme:
        return &mem.programme[static_cast<std::size_t>(c.index)];
    case Zone::id:
        return &mem.ids[static_cast<std::size_t>(c.index)];
    case Zone::config:
        return &mem.config;
    default:
        return nullptr;
    }
}

void Puce_eprom::entree_programmation(int64_t) {
    pc = largeur_ == 12 ? 2 * desc.taille_prog - 1 : 0;
    latch = mot_vierge();
    impulsion = false;
}

void Puce_eprom::sortie_programmation(int64_t t) {
    if (impulsion) termine_impulsion(t);
    entree_programmation(t);
}

void Puce_eprom::termine_impulsion(int64_t t) {
    impulsion = false;
    int64_t duree = t - debut_impulsion;
    if (duree > t_impulsion_max_ns) signale(Genre_violation::impulsion_longue, t);
    Cible c = cible(pc_impulsion);
    uint16_t* cell = cellule(c);
    if (!cell) {
        signale(Genre_violation::ecriture_interdite, t);
        return;
    }
    if (c.zone == Zone::programme && programme_protege(c.index)) return;
    int k = case_de(c);
    Suivi_impulsions& s = suivis[static_cast<std::size_t>(k)];
    if (s.impulsions == 0 || s.valeur != latch_impulsion) s = {latch_impulsion, 0, -1, 0};
    ++s.impulsions;
    if (s.avant_verification >= 0) ++s.apres_verification;

    if (pannes_.occupee) return;
    if (pannes_.cellule_morte && c.zone == Zone::programme && c.index == adresse_panne) return;
    int64_t seuil = besoin(k) * t_impulsion_ns - tolerance_ns;
    uint32_t apport =
        static_cast<uint32_t>(std::clamp<int64_t>(duree, 0, std::numeric_limits<uint32_t>::max()));
    uint16_t v = *cell;
    auto& ch = charges[static_cast<std::size_t>(k)];
    for (int b = 0; b < largeur_; ++b) {
        uint16_t bit = static_cast<uint16_t>(1u << b);
        if ((latch_impulsion & bit) || !(v & bit)) continue;
        std::size_t i = static_cast<std::size_t>(b);
        ch[i] = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t{ch[i]} + apport, std::numeric_limits<uint32_t>::max()));
        if (ch[i] >= seuil) v = static_cast<uint16_t>(v & ~bit);
    }
    *cell = c.zone == Zone::config ? normalise_config(v) : v;
}

uint16_t Puce_eprom::lit() {
    Cible c = cible(pc);
    uint16_t* cell = cellule(c);
    if (!cell) return mot_vierge(); // reserved and unimplemented locations read blank
    int k = case_de(c);
    Suivi_impulsions& s = suivis[static_cast<std::size_t>(k)];
    if (s.impulsions > 0 && s.avant_verification < 0) {
        uint16_t voulu = c.zone == Zone::config ? normalise_config(s.valeur) : s.valeur;
        if ((*cell & ~voulu & masque_mot()) == 0) {
            s.avant_verification = s.impulsions;
            s.apres_verification = 0;
        }
    }
    if (c.zone != Zone::programme || !programme_protege(c.index)) return *cell;
    if (!options.lecture_brouillee || largeur_ == 12) return 0;
    unsigned x = ~((*cell >> 7) ^ *cell) & 0x7Fu;
    return static_cast<uint16_t>((x << 7) | x);
}

Puce_pic::Suite_commande Puce_eprom::commande(int code, int64_t t) {
    if (impulsion) termine_impulsion(t);
    switch (code) {
    case 0:
        if (largeur_ == 12) break;
        return {Phase_donnees::chargement, 0};
    case 2:
        return {Phase_donnees::chargement, 0};
    case 4:
        return {Phase_donnees::lecture, lit()};
    case 6:
        if (largeur_ == 12)
            pc = (pc + 1) % (2 * desc.taille_prog);
        else
            pc = pc < debut_config ? (pc + 1) & 0x1FFF : debut_config | ((pc + 1) & 0x1FFF);
        return {};
    case 8:
        impulsion = true;
        debut_impulsion = t;
        pc_impulsion = pc;
        latch_impulsion = latch;
        return {};
    case 14:
        return {};
    default:
        break;
    }
    signale(Genre_violation::commande_inconnue, t, code);
    return {};
}

void Puce_eprom::charge(int code, uint16_t valeur, int64_t) {
    // Load Configuration (14-bit core) jumps to 0x2000; its word only fills the latch.
    if (code == 0) pc = debut_config;
    latch = static_cast<uint16_t>(valeur & masque_mot());
}
