// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/texte_modification.h"

#include "core/genre_puce.h"
#include "hex/hex.h"
#include "vue/edition_config.h"
#include "vue/formats.h"
#include "vue/vue_memoire.h"

#include <cctype>

namespace {

int chiffre(char c, int base) {
    const unsigned char u = static_cast<unsigned char>(c);
    int v = -1;
    if (std::isdigit(u))
        v = u - '0';
    else if (std::isalpha(u))
        v = std::toupper(u) - 'A' + 10;
    return v >= 0 && v < base ? v : -1;
}

char caractere(const std::string& texte, std::size_t i) {
    return i < texte.size() ? texte[i] : '\0';
}

// Blanks, a sign, "0x" in base 16, then digits as far as they go (wrapping modulo 2^32).
std::optional<uint32_t> lit_nombre(const std::string& texte, int base) {
    std::size_t i = 0;
    while (std::isspace(static_cast<unsigned char>(caractere(texte, i)))) ++i;
    bool negatif = false;
    if (caractere(texte, i) == '+' || caractere(texte, i) == '-') negatif = texte[i++] == '-';
    if (base == 16 && caractere(texte, i) == '0' && (caractere(texte, i + 1) | 0x20) == 'x' &&
        chiffre(caractere(texte, i + 2), 16) >= 0)
        i += 2;
    if (chiffre(caractere(texte, i), base) < 0) return std::nullopt;
    uint32_t v = 0;
    for (int c; (c = chiffre(caractere(texte, i), base)) >= 0; ++i)
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(c);
    return negatif ? 0u - v : v;
}

} // namespace

std::optional<int> lit_adresse_modif(const std::string& texte) {
    if (chiffre(caractere(texte, 0), 16) < 0) return std::nullopt;
    int a = 0;
    for (std::size_t i = 0; i < texte.size() && chiffre(texte[i], 16) >= 0 && a <= 0xFFFFFF; ++i)
        a = a * 16 + chiffre(texte[i], 16);
    return a;
}

std::string texte_valeur_modif(unsigned valeur, int base, bool octet) {
    switch (base) {
    case 0:
        return ui2Hex(static_cast<int>(valeur), octet ? 2 : 4);
    case 2:
        return std::to_string(static_cast<int>(valeur));
    default:
        return ui2Bin(valeur, octet ? 8 : 16);
    }
}

std::optional<uint32_t> lit_valeur_modif(const std::string& texte, int base) {
    if (base == 0) return lit_nombre(texte, 16);
    if (base == 2) return lit_nombre(texte, 10);
    uint32_t v = 0;
    const std::size_t n = texte.size();
    for (std::size_t i = 0; i < n && i < 32; ++i) {
        const int code = static_cast<unsigned char>(texte[n - 1 - i]);
        v |= static_cast<uint32_t>((code - 48) & 1) << i;
    }
    return v;
}

uint16_t mot_programme_modif(uint32_t valeur, int algo) {
    const uint16_t mot = static_cast<uint16_t>(valeur & 0xFFFF);
    if (mot == 0xFFFF) return mot;
    const Faits_genre* g = faits_genre(algo);
    return static_cast<uint16_t>(mot & (g && g->largeur_mot == 12 ? 0x0FFF : 0x3FFF));
}

int mot_config_adresse(const Desc_PIC& p, int adresse) {
    const Faits_genre* g = faits_genre(p);
    if (!g || !g->id_config || adresse < 0) return 0;
    const auto a = static_cast<unsigned>(adresse);
    if (a == adresse_mot_config(p)) return 1;
    return a == adresse_mot_config(p, 2) && mots_config(p) == 2 ? 2 : 0;
}

uint16_t mot_config_modif(uint32_t valeur, const Desc_PIC& p, int n) {
    if (n == 2) return masque_config2(valeur, fusibles2_de(p));
    const uint32_t largeur = coeur_12_bits(p) ? 0x0FFF : 0x3FFF;
    return normalise_config(static_cast<uint16_t>(valeur & largeur), fusibles_de(p));
}
