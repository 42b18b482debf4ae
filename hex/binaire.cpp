#include "hex/binaire.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "hex/entree.h"
#include "hex/hex.h"

#include <algorithm>
#include <filesystem>

namespace {

// Configuration word of a read image, as the HEX readers give it (ten one bits).
constexpr uint16_t CONFIG_VIERGE_LECTURE = 0x03FF;

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
    std::unique_ptr<Memoire_PIC> m;
    Entree_fichier f(chemin);
    if (!f.ouverte()) {
        m = std::make_unique<Memoire_PIC>(CONFIG_VIERGE_LECTURE);
        message_erreur("Un problème est survenue \npendant l'ouverture du fichier " + chemin + "\n",
                       0);
        etat.illisible = true;
    } else {
        m = Lire_Binaire(f, &etat);
        if (etat.illisible) {
            message_erreur("Un problème est survenu pendant la lecture du fichier " + chemin, 0);
        } else if (!etat.taille_exacte) {
            std::error_code ec;
            const auto taille = std::filesystem::file_size(chemin, ec);
            if (!ec && taille >= etat.taille) {
                etat.taille = static_cast<std::size_t>(taille);
                etat.taille_exacte = true;
            }
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

void Ecrire_Fichier_Binaire(const std::string& chemin, const Memoire_PIC& m) {
    Ecrire_Fichier(chemin, Texte_Binaire(m));
}
