// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/vue_memoire.h"

#include "hex/hex.h"
#include "vue/formats.h"

namespace {

// Line n of a dump of taille values, par_ligne a line; `valeur(i, buf)` appends value i.
template <class Valeur>
Ligne_vue ligne(int taille, int par_ligne, int n, std::string& tampon, Valeur valeur) {
    const int debut = n * par_ligne;
    tampon = texte_adresse(debut);
    tampon += ": ";
    const int fin = debut + par_ligne < taille ? debut + par_ligne : taille;
    for (int i = debut; i < fin; ++i) {
        valeur(i, tampon);
        tampon += ' ';
    }
    tampon += '\n';
    return {tampon, n % 2 == 1};
}

int taille_programme(const Memoire_PIC& m, int taille_prog) {
    return taille_prog < static_cast<int>(m.prog.size()) ? taille_prog
                                                         : static_cast<int>(m.prog.size());
}

int taille_donnees(const Memoire_PIC& m, int taille_donnee) {
    return taille_donnee < static_cast<int>(m.donnee.size()) ? taille_donnee
                                                             : static_cast<int>(m.donnee.size());
}

template <class Ligne> std::vector<Ligne_vue> toutes(int n, Ligne ligne_n) {
    std::vector<Ligne_vue> resultat;
    resultat.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) resultat.push_back(ligne_n(k));
    return resultat;
}

} // namespace

int octets_par_ligne(int base) {
    if (base == 0) return 16;
    if (base == 2) return 8;
    return 4;
}

std::string texte_adresse(int adresse) {
    return ui2Hex(adresse, adresse > 0xFFFF ? 5u : 4u);
}

int nb_lignes(int taille, int par_ligne) {
    return taille <= 0 ? 0 : (taille + par_ligne - 1) / par_ligne;
}

int nb_lignes_programme(const Memoire_PIC& m, int taille_prog) {
    return nb_lignes(taille_programme(m, taille_prog), MOTS_PAR_LIGNE);
}

int nb_lignes_donnees(const Memoire_PIC& m, int taille_donnee, int base) {
    return nb_lignes(taille_donnees(m, taille_donnee), octets_par_ligne(base));
}

Ligne_vue ligne_programme(const Memoire_PIC& m, int taille_prog, int n) {
    char buf[8];
    std::string tampon;
    return ligne(
        taille_programme(m, taille_prog), MOTS_PAR_LIGNE, n, tampon,
        [&](int i, std::string& t) { t += ui2Hex(m.prog[static_cast<std::size_t>(i)], buf, 4); });
}

Ligne_vue ligne_donnees(const Memoire_PIC& m, int taille_donnee, int base, int n) {
    char buf[12];
    std::string tampon;
    return ligne(taille_donnees(m, taille_donnee), octets_par_ligne(base), n, tampon,
                 [&](int i, std::string& t) {
                     const unsigned v = m.donnee[static_cast<std::size_t>(i)];
                     if (base == 0)
                         t += ui2Hex(static_cast<int>(v), buf, 2);
                     else if (base == 2)
                         t += ui2Dec(v, buf, 3);
                     else
                         t += ui2Bin(v, buf, 8);
                 });
}

std::vector<Ligne_vue> lignes_programme(const Memoire_PIC& m, int taille_prog) {
    return toutes(nb_lignes_programme(m, taille_prog),
                  [&](int n) { return ligne_programme(m, taille_prog, n); });
}

std::vector<Ligne_vue> lignes_donnees(const Memoire_PIC& m, int taille_donnee, int base) {
    return toutes(nb_lignes_donnees(m, taille_donnee, base),
                  [&](int n) { return ligne_donnees(m, taille_donnee, base, n); });
}

std::string texte_lignes(const std::vector<Ligne_vue>& lignes) {
    std::string t;
    for (const Ligne_vue& l : lignes) t += l.texte;
    return t;
}

std::string description_eeprom(const Desc_PIC& p) {
    std::string t = "EEPROM " + p.nom + "\nMemoire : " + std::to_string(p.taille_donnee) +
                    " octets\nPROTOCOLE : ";
    if (const Faits_bus* b = faits_bus(bus_affiche(p))) t += b->protocole;
    return t;
}

