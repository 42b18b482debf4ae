// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/puce_flash_recente.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int debut_config = 0x2000;

// Bits of the configuration word that make the part run code from VDD on: internal oscillator
// (FOSC2 set, FOSC1 clear) and MCLRE clear.
constexpr uint16_t bit_mclre = 0x0020;
constexpr uint16_t bit_fosc1 = 0x0002;
constexpr uint16_t bit_fosc2_62xa = 0x0010;
constexpr uint16_t bit_fosc2_6xx = 0x0004;

} // namespace

Puce_flash_recente::Puce_flash_recente(const Desc_PIC& d, const Pannes_puce& p,
                                       const Options_puce& o)
    : Puce_pic(d, p, o) {
    latch_groupe.fill(0x3FFF);
    if (famille_c())
        mem.config = static_cast<uint16_t>((mem.config & ~masque_bandgap) | bandgap_usine);
    if (carac.masque_config != 0) mem.config = stocke(0x3FFF, carac.masque_config);
    if (mots_config() == 2) mem.config2 = stocke(0x3FFF, carac.masque_config2);
    for (int k = 0; k < carac.mots_calibration && k < 2; ++k)
        mem.calibration_config[static_cast<std::size_t>(k)] =
            calibration_usine[static_cast<std::size_t>(k)];
}

uint16_t Puce_flash_recente::stocke(uint16_t v, uint16_t masque) const {
    const auto absents = static_cast<uint16_t>(carac.absents_a_un ? 0x3FFF & ~masque : 0);
    return static_cast<uint16_t>((v & masque) | absents);
}

bool Puce_flash_recente::lit_espace_ajoute(uint16_t& mot) const {
    switch (zone_ajoutee()) {
    case Zone::config2:
        mot = mem.config2;
        return true;
    case Zone::calibration:
        mot = mem.calibration_config[static_cast<std::size_t>(pc - carac.adresse_calibration)];
        return true;
    default:
        return false;
    }
}

Puce_flash_recente::Zone Puce_flash_recente::zone_ajoutee() const {
    if (mots_config() == 2 && pc == debut_config + 8) return Zone::config2;
    if (carac.mots_calibration > 0 && pc >= carac.adresse_calibration &&
        pc < carac.adresse_calibration + carac.mots_calibration)
        return Zone::calibration;
    return Zone::aucune;
}

bool Puce_flash_recente::execute_des_la_mise_sous_tension() const {
    uint16_t fosc2 = 0;
    if (carac.variante == Variante_flash::pic16f62xa) fosc2 = bit_fosc2_62xa;
    if (famille_c()) fosc2 = bit_fosc2_6xx;
    return fosc2 && (mem.config & fosc2) && !(mem.config & bit_fosc1) && !(mem.config & bit_mclre);
}

void Puce_flash_recente::broches_vues(const Broches& b, int64_t t) {
    if (!b.vcc) {
        refus = false;
    } else {
        if (!vdd_vu) debut_execution = t; // the part runs whenever VPP is not up
        if (vdd_vu && !vpp_vu && b.vpp && mode() == Mode_puce::execution && !refus &&
            execute_des_la_mise_sous_tension() && t - debut_execution > t_max_vdd_avant_vpp_ns) {
            refus = true;
            signale(Genre_violation::entree_refusee, t);
        }
    }
    if (!b.vpp) refus = false;
    vdd_vu = b.vcc;
    vpp_vu = b.vpp;
    Broches vue = b;
    if (refus) vue.vpp = false; // the running part ignores MCLR
    const Mode_puce avant = mode();
    Puce_pic::broches_vues(vue, t);
    if (avant == Mode_puce::eteinte && mode() == Mode_puce::programmation) ++nb_entrees_vpp_d_abord;
}

bool Puce_flash_recente::en_cycle(int64_t t) const {
    return cycle.actif && t < cycle.fin;
}

void Puce_flash_recente::entree_programmation(int64_t) {
    pc = 0;
    latch_programme = 0x3FFF;
    latch_groupe.fill(0x3FFF);
    latch_donnee = {};
}

