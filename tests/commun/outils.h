// SPDX-License-Identifier: GPL-2.0-or-later
// Test helpers shared by every layer's tests.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test {

struct Message {
    std::string texte;
    int fin;
};

// Records every message_erreur while alive; restores the default sink afterwards.
class Enregistreur_messages {
  public:
    Enregistreur_messages();
    ~Enregistreur_messages();
    const std::vector<Message>& messages() const { return liste; }
    std::vector<std::string> textes() const;
    void vide() { liste.clear(); }

  private:
    std::vector<Message> liste;
};

// A fresh temporary directory removed at the end of its scope.
class Repertoire_temp {
  public:
    Repertoire_temp();
    ~Repertoire_temp();
    const std::filesystem::path& chemin() const { return rep; }
    std::string fichier(const std::string& nom) const { return (rep / nom).string(); }

  private:
    std::filesystem::path rep;
};

std::string lit_fichier(const std::string& chemin);
void ecrit_fichier(const std::string& chemin, const std::string& contenu);

// Shipped data and sources: the data/ directory and the source tree.
std::string repertoire_source();
std::string fichier_source(const std::string& relatif);
// Reads the shipped catalogue (data/conf_PICS); what the reader printed on standard output,
// or nothing when it could not be read.
std::optional<std::string> lit_catalogue_livre();

// Assembles tests/fixtures/source with gpasm into rep (format inhx8m or inhx32, CR LF lines when
// dos); the path of the .hex, or "" after recording a test failure (gpasm missing or failing).
std::string assemble(const std::string& source, const std::string& format,
                     const Repertoire_temp& rep, bool dos = false);

// Appends a device to the catalogue and selects it.
void choisit_composant(const char* nom, int taille_prog, int taille_donnee, int algo);

// Base fixture: global state back to its start values before and after each test.
class Etat_propre : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace test
