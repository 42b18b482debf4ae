// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/pannes.h"

#include <array>

namespace {

const std::array<Desc_panne, 7> pannes = {{
    {"sans-programmateur", "programmateur absent : DATA_IN ne suit pas la ligne de données"},
    {"sans-puce", "support vide : la ligne de données ne porte que DATA_OUT"},
    {"cellule-morte", "une cellule de la mémoire ne se programme jamais"},
    {"cellule-lente", "une cellule demande de nombreuses impulsions de programmation"},
    {"bit-colle", "un bit de données se lit à 0 dans chaque mot lu"},
    {"occupee", "la puce ne termine jamais son cycle d'écriture"},
    {"mauvaise-position", "puce dans l'autre position du support : elle ne reçoit pas VPP"},
}};

} // namespace

std::span<const Desc_panne> liste_pannes() {
    return pannes;
}

bool ajoute_panne(const std::string& nom, Pannes_simulateur& p) {
    if (nom == "sans-programmateur")
        p.sans_programmateur = true;
    else if (nom == "sans-puce")
        p.sans_puce = true;
    else if (nom == "mauvaise-position")
        p.mauvaise_position = true;
    else if (nom == "cellule-morte")
        p.puce.cellule_morte = true;
    else if (nom == "cellule-lente")
        p.puce.cellule_lente = true;
    else if (nom == "bit-colle")
        p.puce.bit_colle = true;
    else if (nom == "occupee")
        p.puce.occupee = true;
    else
        return false;
    return true;
}