void Puce_flash_recente::sortie_programmation(int64_t t) {
    if (cycle.actif) {
        // Power or VPP gone: an erase does not happen, a write stays unwritten.
        signale(Genre_violation::cycle_interrompu, t);
        if (cycle.ecriture.zone != Zone::aucune) applique(cycle.ecriture, true);
        cycle.actif = false;
    }
    if (externe.actif) {
        signale(Genre_violation::cycle_interrompu, t);
        termine_externe(t);
    }
    entree_programmation(t);
}

void Puce_flash_recente::avance(int64_t t) {
    if (!cycle.actif || t < cycle.fin) return;
    cycle.actif = false;
    if (cycle.ecriture.zone != Zone::aucune)
        applique(cycle.ecriture, cycle.interrompu);
    else
        applique(cycle.effacement);
}

bool Puce_flash_recente::horloge_refusee(int64_t t) {
    if (!en_cycle(t)) return false;
    if (!cycle.interrompu) signale(Genre_violation::commande_pendant_cycle, t);
    cycle.interrompu = true;
    return true;
}

Puce_pic::Suite_commande Puce_flash_recente::commande(int code, int64_t t) {
    if (externe.actif) {
        const bool fin = code == code_fin_externe();
        const bool trop_tot = t - externe.debut < externe.duree_min;
        if (!fin) signale(Genre_violation::commande_pendant_cycle, t);
        termine_externe(t);
        if (fin) return {};
        if (trop_tot && (code == 4 || code == 5)) return {Phase_donnees::lecture, 0};
    }
    if (uint16_t mot = 0; code == 4 && lit_espace_ajoute(mot)) return {Phase_donnees::lecture, mot};
    if (Suite_commande s; commande_flash(code, s)) return s;
    switch (code) {
    case 8: {
        if (famille_d()) {
            // Erase then program, externally timed (not established: twice the program-only
            // minimum).
            demarre_externe(t, 2);
            externe.ecriture.efface_avant = true;
            return {};
        }
        Cycle c;
        c.actif = true;
        c.ecriture = cible(t);
        c.ecriture.efface_avant = famille_b();
        c.fin =
            pannes_.occupee ? std::numeric_limits<int64_t>::max() : t + duree_ecriture(c.ecriture);
        cycle = c;
        latch_groupe.fill(0x3FFF);
        return {};
    }
    case 0x18:
        if (carac.t_externe_min_ns == 0) break;
        demarre_externe(t, 1);
        if (famille_b() && externe.ecriture.zone == Zone::config)
            externe.ecriture.zone = Zone::aucune; // written by 8 only
        return {};
    case 0x09:
    case 0x0B:
    case 0x11:
    case 0x1F: {
        if (code == 0x1F && !comme_87xa()) break;
        if ((code == 0x09 || code == 0x0B) && famille_d()) break; // 0x1F only
        if (code == 0x11 && carac.mots_rangee == 0) break;
        Cycle c;
        c.actif = true;
        c.effacement = effacement(code);
        c.fin = pannes_.occupee ? std::numeric_limits<int64_t>::max() : t + carac.t_effacement_ns;
        cycle = c;
        return {};
    }
    default:
        if (code == code_fin_externe() && carac.t_externe_min_ns != 0) return {}; // nothing to end
        break;
    }
    signale(Genre_violation::commande_inconnue, t);
    return {};
}

void Puce_flash_recente::demarre_externe(int64_t t, int facteur) {
    externe.actif = true;
    externe.debut = t;
    externe.ecriture = cible(t);
    externe.duree_min = carac.t_externe_min_ns * facteur * (lente(externe.ecriture) ? 4 : 1);
    latch_groupe.fill(0x3FFF);
}

std::size_t Puce_flash_recente::slot() const {
    return static_cast<std::size_t>(pc & (carac.mots_latch - 1));
}

