// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/puces/puce_pic.h"

#include <algorithm>

namespace {

constexpr std::size_t journal_max = 10000;

// Configuration space of the flash parts: IDs from 0x2000, device ID, configuration word.
constexpr int debut_config = 0x2000;
constexpr int adresse_id_composant = 0x2006;
// Byte addresses of the state file for the second configuration word and the calibration words
// of the configuration space.
constexpr int adresse_config2_etat = 0x4010;
constexpr int adresse_calibration_etat = 0x4020;
constexpr int adresse_config = 0x2007;

uint64_t melange(uint64_t x) { // splitmix64 finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t graine_du_nom(const std::string& nom) { // FNV-1a
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : nom) h = (h ^ c) * 0x100000001B3ull;
    return h ? h : 1;
}

} // namespace

const char* nom_violation(Genre_violation g) {
    switch (g) {
    case Genre_violation::entree_refusee:
        return "entrée en programmation refusée";
    case Genre_violation::commande_pendant_cycle:
        return "commande pendant un cycle d'écriture";
    case Genre_violation::cycle_interrompu:
        return "cycle d'écriture interrompu";
    case Genre_violation::commande_inconnue:
        return "commande inconnue";
    case Genre_violation::ecriture_interdite:
        return "écriture d'un emplacement interdit";
    case Genre_violation::impulsion_longue:
        return "impulsion de programmation trop longue";
    case Genre_violation::tension_excessive:
        return "tension de programmation excessive (puce détruite)";
    }
    return "?";
}

const char* nom_violations(Genre_violation g) {
    switch (g) {
    case Genre_violation::entree_refusee:
        return "entrées en programmation refusées";
    case Genre_violation::commande_pendant_cycle:
        return "commandes pendant un cycle d'écriture";
    case Genre_violation::cycle_interrompu:
        return "cycles d'écriture interrompus";
    case Genre_violation::commande_inconnue:
        return "commandes inconnues";
    case Genre_violation::ecriture_interdite:
        return "écritures d'un emplacement interdit";
    case Genre_violation::impulsion_longue:
        return "impulsions de programmation trop longues";
    case Genre_violation::tension_excessive:
        return "tensions de programmation excessives (puce détruite)";
    }
    return "?";
}

Puce_pic::Puce_pic(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o)
    : desc(d), carac(caracteristiques_pic(d)), pannes_(p), options(o),
      graine_(o.graine ? o.graine : graine_du_nom(d.nom)), largeur_(largeur_mot(d)) {
    if (d.famille >= 0 && d.famille < NB_FAMILLES) {
        const Fusibles& f = tab_fuses[static_cast<std::size_t>(d.famille)];
        masque_un = static_cast<uint16_t>(f.masque[F_TIRET]);
        masque_zero = static_cast<uint16_t>(f.masque[F_ZERO]);
        masque_cp0 = static_cast<uint16_t>(f.masque[F_CP0]);
        masque_cp1 = static_cast<uint16_t>(f.masque[F_CP1]);
        masque_cpd = static_cast<uint16_t>(f.masque[F_CPD]);
    }
    if (d.osc_cal && d.taille_prog > 0) {
        // MOVLW k on the 12-bit core, RETLW k on the 14-bit core; k a plausible trim value with
        // its two low bits clear.
        int k = 0x30 + 4 * static_cast<int>(alea(0xCA1) % 32);
        calibration = (largeur_ == 12 ? 0x0C00 : 0x3400) | k;
    }
    met_a_blanc();
}

uint64_t Puce_pic::alea(uint64_t n) const {
    return melange(graine_ ^ melange(n));
}

void Puce_pic::met_a_blanc() {
    mem.programme.assign(static_cast<std::size_t>(std::max(desc.taille_prog, 0)), mot_vierge());
    const Faits_genre* g = faits_genre(desc);
    mem.donnees.assign(
        static_cast<std::size_t>(g && g->donnees ? std::max(desc.taille_donnee, 0) : 0), 0xFF);
    mem.ids.fill(mot_vierge());
    mem.config = config_vierge();
    if (calibration >= 0) mem.programme.back() = static_cast<uint16_t>(calibration);
}

uint16_t Puce_pic::normalise_config(uint16_t v) const {
    return static_cast<uint16_t>((v | masque_un) & ~masque_zero & masque_mot());
}

