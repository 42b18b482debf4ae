// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/cablage_adaptateur.h"

#include "core/etat.h"
#include "core/messages.h"

#include <charconv>

namespace {

constexpr Cablage_adaptateur cablage(std::array<int, NB_LIGNES> broches) {
    Cablage_adaptateur c;
    for (std::size_t i = 0; i < NB_LIGNES; ++i) c.lignes[i].broche = broches[i];
    return c;
}

} // namespace

// Lines in pair order: DATA_OUT, DATA_IN, CLK, VCC, VPP1, VPP2, SELECT, DATA_93.
const Cablage_adaptateur cablage_ftdi_defaut = cablage({0, 7, 1, 2, 3, 4, 6, 5});
const Cablage_adaptateur cablage_gpio_defaut = cablage({23, 25, 24, 4, 5, 6, 22, 27});

bool niveau_broche(uint8_t registre, const Cablage_adaptateur& c, Num_ligne ligne) {
    const uint8_t m = c_u.l[ligne].masque;
    const bool haut = m != 0 && (registre & m) == m;
    return haut != c.lignes[ligne].inverse;
}

uint8_t broches_ftdi(uint8_t registre, const Cablage_adaptateur& c) {
    uint8_t b = 0;
    for (int l = 0; l < NB_LIGNES; ++l) {
        const int p = c.lignes[static_cast<std::size_t>(l)].broche;
        if (l == L_DATA_IN || p < 0 || p > 7) continue;
        if (niveau_broche(registre, c, static_cast<Num_ligne>(l)))
            b = static_cast<uint8_t>(b | 1u << p);
    }
    return b;
}

uint8_t etat_pour_entree(bool niveau, const Cablage_adaptateur& c) {
    const bool haut = niveau != c.lignes[L_DATA_IN].inverse;
    return haut ? 0xFF : static_cast<uint8_t>(0xFF & ~c_u.l[L_DATA_IN].masque);
}

bool lit_broche(const std::string& texte, bool ftdi, Broche_adaptateur& b) {
    b = {};
    std::size_t i = texte.starts_with('~') ? 1 : 0;
    if (ftdi) {
        if (i >= texte.size() || (texte[i] != 'D' && texte[i] != 'd')) return false;
        ++i;
    }
    int n = -1;
    const char* fin = texte.data() + texte.size();
    const auto [p, e] = std::from_chars(texte.data() + i, fin, n);
    if (i >= texte.size() || e != std::errc{} || p != fin || n < 0 || n > (ftdi ? 7 : 1023))
        return false;
    b = {n, i > (ftdi ? 1u : 0u)};
    return true;
}

std::string texte_broche(const Broche_adaptateur& b, bool ftdi) {
    if (b.broche < 0) return "";
    return std::string(b.inverse ? "~" : "") + (ftdi ? "D" : "") + std::to_string(b.broche);
}

bool cablage_des_reglages(bool ftdi, Cablage_adaptateur& c) {
    c = ftdi ? cablage_ftdi_defaut : cablage_gpio_defaut;
    for (int i = 0; i < NB_LIGNES; ++i) {
        const std::string& t = broches_conf[i];
        if (t.empty()) continue;
        if (!lit_broche(t, ftdi, c.lignes[static_cast<std::size_t>(i)])) {
            message_erreur(std::string("Réglage _") + noms_lignes[i] + "_BROCHE : « " + t +
                               " » n'est pas une broche de l'adaptateur " +
                               (ftdi ? "ftdi (D0 à D7" : "gpio (numéro de ligne") +
                               ", ~ devant pour inverser)",
                           0);
            return false;
        }
    }
    return true;
}
