// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

namespace test {

Enregistreur_messages::Enregistreur_messages() {
    installe_puits_message([this](const std::string& t, int f) { liste.push_back({t, f}); });
}

Enregistreur_messages::~Enregistreur_messages() {
    installe_puits_message({});
}

std::vector<std::string> Enregistreur_messages::textes() const {
    std::vector<std::string> t;
    for (const Message& m : liste) t.push_back(m.texte);
    return t;
}

void choisit_composant(const char* nom, int taille_prog, int taille_donnee, int algo) {
    Desc_PIC p;
    p.nom = nom;
    p.taille_prog = taille_prog;
    p.taille_donnee = taille_donnee;
    p.algo = algo;
    tab_pic.push_back(p);
    pic_select = static_cast<int>(tab_pic.size()) - 1;
}

Repertoire_temp::Repertoire_temp() {
    std::random_device alea;
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        rep = base / ("korval-test-" + std::to_string(alea()));
        if (std::filesystem::create_directory(rep)) break;
    }
}

Repertoire_temp::~Repertoire_temp() {
    std::error_code ec;
    // Directories made read-only by a test must be removable.
    std::filesystem::permissions(rep, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(rep, ec);
}

std::string lit_fichier(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void ecrit_fichier(const std::string& chemin, const std::string& contenu) {
    std::ofstream f(chemin, std::ios::binary);
    f << contenu;
}

std::string repertoire_source() {
    const char* env = std::getenv("KORVAL_SOURCE_DIR");
    return env && *env ? env : KORVAL_SOURCE_DIR;
}

std::string fichier_source(const std::string& relatif) {
    return repertoire_source() + "/" + relatif;
}

std::optional<std::string> lit_catalogue_livre() {
    testing::internal::CaptureStdout();
    const bool ok = lire_catalogue_fichier(fichier_source("data/conf_PICS"));
    std::fflush(stdout);
    std::string sortie = testing::internal::GetCapturedStdout();
    if (!ok) return std::nullopt;
    return sortie;
}

std::string assemble(const std::string& source, const std::string& format,
                     const Repertoire_temp& rep, bool dos) {
    if (std::system("command -v gpasm > /dev/null 2>&1") != 0) {
        ADD_FAILURE() << "gpasm not found: install gputils to run the assembler tests";
        return "";
    }
    const std::string hex = rep.fichier(source + "." + format + ".hex");
    const std::string journal = rep.fichier("gpasm.log");
    const std::string commande = "gpasm -q -a " + format + (dos ? " -n" : "") + " -o '" + hex +
                                 "' '" + fichier_source("tests/fixtures/" + source) + "' > '" +
                                 journal + "' 2>&1";
    if (std::system(commande.c_str()) != 0) {
        ADD_FAILURE() << commande << "\n" << lit_fichier(journal);
        return "";
    }
    return hex;
}

void Etat_propre::SetUp() {
    // The calibration records of the programs and tests go to a directory of the test run, not
    // to the user's own.
    static const std::string donnees =
        (std::filesystem::temp_directory_path() / ("korval-tests-" + std::to_string(::getpid())))
            .string();
    ::setenv("XDG_DATA_HOME", donnees.c_str(), 1);
    // The message sink is left alone: a fixture member may have installed a recorder already.
    remise_a_zero_etat();
    installe_puits_progression({});
    force_repertoire_conf("");
}

void Etat_propre::TearDown() {
    remise_a_zero_etat();
    installe_puits_message({});
    installe_puits_progression({});
    force_repertoire_conf("");
}

} // namespace test