int Puce_pic::mot_id_composant() const {
    if (carac.id_composant < 0) return -1;
    if (carac.revision >= 0) return carac.id_composant | carac.revision;
    return carac.id_composant | static_cast<int>(1 + alea(0x2006) % 31);
}

// CP fields are active low; a field copied on several bits is on when any copy is 0. Pair
// CP1:CP0 = 00 protects everything; 01 the upper 3/4 (the upper half on 16F87x), 10 the upper
// half (the upper 256 words on 16F87x). On small parts the regions start at 0x200 and 0x400 at
// least (gputils headers), so 10 protects nothing on a 1K part. The calibration word is never
// protected.
bool Puce_pic::programme_protege(int mot) const {
    if (calibration >= 0 && mot == desc.taille_prog - 1) return false;
    if (masque_cp0 == 0) return false;
    bool cp0_libre = (mem.config & masque_cp0) == masque_cp0;
    if (masque_cp1 == 0) return !cp0_libre;
    bool cp1_libre = (mem.config & masque_cp1) == masque_cp1;
    if (cp0_libre && cp1_libre) return false;
    if (!cp0_libre && !cp1_libre) return true;
    int n = desc.taille_prog;
    bool f87x = carac.variante == Variante_flash::pic16f87x;
    if (cp0_libre) return mot >= (f87x ? n / 2 : std::max(n / 4, 0x200));
    return mot >= (f87x ? n - 256 : std::max(n / 2, 0x400));
}

bool Puce_pic::donnees_protegees() const {
    if (masque_cpd) return (mem.config & masque_cpd) != masque_cpd;
    // 16C84/16F8x: CP protects the data EEPROM too.
    return masque_cp0 && (mem.config & masque_cp0) != masque_cp0;
}

void Puce_pic::signale(Genre_violation g, int64_t t, int code) {
    ++total_violations;
    if (journal.size() < journal_max) journal.push_back({g, t, pc, code});
}

int Puce_pic::nombre_violations(Genre_violation g) const {
    return static_cast<int>(std::count_if(journal.begin(), journal.end(),
                                          [g](const Violation& v) { return v.genre == g; }));
}

void Puce_pic::efface_violations() {
    journal.clear();
    total_violations = 0;
}

// ---------------------------------------------------------------------------------------------
// Pins

void Puce_pic::passe_en_programmation(int64_t t) {
    mode_ = Mode_puce::programmation;
    t_entree = t;
    phase = Phase_donnees::aucune;
    nb_fronts = 0;
    registre = 0;
    niveau = true;
    entree_programmation(t);
}

void Puce_pic::quitte_programmation(int64_t t) {
    sortie_programmation(t);
    phase = Phase_donnees::aucune;
    nb_fronts = 0;
    registre = 0;
    niveau = true;
}

void Puce_pic::broches(const Broches& b, int64_t t) {
    if (ligne_vcc && !b.vcc) t_coupure_vcc = t;
    ligne_vcc = b.vcc;
    Broches vue = b;
    if (!b.vcc && prec.vcc) {
        const int64_t t_chute = t_coupure_vcc + t_maintien_vdd_ns;
        if (t < t_chute) {
            vue.vcc = true;
        } else {
            Broches avant = prec;
            avant.vcc = false;
            broches_vues(avant, t_chute);
        }
    }
    broches_vues(vue, t);
}

void Puce_pic::broches_vues(const Broches& b, int64_t t) {
    avance(t);
    Broches p = prec;
    prec = b;
    if (b.vpp && !p.vpp) t_montee_vpp = t;

    // Supply first, then VPP, then the clock, as the pins of one port write settle.
    if (!b.vcc) {
        if (mode_ == Mode_puce::programmation) quitte_programmation(t);
        mode_ = Mode_puce::eteinte;
        return;
    }
    if (!p.vcc) {
        mode_ = Mode_puce::execution;
        if (b.vpp && p.vpp) {
            if (carac.vpp_avant_vdd && !b.clk && !b.data && t - t_montee_vpp >= t_ppdp_min_ns)
                passe_en_programmation(t);
            else
                signale(Genre_violation::entree_refusee, t);
            return;
        }
    }
    if (b.vpp != p.vpp) {
        if (b.vpp) {
            if (mode_ == Mode_puce::execution) {
                if (!b.clk && !b.data)
                    passe_en_programmation(t);
                else
                    signale(Genre_violation::entree_refusee, t);
            }
        } else if (mode_ == Mode_puce::programmation) {
            quitte_programmation(t);
            mode_ = Mode_puce::execution;
        }
        return;
    }
    if (mode_ == Mode_puce::programmation && (b.clk != p.clk || b.data != p.data) &&
        t - t_entree < carac.t_entree_ns) {
        // Too soon after the supply edge: the entry does not hold.
        signale(Genre_violation::entree_refusee, t);
        quitte_programmation(t);
        mode_ = Mode_puce::execution;
        return;
    }
    if (mode_ != Mode_puce::programmation || b.clk == p.clk) return;
    if (horloge_refusee(t)) return;
    if (b.clk)
        front_montant();
    else
        front_descendant(t);
}

