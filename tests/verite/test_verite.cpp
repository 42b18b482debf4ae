// SPDX-License-Identifier: GPL-2.0-or-later
// The truth checker's runs: a sample in the test suite, the whole plan from scripts/verite
// (KORVAL_VERITE=paires or produit). Every violation is printed with the command that
// reproduces it; the files of its run stay in its directory.
#include "verite.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
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

TEST(Verite, chaque_execution_respecte_la_puce) {
    const std::string niveau = variable("KORVAL_VERITE", niveau_par_defaut);
    const std::vector<verite::Cas> cas = verite::plan(niveau);
    ASSERT_FALSE(cas.empty()) << "niveau inconnu : " << niveau;
    const fs::path dossier = variable(
        "KORVAL_VERITE_DOSSIER",
        (fs::temp_directory_path() / ("korval-verite-" + std::to_string(::getpid()))).string());
    fs::create_directories(dossier / "donnees");
    ::setenv("XDG_DATA_HOME", (dossier / "donnees").c_str(), 1);
    const int taches = std::max(1, std::stoi(variable("KORVAL_VERITE_TACHES", "1")));

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
