// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/puce_16f1xxx.h"

#include "core/etat.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int debut_config = 0x8000;
constexpr int adresse_id_composant = 0x8006;
constexpr int adresse_config1 = 0x8007;
constexpr int adresse_config2 = 0x8008;
constexpr uint16_t vierge = 0x3FFF;
constexpr uint16_t bit_cp = 0x0080;  // CONFIG1, 0 = program memory protected
constexpr uint16_t bit_cpd = 0x0100; // CONFIG1, 0 = data EEPROM protected

} // namespace

Puce_16f1xxx::Puce_16f1xxx(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o)
    : Puce_pic(d, p, o) {
    latch.assign(static_cast<std::size_t>(std::max(carac.mots_latch, 1)), vierge);
    mem.donnees.assign(static_cast<std::size_t>(std::max(d.taille_donnee, 0)), 0xFF);
    mem.config = vierge;
    config2_ = stocke_config2(vierge);
}

uint16_t Puce_16f1xxx::stocke_config2(uint16_t v) const {
    const uint16_t m = carac.masque_config2;
    const uint16_t autres = carac.absents_a_un ? static_cast<uint16_t>(~m & vierge) : 0;
    return static_cast<uint16_t>((v & m) | autres);
}

bool Puce_16f1xxx::en_cycle(int64_t t) const {
    return cycle.actif && !cycle.externe && t < cycle.fin;
}

void Puce_16f1xxx::broches_vues(const Broches& b, int64_t t) {
    if (detruite_) return; // answers nothing any more
    if (b.vpp && tension_vpp > tension_max_v) {
        detruite_ = true;
        signale(Genre_violation::tension_excessive, t);
        return;
    }
    Puce_pic::broches_vues(b, t);
    ecoute_cle(b, t);
}

// With MCLR low and VDD on, the part takes DATA on each falling clock edge: 32 bits of key, then
// one more clock that enters programming mode when the key matched and LVP is set.
void Puce_16f1xxx::ecoute_cle(const Broches& b, int64_t t) {
    const bool ecoute = mode() == Mode_puce::execution && !b.vpp && b.vcc;
    if (!ecoute) {
        bits_cle = 0;
        cle = 0;
    } else if (clk_vu && !b.clk) {
        if (bits_cle < 32) {
            cle |= static_cast<uint64_t>(donnee_vue) << bits_cle;
            ++bits_cle;
        } else {
            if (cle == cle_lvp && (config2_ & bit_lvp)) {
                passe_en_programmation(t);
                ++nb_entrees_lvp;
            }
            bits_cle = 0;
            cle = 0;
        }
    }
    clk_vu = b.clk;
    donnee_vue = b.data;
}

void Puce_16f1xxx::entree_programmation(int64_t) {
    pc = 0;
    std::fill(latch.begin(), latch.end(), vierge);
    dernier_donnee = false;
    cycle = {};
}

void Puce_16f1xxx::sortie_programmation(int64_t t) {
    if (cycle.actif) {
        signale(Genre_violation::cycle_interrompu, t); // the cycle's target stays as it was
        cycle = {};
    }
    entree_programmation(t);
}

void Puce_16f1xxx::avance(int64_t t) {
    if (cycle.actif && !cycle.externe && t >= cycle.fin) termine(t, false);
}

bool Puce_16f1xxx::horloge_refusee(int64_t t) {
    if (!en_cycle(t)) return false;
    if (!cycle.interrompu) signale(Genre_violation::commande_pendant_cycle, t);
    cycle.interrompu = true;
    return true;
}

void Puce_16f1xxx::commence(Travail w, int64_t t, int64_t duree, bool externe) {
    cycle = {};
    cycle.travail = w;
    cycle.adresse = pc;
    cycle.actif = true;
    cycle.externe = externe;
    cycle.debut = t;
    cycle.fin = pannes_.occupee ? std::numeric_limits<int64_t>::max() : t + duree;
}

void Puce_16f1xxx::termine(int64_t t, bool coupe) {
    const Cycle c = cycle;
    cycle = {};
    if (coupe) signale(Genre_violation::cycle_interrompu, t);
    const bool fait = !coupe && !c.interrompu;
    switch (c.travail) {
    case Travail::programme:
        if (fait) programme(c.adresse);
        std::fill(latch.begin(), latch.end(), vierge);
        break;
    case Travail::donnee:
        if (fait && !donnees_protegees_g() && !mem.donnees.empty())
            mem.donnees[static_cast<std::size_t>(c.adresse) % mem.donnees.size()] = octet_latch;
        break;
    case Travail::efface_tout:
        if (fait) efface_tout(c.adresse);
        break;
    case Travail::efface_donnees:
        if (fait) std::fill(mem.donnees.begin(), mem.donnees.end(), uint8_t{0xFF});
        break;
    case Travail::efface_rangee:
        if (fait) efface_rangee(c.adresse);
        break;
    case Travail::aucun:
        break;
    }
}

