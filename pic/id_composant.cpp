// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/id_composant.h"

#include "core/catalogue.h"
#include "core/ids_composants.h"

#include <cstdio>

namespace {

std::string texte(const char* format, unsigned lu, const std::string& nom) {
    char t[200];
    std::snprintf(t, sizeof t, format, lu, nom.c_str());
    return t;
}

} // namespace

bool a_id_composant(const Desc_PIC& p) {
    return id_attendu(p.nom) >= 0;
}

int id_attendu(const std::string& nom) {
    return id_du_composant(nom);
}

std::string nom_de_l_id(uint16_t lu) {
    return std::string(composant_de_l_id(lu));
}

std::string ecart_id(const std::string& nom, uint16_t lu) {
    const int attendu = id_attendu(nom);
    lu &= 0x3FFF;
    if (attendu < 0 || (lu & ~masque_revision_id) == attendu) return "";
    if (lu == 0x3FFF || lu == 0x0000)
        return texte("Le composant dans le support ne répond pas (ID %04X) : absent ou protégé, "
                     "pas un %s",
                     lu, nom);
    const std::string autre = nom_de_l_id(lu);
    if (autre.empty())
        return texte("Le composant dans le support a un ID inconnu (%04X), pas celui d'un %s", lu,
                     nom);
    char t[200];
    std::snprintf(t, sizeof t, "Le composant dans le support est un %s (ID %04X), pas un %s",
                  autre.c_str(), lu, nom.c_str());
    return t;
}
