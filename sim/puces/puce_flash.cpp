// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/puce_flash.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int debut_config = 0x2000;

} // namespace

Puce_flash::Puce_flash(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o)
    : Puce_pic(d, p, o),
      t_cycle(o.t_ecriture_ns > 0 ? o.t_ecriture_ns : carac.t_ecriture_typique_ns) {}

int64_t Puce_flash::duree_cycle_lent() const {
    return 2 * std::max(t_cycle, carac.t_ecriture_max_ns);
}

bool Puce_flash::en_cycle(int64_t t) const {
    return cycle.actif && t < cycle.fin;
}

void Puce_flash::entree_programmation(int64_t) {
    pc = 0;
    latch_programme = 0x3FFF;
    latch_donnee = {};
    apres_1 = false;
    mode_effacement = false;
    armement = Armement::aucun;
}

void Puce_flash::sortie_programmation(int64_t t) {
    if (cycle.actif) {
        signale(Genre_violation::cycle_interrompu, t);
        cycle.interrompu = true;
        termine_cycle();
    }
    entree_programmation(t);
}

void Puce_flash::avance(int64_t t) {
    if (cycle.actif && t >= cycle.fin) termine_cycle();
}

bool Puce_flash::horloge_refusee(int64_t t) {
    if (!en_cycle(t)) return false;
    if (!cycle.interrompu) signale(Genre_violation::commande_pendant_cycle, t);
    cycle.interrompu = true;
    return true;
}

// While protection is on, CP and CPD bits can still be cleared but not set back: only the erase
// sequence lifts protection.
uint16_t Puce_flash::config_ecrite(uint16_t v) const {
    uint16_t cp = masque_protection();
    if (protection_programme() || donnees_protegees())
        v = static_cast<uint16_t>((v & ~cp) | (v & mem.config & cp));
    return normalise_config(v);
}

Puce_pic::Suite_commande Puce_flash::commande(int code, int64_t t) {
    bool un_avant = apres_1;
    apres_1 = code == 1;
    bool erase_par_9 = carac.variante != Variante_flash::pic16f87x && (code == 9 || code == 11);
    if (Suite_commande s; commande_flash(code, s)) return s;
    switch (code) {
    case 1:
        return {};
    case 7:
        if (un_avant) mode_effacement = !mode_effacement;
        return {};
    case 8:
        demarre_cycle(Genre_cycle::ecriture, t);
        return {};
    case 0x18:
        demarre_cycle(Genre_cycle::programmation_seule, t);
        return {};
    default:
        break;
    }
    if (!erase_par_9) {
        signale(Genre_violation::commande_inconnue, t, code);
        return {};
    }
    bool programme = code == 9;
    if (carac.variante == Variante_flash::pic16f84a) {
        // Self-timed erase started by the command itself.
        if (programme && !protection_programme()) efface(true, pc >= debut_config, false, false);
        if (!programme && !donnees_protegees()) efface(false, false, true, false);
    } else {
        armement = programme ? Armement::programme : Armement::donnees;
    }
    return {};
}

void Puce_flash::charge(int code, uint16_t valeur, int64_t) {
    if (!charge_flash(code, valeur, latch_donnee)) return;
    latch_programme = valeur;
}

void Puce_flash::cible_ecriture(Cycle& c, int64_t t) {
    const Cible_flash cf = cible_flash(latch_donnee.dernier, t);
    c.zone = cf.zone;
    c.index = cf.index;
    c.valeur = latch_donnee.dernier ? latch_donnee.octet : latch_programme;
}

void Puce_flash::demarre_cycle(Genre_cycle g, int64_t t) {
    Cycle c;
    c.actif = true;
    c.genre = g;
    int64_t duree = t_cycle;
    if (mode_effacement && g == Genre_cycle::ecriture) {
        // 1, 7, 8: in configuration space everything goes blank (protection lifted); in program
        // space the memory of the last load, unless protected.
        c.genre = Genre_cycle::effacement;
        if (pc >= debut_config) {
            c.efface_programme = c.efface_ids = c.efface_donnees = c.efface_config = true;
        } else if (latch_donnee.dernier) {
            c.efface_donnees = !donnees_protegees();
        } else {
            c.efface_programme = !protection_programme();
        }
    } else if (armement != Armement::aucun && g == Genre_cycle::ecriture) {
        c.genre = Genre_cycle::effacement;
        if (armement == Armement::programme) {
            c.efface_programme = !protection_programme();
            c.efface_ids = c.efface_programme && pc >= debut_config;
        } else {
            c.efface_donnees = !donnees_protegees();
        }
        armement = Armement::aucun;
    } else {
        cible_ecriture(c, t);
        if (pannes_.cellule_lente && c.zone == Zone::programme && c.index == adresse_panne)
            duree = duree_cycle_lent();
    }
    c.fin = pannes_.occupee ? std::numeric_limits<int64_t>::max() : t + duree;
    cycle = c;
}

void Puce_flash::efface(bool programme, bool ids, bool donnees, bool config) {
    if (programme) std::fill(mem.programme.begin(), mem.programme.end(), mot_vierge());
    if (ids) mem.ids.fill(mot_vierge());
    if (donnees) std::fill(mem.donnees.begin(), mem.donnees.end(), uint8_t{0xFF});
    if (config) mem.config = config_vierge();
}

void Puce_flash::termine_cycle() {
    Cycle c = cycle;
    cycle.actif = false;
    if (c.genre == Genre_cycle::effacement) {
        efface(c.efface_programme, c.efface_ids, c.efface_donnees, c.efface_config);
        return;
    }
    bool seule = c.genre == Genre_cycle::programmation_seule;
    auto nouveau = [&](uint16_t ancien, uint16_t vierge) {
        if (c.interrompu) return vierge;
        return static_cast<uint16_t>((seule ? ancien & c.valeur : c.valeur) & vierge);
    };
    std::size_t i = static_cast<std::size_t>(c.index);
    switch (c.zone) {
    case Zone::aucune:
        break;
    case Zone::programme:
        if (pannes_.cellule_morte && c.index == adresse_panne) {
            // The erase half works, the cell never takes a 0.
            if (!seule || c.interrompu) mem.programme[i] = mot_vierge();
        } else {
            mem.programme[i] = nouveau(mem.programme[i], mot_vierge());
        }
        break;
    case Zone::id:
        mem.ids[i] = nouveau(mem.ids[i], mot_vierge());
        break;
    case Zone::config:
        mem.config = config_ecrite(nouveau(mem.config, mot_vierge()));
        break;
    case Zone::donnee:
        mem.donnees[i] = static_cast<uint8_t>(nouveau(mem.donnees[i], 0xFF));
        break;
    }
}