void Puce_16f1xxx::programme(int adresse) {
    const int n = static_cast<int>(latch.size());
    const auto et = [](uint16_t& cellule, uint16_t v) {
        cellule = static_cast<uint16_t>(cellule & v & vierge);
    };
    if (adresse < debut_config) {
        if (protege() || desc.taille_prog <= 0) return;
        const int a = adresse % desc.taille_prog;
        const int base = a - a % n;
        for (int k = 0; k < n && base + k < desc.taille_prog; ++k) {
            if (pannes_.cellule_morte && base + k == adresse_panne) continue;
            et(mem.programme[static_cast<std::size_t>(base + k)],
               latch[static_cast<std::size_t>(k)]);
        }
        return;
    }
    // Configuration space: only the addressed word.
    const uint16_t v = latch[static_cast<std::size_t>(adresse % n)];
    const int i = adresse - debut_config;
    if (i < 4) {
        et(mem.ids[static_cast<std::size_t>(i)], v);
    } else if (adresse == adresse_config1) {
        et(mem.config, v);
    } else if (adresse == adresse_config2) {
        config2_ = stocke_config2(static_cast<uint16_t>(config2_ & v));
    } else if (adresse == carac.adresse_calibration || adresse == carac.adresse_calibration + 1) {
        et(calib[static_cast<std::size_t>(adresse - carac.adresse_calibration)], v);
    }
}

void Puce_16f1xxx::efface_tout(int adresse) {
    const bool cpd = donnees_protegees_g();
    std::fill(mem.programme.begin(), mem.programme.end(), vierge);
    mem.config = vierge;
    config2_ = stocke_config2(vierge);
    if (adresse >= debut_config && adresse <= adresse_config2) mem.ids.fill(vierge);
    // A protected data EEPROM goes with the protection.
    if (cpd) std::fill(mem.donnees.begin(), mem.donnees.end(), uint8_t{0xFF});
}

void Puce_16f1xxx::efface_rangee(int adresse) {
    if (protege()) return;
    if (adresse >= debut_config) {
        if (adresse < debut_config + 4) mem.ids.fill(vierge);
        return;
    }
    if (desc.taille_prog <= 0) return;
    const int n = std::max(carac.mots_rangee, 1);
    const int a = adresse % desc.taille_prog;
    const int base = a - a % n;
    for (int k = 0; k < n && base + k < desc.taille_prog; ++k)
        mem.programme[static_cast<std::size_t>(base + k)] = vierge;
}

uint16_t Puce_16f1xxx::lit_mot() const {
    if (pc < debut_config) {
        if (desc.taille_prog <= 0) return vierge;
        const int a = pc % desc.taille_prog; // aliases onto implemented memory
        return protege() ? 0 : mem.programme[static_cast<std::size_t>(a)];
    }
    const int i = pc - debut_config;
    if (i < 4) return mem.ids[static_cast<std::size_t>(i)];
    if (pc == adresse_id_composant && mot_id_composant() >= 0)
        return static_cast<uint16_t>(mot_id_composant());
    if (pc == adresse_config1) return mem.config;
    if (pc == adresse_config2) return config2_;
    if (pc == carac.adresse_calibration || pc == carac.adresse_calibration + 1)
        return calib[static_cast<std::size_t>(pc - carac.adresse_calibration)];
    return vierge;
}

uint16_t Puce_16f1xxx::lit_octet() const {
    if (mem.donnees.empty() || donnees_protegees_g()) return 0;
    return mem.donnees[static_cast<std::size_t>(pc) % mem.donnees.size()];
}

