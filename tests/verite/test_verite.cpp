// SPDX-License-Identifier: GPL-2.0-or-later
// The truth checker's runs: a sample in the test suite, the whole plan from scripts/verite
// (KORVAL_VERITE=paires or produit). Every violation is printed with the command that
// reproduces it; the files of its run stay in its directory.
#include "verite.h"

#include "core/genre_puce.h"
#include "sim/pannes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr const char* niveau_par_defaut = "reduit";
#else
constexpr const char* niveau_par_defaut = "echantillon";
#endif

std::string variable(const char* nom, const std::string& defaut) {
    const char* v = std::getenv(nom);
    return v && *v ? v : defaut;
}

// The samples of the test suite reach every device, fault, command, option set and image.
TEST(Verite, les_echantillons_couvrent_chaque_valeur) {
    const std::size_t nb_composants = verite::composants().size();
    for (const char* niveau : {"echantillon", "reduit"}) {
        std::set<int> composants, pannes, commandes, options, images;
        for (const verite::Cas& c : verite::plan(niveau)) {
            composants.insert(c.composant);
            pannes.insert(c.panne);
            commandes.insert(static_cast<int>(c.commande));
            options.insert(c.options);
            images.insert(c.image);
        }
        EXPECT_EQ(composants.size(), nb_composants) << niveau;
        EXPECT_EQ(pannes.size(), liste_pannes().size() + 1) << niveau;
        EXPECT_EQ(commandes.size(), verite::noms_commandes.size()) << niveau;
        EXPECT_EQ(options.size(), verite::lignes_options().size()) << niveau;
        EXPECT_EQ(images.size(), verite::lignes_images().size()) << niveau;
    }
    // Every kind of the table that the catalogue has a device of.
    std::set<const Faits_genre*> genres;
    for (const verite::Composant& c : verite::composants()) genres.insert(faits_genre(c.desc));
    for (const Faits_genre* g = debut_genres(); g != fin_genres(); ++g)
        EXPECT_TRUE(genres.count(g)) << g->nom;
}

TEST(Verite, chaque_execution_respecte_la_puce) {
    const std::string niveau = variable("KORVAL_VERITE", niveau_par_defaut);
    const std::vector<verite::Cas> cas = verite::plan(niveau);
    ASSERT_FALSE(cas.empty()) << "niveau inconnu : " << niveau;
    const fs::path dossier = variable(
        "KORVAL_VERITE_DOSSIER",
        (fs::temp_directory_path() / ("korval-verite-" + std::to_string(::getpid()))).string());
    fs::create_directories(dossier / "donnees");
    ::setenv("XDG_DATA_HOME", (dossier / "donnees").c_str(), 1);
    const int taches = std::max(1, std::stoi(variable("KORVAL_VERITE_TACHES", "2")));

    std::mutex verrou;
    std::atomic<std::size_t> suivant{0};
    std::vector<std::vector<verite::Violation>> trouvees(cas.size());
    auto travail = [&] {
        for (std::size_t k; (k = suivant++) < cas.size();) {
            const std::string d = (dossier / std::to_string(k)).string();
            const verite::Resultat r = verite::execute(cas[k], d, KORVAL_CLI);
            if (r.violations.empty()) fs::remove_all(d);
            std::lock_guard<std::mutex> l(verrou);
            trouvees[k] = r.violations;
        }
    };
    std::vector<std::thread> fils;
    for (int t = 0; t < taches; ++t) fils.emplace_back(travail);
    for (std::thread& f : fils) f.join();

    std::map<std::string, int> par_invariant;
    std::size_t total = 0;
    std::string liste;
    for (std::size_t k = 0; k < cas.size(); ++k)
        for (const verite::Violation& v : trouvees[k]) {
            ++par_invariant[v.invariant];
            ++total;
            liste += v.invariant + " " + verite::decrit(cas[k]) + " : " + v.texte + "\n    " +
                     v.reproduction + "\n";
        }
    std::cout << "Vérité (" << niveau << ") : " << cas.size() << " exécutions, " << total
              << " violations\n";
    for (const char* i : {"I1", "I2", "I3", "I4", "I5", "I6", "I7"})
        std::cout << "  " << i << " : " << par_invariant[i] << "\n";
    std::cout << liste;
    if (total == 0) fs::remove_all(dossier);
    EXPECT_EQ(total, 0u) << "les fichiers des exécutions en cause sont dans " << dossier;
}

} // namespace
