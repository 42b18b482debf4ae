// SPDX-License-Identifier: GPL-2.0-or-later
// The README and the manual name every device of the shipped catalogue: a device added to the
// catalogue fails this test until both name it.
#include "commun/outils.h"

#include "core/catalogue.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

class Composants_documentes : public test::Etat_propre {};

bool alphanumerique(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// nom appears in texte as a whole word: PIC16F84 is not named by PIC16F84A.
bool nomme(const std::string& texte, const std::string& nom) {
    for (std::size_t i = texte.find(nom); i != std::string::npos; i = texte.find(nom, i + 1)) {
        const std::size_t fin = i + nom.size();
        if ((i == 0 || !alphanumerique(texte[i - 1])) &&
            (fin == texte.size() || !alphanumerique(texte[fin])))
            return true;
    }
    return false;
}

TEST_F(Composants_documentes, chaque_composant_du_catalogue_est_nomme) {
    ASSERT_TRUE(test::lit_catalogue_livre());
    ASSERT_FALSE(tab_pic.empty());
    for (const char* fichier : {"README.md", "man/korval-cli.1"}) {
        const std::string texte = test::lit_fichier(test::fichier_source(fichier));
        ASSERT_FALSE(texte.empty()) << fichier;
        std::string absents;
        for (const Desc_PIC& p : tab_pic)
            if (!nomme(texte, p.nom)) absents += " " + p.nom;
        EXPECT_TRUE(absents.empty()) << fichier << " does not name:" << absents;
    }
}

} // namespace
