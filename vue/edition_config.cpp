// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/edition_config.h"

#include "vue/formats.h"
#include "vue/vue_memoire.h"

#include <cctype>

uint16_t applique_case(uint16_t config, int index, bool cochee, const Fusibles& f) {
    if (index < 0 || index >= NB_CASES_FUSIBLES) return config;
    const uint32_t masque = f.masque[fusible_de_case[index]];
    const bool mettre_a_un = case_active_a_zero(index) ? !cochee : cochee;
    const uint32_t c = mettre_a_un ? (config | masque) : (config & ~masque);
    return static_cast<uint16_t>(c);
}

uint16_t masque_config2(uint32_t valeur, const Fusibles& f2) {
    return normalise_config(static_cast<uint16_t>(valeur & 0x3FFF), f2);
}

std::optional<uint16_t> lit_config2(const std::string& texte, const Fusibles& f2) {
    const std::optional<uint32_t> v = lit_chiffres(texte, 16, 4);
    if (!v) return std::nullopt;
    return masque_config2(*v, f2);
}

uint16_t applique_oscillateur(uint16_t config, const std::string& texte, const Fusibles& f) {
    uint16_t c = config;
    auto bas = [&](uint16_t v) { c = static_cast<uint16_t>((c & ~0x3u) | v); };
    if (texte == "LP")
        bas(0);
    else if (texte == "XT")
        bas(1);
    else if (texte == "HS")
        bas(2);
    else if (texte == "RC")
        bas(3);
    // FOSC2 is bit 2 on most parts, bit 4 on the 16F62xA: wherever the layout puts it.
    const uint32_t fosc2 = f.masque[F_FOSC2];
    if (fosc2 != 0) {
        c = static_cast<uint16_t>(c & ~fosc2);
        auto trois = [&](uint16_t v) {
            bas(v & 0x3u);
            if (v & 0x4u) c = static_cast<uint16_t>(c | fosc2);
        };
        if (texte == "Invalide")
            trois(3);
        else if (texte == "INTRC/GP4")
            trois(4);
        else if (texte == "INTRC/CLKOUT")
            trois(5);
        else if (texte == "EXTRC/GP4")
            trois(6);
        else if (texte == "EXTRC/CLKOUT")
            trois(7);
    }
    return c;
}

std::vector<std::string> liste_oscillateur(const Fusibles& f) {
    if (f.masque[F_FOSC2] != 0)
        return {"LP",        "XT",           "HS",        "Invalide",
                "INTRC/GP4", "INTRC/CLKOUT", "EXTRC/GP4", "EXTRC/CLKOUT"};
    return {"LP", "XT", "HS", "RC"};
}

void lit_ID(const std::string& texte, uint8_t id[4]) {
    std::string t = texte.substr(0, 8);
    if (t.size() % 2 == 1) t += '0';
    const int paires = static_cast<int>(t.size() / 2);
    for (int k = paires - 1; k >= 0; --k) {
        unsigned v = 0;
        int chiffres = 0;
        for (int j = 0; j < 2; ++j) {
            const unsigned char ch =
                static_cast<unsigned char>(t[static_cast<std::size_t>(2 * k + j)]);
            if (!std::isxdigit(ch)) break;
            v = v * 16 +
                static_cast<unsigned>(std::isdigit(ch) ? ch - '0' : std::toupper(ch) - 'A' + 10);
            ++chiffres;
        }
        if (chiffres > 0) id[k] = static_cast<uint8_t>(v);
    }
}
