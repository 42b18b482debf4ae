// SPDX-License-Identifier: GPL-2.0-or-later
// The shipped catalogue, the chip-kind table and the device-ID table against the data-sheet facts
// of tests/commun/fiches_techniques.h.
#include "commun/fiches_techniques.h"
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/genre_puce.h"
#include "core/ids_composants.h"

namespace {

class Fiches_techniques : public test::Etat_propre {};

TEST_F(Fiches_techniques, catalogue_genres_et_ids_composants) {
    ASSERT_TRUE(lire_catalogue_fichier(test::fichier_source("data/conf_PICS")));
    for (const fiches::Fiche_composant& f : fiches::composants) {
        SCOPED_TRACE(std::string(f.nom) + " (" + f.document + ")");
        const int i = cherche_pic(f.nom);
        ASSERT_GE(i, 0);
        const Desc_PIC& p = tab_pic[static_cast<std::size_t>(i)];
        EXPECT_EQ(p.algo, f.algo);
        EXPECT_EQ(p.taille_prog, f.taille_prog);
        EXPECT_EQ(p.taille_donnee, f.taille_donnee);
        EXPECT_EQ(p.osc_cal != 0, f.adresse_calibration >= 0);
        if (f.adresse_calibration >= 0) {
            EXPECT_EQ(f.adresse_calibration, p.taille_prog - 1);
        }
        EXPECT_EQ(id_du_composant(f.nom), f.id_composant);

        ASSERT_GE(p.famille, 0);
        ASSERT_LT(p.famille, NB_FAMILLES);
        const Fusibles& fu = tab_fuses[static_cast<std::size_t>(p.famille)];
        const uint32_t non_implementes = fu.masque[F_ZERO] | fu.masque[F_TIRET];
        EXPECT_EQ(0x3FFF & ~non_implementes, f.config_implementes);
        EXPECT_EQ(fu.masque[F_ZERO], f.config_zero) << "unimplemented bits that read 0";
        EXPECT_EQ(fu.masque[F_CP0] | fu.masque[F_CP1] | fu.masque[F_CPD] | fu.masque[F_WRT],
                  f.protections);

        const Faits_genre* g = faits_genre(p);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->config_gardee, f.config_usine);
        EXPECT_EQ(g->mots_calibration > 0 ? static_cast<int>(g->adresse_calibration) : -1,
                  f.calibration_config);
    }
    // Every catalogue device of a family the facts cover has its row.
    for (const Desc_PIC& p : tab_pic) {
        if (!fiches::famille(p.algo)) continue;
        bool present = false;
        for (const fiches::Fiche_composant& f : fiches::composants) present |= p.nom == f.nom;
        EXPECT_TRUE(present) << p.nom << " has no data-sheet row";
    }
}

} // namespace
