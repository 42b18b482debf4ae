// SPDX-License-Identifier: GPL-2.0-or-later
// The chip kind tables against the shipped catalogue: every device has a kind whose areas match
// its sizes, every kind's operations match its facts, every simulator row names a real device.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "pic/genres.h"
#include "sim/puces/caracteristiques_pic.h"

#include <cstdio>

namespace {

class Genres : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        ASSERT_TRUE(test::lit_catalogue_livre());
        ASSERT_FALSE(tab_pic.empty());
    }
};

TEST_F(Genres, composants_livres_genres_et_lignes_du_simulateur_s_accordent) {
    // Every shipped device: a kind whose areas match its sizes.
    for (const Desc_PIC& p : tab_pic) {
        const Operations_genre* g = operations_genre(p);
        ASSERT_NE(g, nullptr) << p.nom;
        ASSERT_NE(g->faits(), nullptr) << p.nom;
        EXPECT_EQ(g->faits()->programme, p.taille_prog > 0) << p.nom;
        EXPECT_EQ(g->faits()->donnees, p.taille_donnee > 0) << p.nom;
        EXPECT_EQ(est_eeprom(p), g->faits()->bus != Bus_eeprom::aucun) << p.nom;
    }
    // Every kind: one row of operations, present exactly for the areas its facts name.
    ASSERT_EQ(fin_operations_genres() - debut_operations_genres(), fin_genres() - debut_genres());
    for (const Operations_genre* g = debut_operations_genres(); g != fin_operations_genres(); ++g) {
        const int algo = static_cast<int>(g->genre);
        ASSERT_NE(g->faits(), nullptr) << algo;
        EXPECT_EQ(g->faits()->genre, g->genre) << algo;
        const Faits_genre& f = *g->faits();
        EXPECT_EQ(g->charge_programme != nullptr, f.programme) << algo;
        EXPECT_EQ(g->lit_programme != nullptr, f.programme) << algo;
        EXPECT_EQ(g->charge_donnees != nullptr, f.donnees) << algo;
        EXPECT_EQ(g->lit_donnees != nullptr, f.donnees) << algo;
        EXPECT_EQ(g->charge_id_config != nullptr, f.id_config) << algo;
        EXPECT_EQ(g->lit_id_config != nullptr, f.id_config) << algo;
        EXPECT_EQ(g->efface != nullptr, f.effacement) << algo;
        EXPECT_EQ(f.mot_vierge, (1u << f.largeur_mot) - 1) << algo;
    }
    // Every simulator row: a shipped device of the same kind (a misspelt name would silently
    // fall back on the kind's facts and lose its device ID).
    for (const Ligne_caracteristiques& l : lignes_caracteristiques()) {
        const int i = cherche_pic(l.nom);
        ASSERT_GE(i, 0) << l.nom;
        EXPECT_EQ(tab_pic[static_cast<std::size_t>(i)].algo, static_cast<int>(l.genre)) << l.nom;
    }
}

} // namespace
