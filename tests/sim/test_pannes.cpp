// SPDX-License-Identifier: GPL-2.0-or-later
// Fault names.
#include "sim/pannes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// The faults as a list of flags, so that each name can be checked to set exactly one.
std::vector<bool> drapeaux(const Pannes_simulateur& p) {
    return {p.sans_programmateur, p.sans_puce,      p.mauvaise_position, p.puce.cellule_morte,
            p.puce.cellule_lente, p.puce.bit_colle, p.puce.occupee};
}

TEST(Pannes, chaque_nom_pose_sa_seule_panne) {
    const char* attendus[] = {"sans-programmateur", "sans-puce", "cellule-morte",
                              "cellule-lente",      "bit-colle", "occupee",
                              "mauvaise-position"};
    std::set<std::string> listes;
    for (const Desc_panne& d : liste_pannes()) {
        listes.insert(d.nom);
        EXPECT_GT(std::strlen(d.description), 10u) << d.nom;
        EXPECT_EQ(std::strchr(d.description, '\n'), nullptr) << d.nom;
    }
    EXPECT_EQ(listes, std::set<std::string>(std::begin(attendus), std::end(attendus)));

    std::set<std::vector<bool>> vus;
    for (const Desc_panne& d : liste_pannes()) {
        SCOPED_TRACE(d.nom);
        Pannes_simulateur p;
        ASSERT_TRUE(ajoute_panne(d.nom, p));
        std::vector<bool> f = drapeaux(p);
        EXPECT_EQ(std::count(f.begin(), f.end(), true), 1);
        vus.insert(f);
        // A second time changes nothing.
        EXPECT_TRUE(ajoute_panne(d.nom, p));
        EXPECT_EQ(drapeaux(p), f);
    }
    EXPECT_EQ(vus.size(), liste_pannes().size());
}

TEST(Pannes, pannes_cumulees) {
    Pannes_simulateur p;
    ASSERT_TRUE(ajoute_panne("bit-colle", p));
    ASSERT_TRUE(ajoute_panne("mauvaise-position", p));
    EXPECT_TRUE(p.puce.bit_colle);
    EXPECT_TRUE(p.mauvaise_position);
    EXPECT_FALSE(p.puce.occupee);
}

TEST(Pannes, nom_inconnu_refuse_sans_rien_changer) {
    for (const char* nom : {"", "Sans-Puce", "sans_puce", "sans-puce ", "occupée", "panne"}) {
        SCOPED_TRACE(nom);
        Pannes_simulateur p;
        p.puce.cellule_lente = true;
        EXPECT_FALSE(ajoute_panne(nom, p));
        std::vector<bool> attendu = {false, false, false, false, true, false, false};
        EXPECT_EQ(drapeaux(p), attendu);
    }
}

} // namespace
