// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/formats.h"

#include <cctype>
#include <cstdio>
#include <cstring>

char* ui2Bin(unsigned valeur, char* buf, int longueur) {
    valeur &= 0xFFFFu;
    int i = 0;
    for (; i < longueur; ++i) {
        const int bit = longueur - 1 - i;
        buf[i] = (bit < 16 && ((valeur >> bit) & 1u)) ? '1' : '0';
    }
    buf[i > 0 ? i : 0] = '\0';
    return buf;
}

std::string ui2Bin(unsigned valeur, int longueur) {
    if (longueur <= 0) return {};
    std::string s(static_cast<std::size_t>(longueur) + 1, '\0');
    ui2Bin(valeur, s.data(), longueur);
    s.pop_back();
    return s;
}

char* ui2Dec(unsigned valeur, char* buf, unsigned longueur) {
    char chiffres[8];
    const int n = std::snprintf(chiffres, sizeof chiffres, "%u", valeur & 0xFFFFu);
    const unsigned nb = static_cast<unsigned>(n);
    if (nb > longueur) {
        buf[0] = '\0';
        return buf;
    }
    std::memset(buf, '0', longueur - nb);
    std::memcpy(buf + (longueur - nb), chiffres, nb + 1);
    return buf;
}

std::string ui2Dec(unsigned valeur, unsigned longueur) {
    std::string s(static_cast<std::size_t>(longueur) + 1, '\0');
    ui2Dec(valeur, s.data(), longueur);
    s.resize(std::strlen(s.c_str()));
    return s;
}

std::optional<uint32_t> lit_chiffres(const std::string& texte, int base, std::size_t chiffres_max) {
    const std::size_t debut = texte.find_first_not_of(" \t");
    if (debut == std::string::npos) return std::nullopt;
    const std::size_t fin = texte.find_last_not_of(" \t") + 1;
    if (fin - debut > chiffres_max) return std::nullopt;
    uint32_t v = 0;
    for (std::size_t i = debut; i < fin; ++i) {
        const int ch = std::toupper(static_cast<unsigned char>(texte[i]));
        const int chiffre = std::isdigit(ch) ? ch - '0' : std::isxdigit(ch) ? ch - 'A' + 10 : -1;
        if (chiffre < 0 || chiffre >= base) return std::nullopt;
        v = v * static_cast<uint32_t>(base) + static_cast<uint32_t>(chiffre);
    }
    return v;
}
