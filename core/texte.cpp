// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/texte.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <istream>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool blanc(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
} // namespace

std::vector<std::string_view> decoupe_mots(std::string_view ligne) {
    std::vector<std::string_view> mots;
    std::size_t i = 0;
    while (i < ligne.size()) {
        while (i < ligne.size() && blanc(ligne[i])) ++i;
        std::size_t debut = i;
        while (i < ligne.size() && !blanc(ligne[i])) ++i;
        if (i > debut) mots.push_back(ligne.substr(debut, i - debut));
    }
    return mots;
}

std::optional<int> lit_entier(std::string_view mot, int base) {
    std::size_t i = 0;
    bool negatif = false;
    if (i < mot.size() && (mot[i] == '+' || mot[i] == '-')) negatif = mot[i++] == '-';
    if (base == 16 && mot.size() >= i + 2 && mot[i] == '0' &&
        (mot[i + 1] == 'x' || mot[i + 1] == 'X'))
        i += 2;
    // Decimal values must fit an int; hexadecimal ones are 32-bit patterns, as "%x" reads them.
    const unsigned long long limite =
        base == 16 ? 0xFFFFFFFFull : static_cast<unsigned long long>(INT_MAX) + 1;
    unsigned long long valeur = 0;
    bool chiffre = false;
    for (; i < mot.size(); ++i) {
        int c = static_cast<unsigned char>(mot[i]);
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            break;
        chiffre = true;
        valeur = valeur * static_cast<unsigned>(base) + static_cast<unsigned>(v);
        if (valeur > limite) return std::nullopt;
    }
    if (!chiffre) return std::nullopt;
    if (base == 16) {
        uint32_t motif = static_cast<uint32_t>(valeur);
        if (negatif) motif = 0u - motif;
        return static_cast<int>(motif);
    }
    if (!negatif && valeur > static_cast<unsigned long long>(INT_MAX)) return std::nullopt;
    long long signe = negatif ? -static_cast<long long>(valeur) : static_cast<long long>(valeur);
    return static_cast<int>(signe);
}

bool lit_ligne_flux(std::istream& in, std::string& ligne) {
    if (!std::getline(in, ligne)) return false;
    while (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
    return true;
}

std::optional<std::string> lit_fichier_texte(const std::string& chemin) {
    constexpr std::size_t TAILLE_MAX = 4u << 20;
    // Non-blocking open: a FIFO without writer must not hang the start; only a regular file
    // is read.
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > TAILLE_MAX) {
        ::close(fd);
        return std::nullopt;
    }
    std::string texte;
    char bloc[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, bloc, sizeof bloc);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        texte.append(bloc, static_cast<std::size_t>(n));
        if (texte.size() > TAILLE_MAX) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return texte;
}