bool Puce_pic::sortie(int64_t t) {
    avance(t);
    return mode_ != Mode_puce::programmation || niveau;
}

void Puce_pic::front_montant() {
    if (phase != Phase_donnees::lecture || nb_fronts >= 16) return;
    // Start and stop bits are released: a programmer that does not mask them reads 1s there.
    niveau = nb_fronts == 0 || nb_fronts == 15 || ((trame >> (nb_fronts - 1)) & 1u);
    ++nb_fronts;
}

void Puce_pic::front_descendant(int64_t t) {
    switch (phase) {
    case Phase_donnees::lecture:
        if (nb_fronts >= 16) {
            niveau = true;
            phase = Phase_donnees::aucune;
            nb_fronts = 0;
        }
        return;
    case Phase_donnees::chargement:
        registre |= static_cast<uint32_t>(prec.data) << nb_fronts;
        if (++nb_fronts == 16) {
            phase = Phase_donnees::aucune;
            nb_fronts = 0;
            uint16_t v = static_cast<uint16_t>((registre >> 1) & 0x3FFF);
            registre = 0;
            charge(code_charge, v, t);
        }
        return;
    case Phase_donnees::aucune:
        registre |= static_cast<uint32_t>(prec.data) << nb_fronts;
        if (++nb_fronts < 6) return;
        int code = static_cast<int>(registre & (carac.commande_6_bits ? 0x3Fu : 0x0Fu));
        nb_fronts = 0;
        registre = 0;
        Suite_commande s = commande(code, t);
        phase = s.phase;
        if (s.phase == Phase_donnees::chargement) code_charge = code;
        if (s.phase == Phase_donnees::lecture) {
            trame = s.valeur;
            if (pannes_.bit_colle) trame = static_cast<uint16_t>(trame & ~(1u << bit_panne));
        }
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// State file: Intel HEX in the chip's layout, every word whole.

namespace {

void ajoute_enregistrement(std::string& s, int adresse, const std::vector<uint8_t>& octets) {
    static const char chiffres[] = "0123456789ABCDEF";
    auto octet = [&](unsigned v) {
        s += chiffres[(v >> 4) & 0xF];
        s += chiffres[v & 0xF];
    };
    unsigned somme = static_cast<unsigned>(octets.size()) + (static_cast<unsigned>(adresse) >> 8) +
                     (static_cast<unsigned>(adresse) & 0xFF);
    s += ':';
    octet(static_cast<unsigned>(octets.size()));
    octet(static_cast<unsigned>(adresse) >> 8);
    octet(static_cast<unsigned>(adresse) & 0xFF);
    octet(0);
    for (uint8_t o : octets) {
        octet(o);
        somme += o;
    }
    octet((0x100 - (somme & 0xFF)) & 0xFF);
    s += "\r\n";
}

void ajoute_mots(std::string& s, int adresse, const uint16_t* mots, std::size_t n) {
    std::vector<uint8_t> octets;
    for (std::size_t i = 0; i < n; ++i) {
        octets.push_back(static_cast<uint8_t>(mots[i] & 0xFF));
        octets.push_back(static_cast<uint8_t>(mots[i] >> 8));
    }
    ajoute_enregistrement(s, adresse, octets);
}

int valeur_hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

struct Enregistrement {
    int type = 0;
    int adresse = 0;
    std::vector<uint8_t> octets;
};

// One record line; false when malformed or its checksum is wrong.
bool lit_enregistrement(const std::string& ligne, Enregistrement& e) {
    if (ligne.size() < 11 || ligne[0] != ':' || (ligne.size() - 1) % 2) return false;
    std::vector<uint8_t> o;
    for (std::size_t i = 1; i < ligne.size(); i += 2) {
        int h = valeur_hex(ligne[i]), l = valeur_hex(ligne[i + 1]);
        if (h < 0 || l < 0) return false;
        o.push_back(static_cast<uint8_t>(h * 16 + l));
    }
    unsigned somme = 0;
    for (uint8_t x : o) somme += x;
    if ((somme & 0xFF) != 0 || o.size() != static_cast<std::size_t>(o[0]) + 5) return false;
    e.adresse = o[1] * 256 + o[2];
    e.type = o[3];
    e.octets.assign(o.begin() + 4, o.end() - 1);
    return true;
}

} // namespace

void ajoute_mots_etat(std::string& s, int adresse, const uint16_t* mots, std::size_t n) {
    ajoute_mots(s, adresse, mots, n);
}

bool parcourt_etat(const std::string& texte, const std::string& nom,
                   const std::function<bool(int adresse, uint16_t mot)>& mot) {
    bool entete = false;
    int haut = 0;
    std::size_t debut = 0;
    while (debut < texte.size()) {
        std::size_t nl = texte.find('\n', debut);
        if (nl == std::string::npos) nl = texte.size();
        std::string ligne = texte.substr(debut, nl - debut);
        debut = nl + 1;
        if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
        if (!entete) {
            if (ligne != "; puce " + nom) return false;
            entete = true;
            continue;
        }
        if (ligne.empty() || ligne[0] == ';') continue;
        Enregistrement e;
        if (!lit_enregistrement(ligne, e)) return false;
        if (e.type == 1) return true;
        if (e.type == 4 && e.octets.size() == 2) {
            haut = e.octets[0] << 8 | e.octets[1];
            continue;
        }
        if (e.type != 0 || e.adresse % 2 || e.octets.size() % 2) return false;
        for (std::size_t j = 0; j < e.octets.size(); j += 2)
            if (!mot((haut << 16) + e.adresse + static_cast<int>(j),
                     static_cast<uint16_t>(e.octets[j] | e.octets[j + 1] << 8)))
                return false;
    }
    return false;
}

int Puce_pic::adresse_id_hex() const {
    return largeur_ == 12 ? 2 * desc.taille_prog : 0x4000;
}
int Puce_pic::adresse_config_hex() const {
    return largeur_ == 12 ? 0x1FFE : 0x400E;
}

std::string Puce_pic::etat_hex() const {
    std::string s = "; puce " + desc.nom + "\r\n";
    for (std::size_t i = 0; i < mem.programme.size(); i += 8)
        ajoute_mots(s, static_cast<int>(2 * i), &mem.programme[i],
                    std::min<std::size_t>(8, mem.programme.size() - i));
    ajoute_mots(s, adresse_id_hex(), mem.ids.data(), mem.ids.size());
    ajoute_mots(s, adresse_config_hex(), &mem.config, 1);
    // The second configuration word and the calibration words of the configuration space, on
    // the parts that have them (this file's own addresses for the latter).
    if (largeur_ == 14 && mem.config2 != 0x3FFF)
        ajoute_mots(s, adresse_config2_etat, &mem.config2, 1);
    if (largeur_ == 14 && mem.calibration_config != Contenu_pic{}.calibration_config)
        ajoute_mots(s, adresse_calibration_etat, mem.calibration_config.data(),
                    mem.calibration_config.size());
    for (std::size_t i = 0; i < mem.donnees.size(); i += 8) {
        std::vector<uint16_t> mots;
        for (std::size_t j = i; j < std::min(i + 8, mem.donnees.size()); ++j)
            mots.push_back(mem.donnees[j]);
        ajoute_mots(s, static_cast<int>(0x4200 + 2 * i), mots.data(), mots.size());
    }
    s += ":00000001FF\r\n";
    return s;
}

bool Puce_pic::charge_etat_hex(const std::string& texte) {
    Contenu_pic nouveau = mem;
    // Start from a blank chip with its factory calibration.
    std::fill(nouveau.programme.begin(), nouveau.programme.end(), mot_vierge());
    if (calibration >= 0) nouveau.programme.back() = static_cast<uint16_t>(calibration);
    std::fill(nouveau.donnees.begin(), nouveau.donnees.end(), uint8_t{0xFF});
    nouveau.ids.fill(mot_vierge());
    nouveau.config = config_vierge();

    const bool lu = parcourt_etat(texte, desc.nom, [&](int a, uint16_t mot) {
        const auto m = static_cast<uint16_t>(mot & masque_mot());
        const int id = (a - adresse_id_hex()) / 2;
        const int donnee = (a - 0x4200) / 2;
        if (a < 2 * desc.taille_prog)
            nouveau.programme[static_cast<std::size_t>(a / 2)] = m;
        else if (a >= adresse_id_hex() && id < 4)
            nouveau.ids[static_cast<std::size_t>(id)] = m;
        else if (a == adresse_config_hex())
            nouveau.config = normalise_config(mot);
        else if (largeur_ == 14 && a == adresse_config2_etat)
            nouveau.config2 = m;
        else if (largeur_ == 14 && a >= adresse_calibration_etat &&
                 a < adresse_calibration_etat + 4)
            nouveau
                .calibration_config[static_cast<std::size_t>((a - adresse_calibration_etat) / 2)] =
                m;
        else if (largeur_ == 14 && a >= 0x4200 && donnee < static_cast<int>(nouveau.donnees.size()))
            nouveau.donnees[static_cast<std::size_t>(donnee)] = static_cast<uint8_t>(mot);
        else
            return false;
        return true;
    });
    if (!lu) return false;
    mem = std::move(nouveau);
    contenu_remplace();
    return true;
}

Puce_pic::Cible_flash Puce_pic::cible_flash(bool donnee, int64_t t) {
    Cible_flash c;
    if (donnee) {
        if (mem.donnees.empty()) {
            signale(Genre_violation::ecriture_interdite, t);
        } else if (!donnees_protegees()) {
            c.zone = Zone_flash::donnee;
            c.index = pc & static_cast<int>(mem.donnees.size() - 1);
        }
    } else if (pc < debut_config) {
        const int a = pc & (desc.taille_prog - 1);
        if (!programme_protege(a)) {
            c.zone = Zone_flash::programme;
            c.index = a;
        }
    } else if (pc < debut_config + 4) {
        c.zone = Zone_flash::id;
        c.index = pc - debut_config;
    } else if (pc == adresse_config) {
        c.zone = Zone_flash::config;
    } else {
        signale(Genre_violation::ecriture_interdite, t); // reserved, device ID, unimplemented
    }
    return c;
}

bool Puce_pic::charge_flash(int code, uint16_t valeur, Latch_donnee_flash& l) {
    if (code == 3) {
        l.octet = static_cast<uint8_t>(valeur & 0xFF);
        l.dernier = true;
        return false;
    }
    if (code == 0) pc = debut_config;
    l.dernier = false;
    return true;
}

uint16_t Puce_pic::lit_programme_flash() const {
    if (pc < debut_config) {
        const int a = pc & (desc.taille_prog - 1); // aliases onto implemented memory
        return programme_protege(a) ? 0 : mem.programme[static_cast<std::size_t>(a)];
    }
    if (pc < debut_config + 4) return mem.ids[static_cast<std::size_t>(pc - debut_config)];
    if (pc == adresse_id_composant && mot_id_composant() >= 0)
        return static_cast<uint16_t>(mot_id_composant());
    if (pc == adresse_config) return mem.config;
    return 0x3FFF; // reserved, no device ID, unimplemented
}

uint16_t Puce_pic::lit_donnee_flash() const {
    if (mem.donnees.empty() || donnees_protegees()) return 0;
    return mem.donnees[static_cast<std::size_t>(pc) & (mem.donnees.size() - 1)];
}

bool Puce_pic::commande_flash(int code, Suite_commande& s) {
    switch (code) {
    case 0:
    case 2:
    case 3:
        s = {Phase_donnees::chargement, 0};
        return true;
    case 4:
        s = {Phase_donnees::lecture, lit_programme_flash()};
        return true;
    case 5:
        s = {Phase_donnees::lecture, lit_donnee_flash()};
        return true;
    case 6:
        pc = pc < debut_config ? (pc + 1) & 0x1FFF : debut_config | ((pc + 1) & 0x1FFF);
        s = {};
        return true;
    default:
        return false;
    }
}
