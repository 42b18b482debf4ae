// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/zones.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/genre_puce.h"

#include <algorithm>
#include <cstdio>

namespace {

Plage_adresses plage(bool zone, int enable, int deb, int fin, int taille) {
    if (!zone || enable == 0 || taille <= 0) return {};
    return {std::max(deb, 0), std::min(fin, taille - 1)};
}

std::string hexa(unsigned v) {
    char t[16];
    std::snprintf(t, sizeof t, "%X", v);
    return t;
}

// "programme 0 à 3FFH", the area and the addresses the device has.
std::string texte_zone(const char* nom, int taille) {
    return std::string(nom) + " 0 à " + hexa(static_cast<unsigned>(taille - 1)) + "H";
}

} // namespace

Zones_couvertes zones_choisies(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    Zones_couvertes z;
    if (!g) return z;
    const int taille_prog = std::min(p.taille_prog, TAILLE_PROG_MAX);
    const int taille_donnee = std::min(p.taille_donnee, TAILLE_DONNEE_MAX);
    z.programme = plage(g->programme, le_prog_enable, le_prog_deb, le_prog_fin, taille_prog);
    z.donnees = plage(g->donnees, le_data_enable, le_data_deb, le_data_fin, taille_donnee);
    z.ids = g->id_config && le_ID_enable != 0;
    z.config = g->id_config && le_config_enable != 0;
    return z;
}

std::string refus_zones(const Desc_PIC& p) {
    if (!zones_choisies(p).vide()) return "";
    const Faits_genre* g = faits_genre(p);
    std::string a;
    const auto ajoute = [&a](const std::string& t) { a += (a.empty() ? "" : ", ") + t; };
    if (g && g->programme && p.taille_prog > 0) ajoute(texte_zone("programme", p.taille_prog));
    if (g && g->donnees && p.taille_donnee > 0) ajoute(texte_zone("données", p.taille_donnee));
    if (g && g->id_config) ajoute("ID, configuration");
    return "Les zones et plages d'adresses choisies ne couvrent rien sur le " + p.nom +
           (a.empty() ? "" : " (il a : " + a + ")") + " : rien n'a été fait";
}

std::string refus_image(const Memoire_PIC& m, const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    if (!g || g->technologie != Technologie::eprom) return "";
    const Zones_couvertes z = zones_choisies(p);
    const unsigned largeur = static_cast<unsigned>(g->largeur_mot);
    const unsigned masque = (1u << largeur) - 1;
    const std::string fin = " : rien n'a été écrit";
    for (int a = z.programme.debut; a <= z.programme.fin; ++a) {
        const uint16_t w = m.prog[static_cast<std::size_t>(a)];
        if (w != 0xFFFF && (w & ~masque) != 0)
            return "Le mot " + hexa(w) + " à l'adresse " + hexa(static_cast<unsigned>(a)) +
                   "H a plus de " + std::to_string(largeur) + " bits, la largeur des mots du " +
                   p.nom + fin;
    }
    // Algorithm 2 programs and checks the four low bits of an ID (FF: an ID the file does not
    // give, the blank value).
    if (z.ids && g->genre == Genre_puce::eprom_14)
        for (const uint8_t id : m.id)
            if (id > 0x0F && id != 0xFF)
                return "Les ID ne gardent que 4 bits sur ce composant : " + hexa(id) +
                       " ne peut pas être écrit";
    if (z.config && m.config_definie && (m.config & ~masque) != 0)
        return "Le mot de configuration " + hexa(m.config) + " a plus de " +
               std::to_string(largeur) + " bits, la largeur des mots du " + p.nom + fin;
    return "";
}
