// SPDX-License-Identifier: GPL-2.0-or-later
#include "fichiers_verite.h"

#include "core/genre_puce.h"

#include <cstdio>
#include <map>

using verite::Composant;
using verite::Contenu;

namespace {

struct Disposition {
    unsigned id, config, donnees;
};

Disposition disposition(const Composant& c) {
    if (coeur_12_bits(c.desc))
        return {2u * static_cast<unsigned>(c.desc.taille_prog), 0x1FFE, 0xFFFFFFFF};
    const Faits_genre* g = faits_genre(c.desc);
    if (g && g->espace_config == 0x8000) return {0x10000, 0x1000E, 0x1E000};
    return {0x4000, 0x400E, 0x4200};
}

void mot(std::map<unsigned, int>& octets, unsigned adresse, int v) {
    octets[adresse] = v & 0xFF;
    octets[adresse + 1] = (v >> 8) & 0xFF;
}

std::string enregistrement(unsigned adresse, unsigned type, const std::vector<int>& o) {
    char t[8];
    unsigned somme = static_cast<unsigned>(o.size()) + (adresse >> 8) + (adresse & 0xFF) + type;
    std::snprintf(t, sizeof t, ":%02X", static_cast<unsigned>(o.size()));
    std::string l = t;
    std::snprintf(t, sizeof t, "%04X%02X", adresse & 0xFFFF, type);
    l += t;
    for (int v : o) {
        std::snprintf(t, sizeof t, "%02X", static_cast<unsigned>(v));
        l += t;
        somme += static_cast<unsigned>(v);
    }
    std::snprintf(t, sizeof t, "%02X\n", (0x100 - (somme & 0xFF)) & 0xFF);
    return l + t;
}

} // namespace

std::string texte_hex(const Composant& c, const Contenu& image) {
    std::map<unsigned, int> octets;
    if (c.pic) {
        const Disposition d = disposition(c);
        for (std::size_t a = 0; a < image.prog.size(); ++a) {
            // Words past a 12-bit part's end skip its ID words.
            const std::size_t p =
                coeur_12_bits(c.desc) && a >= static_cast<std::size_t>(c.desc.taille_prog) ? a + 16
                                                                                           : a;
            if (image.prog[a] >= 0) mot(octets, static_cast<unsigned>(2 * p), image.prog[a]);
        }
        for (unsigned k = 0; k < 4; ++k)
            if (image.ids[k] >= 0) mot(octets, d.id + 2 * k, image.ids[k]);
        if (image.config >= 0) mot(octets, d.config, image.config);
        if (image.config2 >= 0) mot(octets, d.config + 2, image.config2);
        for (std::size_t a = 0; a < image.donnees.size(); ++a)
            if (image.donnees[a] >= 0)
                mot(octets, d.donnees + 2 * static_cast<unsigned>(a), image.donnees[a]);
    } else {
        for (std::size_t a = 0; a < image.donnees.size(); ++a)
            if (image.donnees[a] >= 0) octets[static_cast<unsigned>(a)] = image.donnees[a];
    }
    std::string t;
    unsigned haute = 0;
    for (auto i = octets.begin(); i != octets.end();) {
        const unsigned debut = i->first;
        if ((debut >> 16) != haute) {
            haute = debut >> 16;
            t += enregistrement(0, 4,
                                {static_cast<int>(haute >> 8), static_cast<int>(haute & 0xFF)});
        }
        std::vector<int> o;
        for (unsigned a = debut; i != octets.end() && i->first == a && o.size() < 16 &&
                                 (a >> 16) == haute && (a == debut || a % 16 != 0);
             ++a, ++i)
            o.push_back(i->second);
        t += enregistrement(debut, 0, o);
    }
    return t + ":00000001FF\n";
}

std::string texte_binaire(const Contenu& image) {
    std::string t;
    for (int v : image.donnees) t += static_cast<char>(v >= 0 ? v : 0xFF);
    while (!t.empty() && static_cast<unsigned char>(t.back()) == 0xFF &&
           image.donnees[t.size() - 1] < 0)
        t.pop_back();
    return t;
}

bool lit_hex(const std::string& texte, const Composant& c, Contenu& lu,
             std::vector<std::string>& hors) {
    std::map<unsigned, int> octets;
    unsigned base = 0;
    std::size_t debut = 0;
    while (debut < texte.size()) {
        std::size_t fin = texte.find('\n', debut);
        if (fin == std::string::npos) fin = texte.size();
        std::string l = texte.substr(debut, fin - debut);
        debut = fin + 1;
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (l.empty()) continue;
        if (l[0] != ':' || l.size() < 11) return false;
        std::vector<unsigned> o;
        for (std::size_t k = 1; k + 1 < l.size(); k += 2)
            o.push_back(static_cast<unsigned>(std::stoul(l.substr(k, 2), nullptr, 16)));
        if (o.size() != o[0] + 5u) return false;
        const unsigned adresse = (o[1] << 8) | o[2];
        if (o[3] == 1) break;
        if (o[3] == 4)
            base = ((o[4] << 8) | o[5]) << 16;
        else if (o[3] == 2)
            base = ((o[4] << 8) | o[5]) << 4;
        else if (o[3] == 0)
            for (unsigned k = 0; k < o[0]; ++k)
                octets[base + adresse + k] = static_cast<int>(o[4 + k]);
    }
    const std::size_t nb_prog =
        static_cast<std::size_t>(c.pic ? std::max(c.desc.taille_prog, 0) : 0);
    const std::size_t nb_donnees = static_cast<std::size_t>(c.a_donnees ? c.desc.taille_donnee : 0);
    lu = {};
    lu.prog.assign(nb_prog, -1);
    lu.donnees.assign(nb_donnees, -1);
    auto signale = [&](unsigned a) {
        char t[32];
        std::snprintf(t, sizeof t, "l'adresse %XH", a);
        if (hors.size() < 3) hors.push_back(t);
    };
    const Disposition d = disposition(c);
    for (auto [a, v] : octets) {
        auto ajoute = [&](int& cible) {
            if (cible < 0) cible = 0;
            cible |= a % 2 ? v << 8 : v;
        };
        if (!c.pic) {
            if (a < nb_donnees)
                lu.donnees[a] = v;
            else
                signale(a);
        } else if (a < 2 * nb_prog) {
            ajoute(lu.prog[a / 2]);
        } else if (a >= d.id && a < d.id + 8) {
            ajoute(lu.ids[(a - d.id) / 2]);
        } else if (a == d.config || a == d.config + 1) {
            ajoute(lu.config);
        } else if ((a == d.config + 2 || a == d.config + 3) && mots_config(c.desc) == 2) {
            // The second configuration word: in the chip, not judged here.
        } else if (a >= d.donnees && (a - d.donnees) / 2 < nb_donnees) {
            if (a % 2 == 0)
                ajoute(lu.donnees[(a - d.donnees) / 2]);
            else if (v != 0)
                signale(a);
        } else {
            signale(a);
        }
    }
    // 0xFFFF is no program word: the layout's way of saying nothing.
    for (int& m : lu.prog)
        if (m == 0xFFFF) m = -1;
    return true;
}
