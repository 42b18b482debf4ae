// SPDX-License-Identifier: GPL-2.0-or-later
#include "hex/binaire.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "hex/entree.h"
#include "hex/hex.h"

#include <algorithm>
#include <filesystem>

namespace {

// How far a stream longer than the data buffer is counted.
constexpr std::size_t TAILLE_COMPTEE_MAX = std::size_t{1} << 26;

} // namespace

std::unique_ptr<Memoire_PIC> Lire_Binaire(std::istream& flux, Lecture_binaire* bilan) {
    auto m = std::make_unique<Memoire_PIC>(CONFIG_VIERGE_LECTURE);
    Lecture_binaire etat;
    flux.read(reinterpret_cast<char*>(m->donnee.data()),
              static_cast<std::streamsize>(m->donnee.size()));
    etat.taille = static_cast<std::size_t>(flux.gcount());
    if (flux) {
        // The buffer is full: count what follows, up to a bound.
        flux.ignore(static_cast<std::streamsize>(TAILLE_COMPTEE_MAX - etat.taille));
        etat.taille += static_cast<std::size_t>(flux.gcount());
        if (flux && flux.peek() != std::istream::traits_type::eof()) etat.taille_exacte = false;
    }
    etat.illisible = flux.bad();
    m->donnees_lues = etat.taille > 0;
    if (bilan) *bilan = etat;
    return m;
}

std::unique_ptr<Memoire_PIC> Lire_Fichier_Binaire(const std::string& chemin,
                                                  Lecture_binaire* bilan) {
    Lecture_binaire etat;
    auto m =
        lit_chemin(chemin, etat.illisible, [&](std::istream& f) { return Lire_Binaire(f, &etat); });
    if (!etat.illisible && !etat.taille_exacte) {
        std::error_code ec;
        const auto taille = std::filesystem::file_size(chemin, ec);
        if (!ec && taille >= etat.taille) {
            etat.taille = static_cast<std::size_t>(taille);
            etat.taille_exacte = true;
        }
    }
    if (bilan) *bilan = etat;
    return m;
}

std::string Texte_Binaire(const Memoire_PIC& m) {
    const Desc_PIC* p = pic_courant();
    const std::size_t n =
        p ? std::min(static_cast<std::size_t>(std::max(p->taille_donnee, 0)), m.donnee.size()) : 0;
    return std::string(m.donnee.begin(), m.donnee.begin() + static_cast<std::ptrdiff_t>(n));
}