void Puce_flash_recente::charge(int code, uint16_t valeur, int64_t) {
    if (!charge_flash(code, valeur, latch_donnee)) return;
    if (latchee())
        latch_groupe[slot()] = valeur;
    else
        latch_programme = valeur;
}

Puce_flash_recente::Ecriture Puce_flash_recente::cible(int64_t t) {
    Ecriture e;
    e.mots.fill(0x3FFF);
    const uint16_t latch = latchee() ? latch_groupe[slot()] : latch_programme;
    if (const Zone z = zone_ajoutee(); z != Zone::aucune && !latch_donnee.dernier) {
        e.zone = z;
        e.index = z == Zone::calibration ? pc - carac.adresse_calibration : 0;
        e.mots[0] = latch;
        return e;
    }
    const Cible_flash c = cible_flash(latch_donnee.dernier, t);
    e.index = c.index;
    switch (c.zone) {
    case Zone_flash::aucune:
        break;
    case Zone_flash::donnee:
        e.zone = Zone::donnee;
        e.mots[0] = latch_donnee.octet;
        break;
    case Zone_flash::programme:
        if (latchee()) {
            e.zone = Zone::groupe;
            e.index = c.index & ~(carac.mots_latch - 1);
            e.mots = latch_groupe;
        } else {
            e.zone = Zone::programme;
            e.mots[0] = latch;
        }
        break;
    case Zone_flash::id:
        e.zone = Zone::id;
        e.mots[0] = latch;
        break;
    case Zone_flash::config:
        e.zone = Zone::config;
        e.mots[0] = latch;
        break;
    }
    return e;
}

bool Puce_flash_recente::lente(const Ecriture& e) const {
    return pannes_.cellule_lente && ((e.zone == Zone::programme && e.index == adresse_panne) ||
                                     (e.zone == Zone::groupe &&
                                      e.index == (adresse_panne & ~(carac.mots_latch - 1))));
}

int64_t Puce_flash_recente::duree_ecriture(const Ecriture& e) const {
    int64_t d = e.zone == Zone::donnee ? carac.t_ecriture_donnee_ns : carac.t_programmation_ns;
    return lente(e) ? 4 * d : d;
}

void Puce_flash_recente::programme_mot(uint16_t& cellule, uint16_t valeur, uint16_t vierge,
                                       bool efface_avant, bool interrompue) {
    const uint16_t depart = efface_avant ? vierge : cellule;
    cellule = interrompue ? depart : static_cast<uint16_t>(depart & valeur & vierge);
}

void Puce_flash_recente::applique(const Ecriture& e, bool interrompue) {
    const bool efface = e.efface_avant;
    auto mot_programme = [&](int a, uint16_t v) {
        // The dead cell is erased like the others but never takes a 0.
        const bool morte = pannes_.cellule_morte && a == adresse_panne;
        programme_mot(mem.programme[static_cast<std::size_t>(a)], v, mot_vierge(), efface,
                      interrompue || morte);
    };
    switch (e.zone) {
    case Zone::aucune:
        break;
    case Zone::programme:
        mot_programme(e.index, e.mots[0]);
        break;
    case Zone::groupe:
        for (int k = 0; k < carac.mots_latch && e.index + k < desc.taille_prog; ++k)
            mot_programme(e.index + k, e.mots[static_cast<std::size_t>(k)]);
        break;
    case Zone::id:
        programme_mot(mem.ids[static_cast<std::size_t>(e.index)], e.mots[0], mot_vierge(), efface,
                      interrompue);
        break;
    case Zone::config: {
        uint16_t c = mem.config;
        programme_mot(c, e.mots[0], config_vierge(), efface, interrompue);
        mem.config = carac.masque_config != 0 ? stocke(c, carac.masque_config) : normalise_config(c);
        break;
    }
    case Zone::config2:
        programme_mot(mem.config2, e.mots[0], 0x3FFF, efface, interrompue);
        mem.config2 = stocke(mem.config2, carac.masque_config2);
        break;
    case Zone::calibration:
        programme_mot(mem.calibration_config[static_cast<std::size_t>(e.index)], e.mots[0],
                      0x3FFF, efface, interrompue);
        break;
    case Zone::donnee: {
        uint16_t o = mem.donnees[static_cast<std::size_t>(e.index)];
        programme_mot(o, e.mots[0], 0xFF, efface, interrompue);
        mem.donnees[static_cast<std::size_t>(e.index)] = static_cast<uint8_t>(o);
        break;
    }
    }
}

