// Shared by the HEX fuzz targets: a scratch directory and the line splitter.
#pragma once

#include "core/memoire.h"
#include "hex/hex.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz {

// A directory of its own for the round trips, removed at exit.
struct Repertoire {
    std::filesystem::path chemin;
    explicit Repertoire(const char* nom) {
        std::string modele = (std::filesystem::temp_directory_path() / nom).string() + ".XXXXXX";
        if (!::mkdtemp(modele.data())) std::abort();
        chemin = modele;
    }
    ~Repertoire() {
        std::error_code ec;
        std::filesystem::remove_all(chemin, ec);
    }
};

// Feeds every line of texte to the line reader; its result must be -1, 0 or 1.
template <class Lecteur> void lit_lignes(const std::string& texte, Memoire_PIC& m, Lecteur lit) {
    Lecture_hex etat;
    for (std::size_t debut = 0; debut <= texte.size();) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos) fin = texte.size();
        const int r = lit(texte.substr(debut, fin - debut), m, etat);
        if (r < -1 || r > 1) std::abort();
        debut = fin + 1;
    }
}

} // namespace fuzz