const Num_fuse fusible_de_case[NB_CASES_FUSIBLES] = {
    F_CP0, F_CP1,  F_DP,  F_WDTE, F_PWRTE, F_PWRTE_, F_BODEN,
    F_CPD, F_DEB_, F_LVP, F_WRT,  F_RESV,  F_MCLRE,  F_CPC,
};

const char* const libelle_case[NB_CASES_FUSIBLES] = {
    "Protection CP0",
    "Protection CP1",
    "Protection DP",
    "Chien de garde",
    "Power Up Timer",
    "Power Up Timer",
    "BODEN",
    "CPD",
    "Debugger",
    "LVP",
    "WRT",
    "RESV",
    "MCLRE",
    "CPC",
};

bool case_active_a_zero(int index) {
    switch (fusible_de_case[index]) {
    case F_CP0:
    case F_CP1:
    case F_DP:
    case F_PWRTE_:
    case F_CPD:
    case F_DEB_:
    case F_CPC:
        return true;
    default:
        return false;
    }
}

std::array<Etat_case, NB_CASES_FUSIBLES> etats_cases(uint16_t config, const Fusibles& f) {
    std::array<Etat_case, NB_CASES_FUSIBLES> etats{};
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        const uint32_t masque = f.masque[fusible_de_case[i]];
        const bool a_un = (config & masque) != 0;
        etats[static_cast<std::size_t>(i)] = {masque != 0, case_active_a_zero(i) ? !a_un : a_un};
    }
    return etats;
}

std::optional<std::string> texte_oscillateur(uint16_t config, const Fusibles& f) {
    // FOSC2 counts 4 wherever the layout puts it (bit 4 on the 16F62xA).
    const uint32_t v = (config & (f.masque[F_FOSC0] | f.masque[F_FOSC1])) |
                       ((config & f.masque[F_FOSC2]) != 0 ? 4u : 0u);
    switch (v) {
    case 0:
        return "LP";
    case 1:
        return "XT";
    case 2:
        return "HS";
    case 3:
        return f.masque[F_FOSC2] != 0 ? "Invalide" : "RC";
    case 4:
        return "INTRC/GP4";
    case 5:
        return "INTRC/CLKOUT";
    case 6:
        return "EXTRC/GP4";
    case 7:
        return "EXTRC/CLKOUT";
    default:
        return std::nullopt;
    }
}

uint16_t normalise_config(uint16_t config, const Fusibles& f) {
    uint32_t c = config;
    if (f.masque[F_ZERO] != 0) c &= ~f.masque[F_ZERO];
    if (f.masque[F_TIRET] != 0) c |= f.masque[F_TIRET];
    return static_cast<uint16_t>(c);
}

std::string texte_ID(const uint8_t id[4]) {
    std::string t;
    char buf[4];
    for (int i = 0; i < 4; ++i) t += ui2Hex(id[i], buf, 2);
    return t;
}

std::vector<std::string> resume_configuration(const Memoire_PIC& m, const Desc_PIC& p) {
    std::vector<std::string> r;
    if (est_eeprom(p)) {
        const std::string d = description_eeprom(p);
        std::size_t debut = 0;
        for (std::size_t fin; (fin = d.find('\n', debut)) != std::string::npos; debut = fin + 1)
            r.push_back(d.substr(debut, fin - debut));
        r.push_back(d.substr(debut));
        return r;
    }
    const Fusibles& f = fusibles_de(p);
    const uint16_t config = normalise_config(m.config, f);
    r.push_back("Configuration : " + ui2Hex(config, 4));
    if (mots_config(p) == 2 && m.config2_definie)
        r.push_back("Configuration 2 : " + ui2Hex(normalise_config(m.config2, fusibles2_de(p)), 4));
    if (auto osc = texte_oscillateur(config, f)) r.push_back("Type d'horloge : " + *osc);
    const auto etats = etats_cases(config, f);
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        const Etat_case& e = etats[static_cast<std::size_t>(i)];
        if (!e.visible) continue;
        std::string nom = libelle_case[i];
        if (fusible_de_case[i] == F_PWRTE_) nom += " (PWRTE/)";
        r.push_back(nom + " : " + (e.cochee ? "oui" : "non"));
    }
    r.push_back("ID : " + texte_ID(m.id));
    return r;
}