void Puce_flash_recente::termine_externe(int64_t t) {
    // Cut short before its minimum time, the programming leaves its target unwritten.
    const bool court = pannes_.occupee || t - externe.debut < externe.duree_min;
    if (court && !pannes_.occupee) signale(Genre_violation::cycle_interrompu, t);
    applique(externe.ecriture, court);
    externe.actif = false;
}

Puce_flash_recente::Effacement Puce_flash_recente::effacement_latchee(int code) const {
    Effacement e;
    const bool espace_config = pc >= debut_config;
    const bool cp = programme_protege(0);
    if (code == 0x1F) { // 16F87/88, 16F818/819: everything, at any counter
        e.programme = e.calibration = e.ids = e.config = e.donnees = true;
    } else if (code == 0x0B) {
        e.donnees = !donnees_protegees();
    } else if (code == 0x11) {
        if (cp) return e;
        if (!espace_config)
            e.rangee = (pc & (desc.taille_prog - 1)) & ~(carac.mots_rangee - 1);
        e.ids = pc >= debut_config && pc < debut_config + 4;
    } else if (espace_config) {
        // Protection lifted, a protected data EEPROM with it; the calibration words go only
        // when the counter is on one.
        e.programme = e.calibration = e.ids = e.config = true;
        e.donnees = donnees_protegees();
        e.calibration_config = zone_ajoutee() == Zone::calibration;
    } else {
        e.programme = e.calibration = e.config = !cp;
    }
    return e;
}

Puce_flash_recente::Effacement Puce_flash_recente::effacement(int code) const {
    if (latchee() && !famille_b()) return effacement_latchee(code);
    Effacement e;
    const bool espace_config = pc >= debut_config;
    const bool cp = programme_protege(0);
    const bool cpd = donnees_protegees();
    if (code == 0x0B) {
        e.donnees = !cpd;
    } else if (code == 0x1F && espace_config) {
        e.programme = e.calibration = e.ids = e.config = e.donnees = true;
    } else if (code == 0x1F) {
        e.programme = e.calibration = !cp;
        e.donnees = !cpd;
    } else if (espace_config && !famille_b()) {
        // Protection lifted; a protected data EEPROM goes with it.
        e.programme = e.calibration = e.ids = e.config = true;
        e.donnees = cpd;
    } else {
        e.programme = !cp;
        e.ids = e.programme && espace_config;
        e.calibration = e.programme && !famille_c(); // OSCCAL kept outside configuration space
    }
    return e;
}

void Puce_flash_recente::applique(const Effacement& e) {
    if (e.programme) {
        const uint16_t dernier = mem.programme.back();
        std::fill(mem.programme.begin(), mem.programme.end(), mot_vierge());
        if (!e.calibration) mem.programme.back() = dernier;
    }
    if (e.ids) mem.ids.fill(mot_vierge());
    if (e.donnees) std::fill(mem.donnees.begin(), mem.donnees.end(), uint8_t{0xFF});
    if (e.config) {
        mem.config = carac.masque_config != 0 ? stocke(0x3FFF, carac.masque_config) : config_vierge();
        if (mots_config() == 2) mem.config2 = stocke(0x3FFF, carac.masque_config2);
    }
    if (e.calibration_config) mem.calibration_config.fill(0x3FFF);
    if (e.rangee >= 0)
        std::fill_n(mem.programme.begin() + e.rangee,
                    std::min(carac.mots_rangee, desc.taille_prog - e.rangee), mot_vierge());
}