Puce_pic::Suite_commande Puce_16f1xxx::commande(int code, int64_t t) {
    code &= 0x1F; // bit 5 is not decoded
    if (cycle.actif && cycle.externe) {
        const bool fin = code == 0x0A;
        if (!fin) signale(Genre_violation::commande_pendant_cycle, t);
        termine(t, !fin || t - cycle.debut < carac.t_externe_min_ns);
        if (fin) return {};
    }
    switch (code) {
    case 0:
    case 2:
    case 3:
        return {Phase_donnees::chargement, 0};
    case 4:
        return {Phase_donnees::lecture, lit_mot()};
    case 5:
        return {Phase_donnees::lecture, lit_octet()};
    case 6:
        pc = (pc + 1) & 0xFFFF;
        return {};
    case 0x16:
        pc = 0;
        return {};
    case 8: {
        const bool config = pc >= debut_config;
        const int64_t d = dernier_donnee ? carac.t_ecriture_donnee_ns
                          : config       ? carac.t_config_ns
                                         : carac.t_programmation_ns;
        commence(dernier_donnee ? Travail::donnee : Travail::programme, t, d, false);
        return {};
    }
    case 0x18:
        commence(dernier_donnee ? Travail::donnee : Travail::programme, t, 0, true);
        return {};
    case 0x0A:
        return {}; // nothing to end
    case 0x09:
        commence(Travail::efface_tout, t, carac.t_effacement_ns, false);
        return {};
    case 0x0B:
        commence(Travail::efface_donnees, t, carac.t_effacement_ns, false);
        return {};
    case 0x11:
        commence(Travail::efface_rangee, t, carac.t_rangee_ns, false);
        return {};
    default:
        break;
    }
    signale(Genre_violation::commande_inconnue, t, code);
    return {};
}

void Puce_16f1xxx::charge(int code, uint16_t valeur, int64_t) {
    if (code == 3) {
        octet_latch = static_cast<uint8_t>(valeur & 0xFF);
        dernier_donnee = true;
        return;
    }
    if (code == 0) pc = debut_config;
    dernier_donnee = false;
    latch[static_cast<std::size_t>(pc) % latch.size()] = valeur;
}

// State file: the layout of the programmer's HEX files for these parts, the calibration words
// after CONFIG2.
std::string Puce_16f1xxx::etat_hex() const {
    std::string s = "; puce " + desc.nom + "\r\n";
    for (std::size_t i = 0; i < mem.programme.size(); i += 8)
        ajoute_mots_etat(s, static_cast<int>(2 * i), &mem.programme[i],
                         std::min<std::size_t>(8, mem.programme.size() - i));
    s += ":020000040001F9\r\n";
    ajoute_mots_etat(s, 0, mem.ids.data(), mem.ids.size());
    const uint16_t config[] = {mem.config, config2_, calib[0], calib[1]};
    ajoute_mots_etat(s, 0x000E, config, 4);
    for (std::size_t i = 0; i < mem.donnees.size(); i += 8) {
        std::vector<uint16_t> mots;
        for (std::size_t j = i; j < std::min(i + 8, mem.donnees.size()); ++j)
            mots.push_back(mem.donnees[j]);
        ajoute_mots_etat(s, static_cast<int>(0xE000 + 2 * i), mots.data(), mots.size());
    }
    s += ":00000001FF\r\n";
    return s;
}

bool Puce_16f1xxx::charge_etat_hex(const std::string& texte) {
    Contenu_pic nouveau = mem;
    std::fill(nouveau.programme.begin(), nouveau.programme.end(), vierge);
    std::fill(nouveau.donnees.begin(), nouveau.donnees.end(), uint8_t{0xFF});
    nouveau.ids.fill(vierge);
    uint16_t config[] = {vierge, stocke_config2(vierge), calibration_usine[0],
                         calibration_usine[1]};
    const bool lu = parcourt_etat(texte, desc.nom, [&](int a, uint16_t mot) {
        const auto m = static_cast<uint16_t>(mot & vierge);
        const int i = a / 2 - debut_config, d = a / 2 - 0xF000;
        if (a < 2 * desc.taille_prog)
            nouveau.programme[static_cast<std::size_t>(a / 2)] = m;
        else if (i >= 0 && i < 4)
            nouveau.ids[static_cast<std::size_t>(i)] = m;
        else if (i >= 7 && i < 11)
            config[i - 7] = m;
        else if (d >= 0 && d < static_cast<int>(nouveau.donnees.size()))
            nouveau.donnees[static_cast<std::size_t>(d)] = static_cast<uint8_t>(m);
        else
            return false;
        return true;
    });
    if (!lu) return false;
    nouveau.config = config[0];
    mem = std::move(nouveau);
    config2_ = stocke_config2(config[1]);
    calib = {config[2], config[3]};
    contenu_remplace();
    return true;
}
