// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/suggestions.h"

#include "core/catalogue.h"

#include <algorithm>
#include <cctype>

namespace {

std::string majuscules(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Edit distance: insertions, deletions, substitutions and swaps of two neighbours, the usual
// typing mistakes.
std::size_t distance(const std::string& a, const std::string& b) {
    const std::size_t n = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * n);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * n + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cout = a[i - 1] == b[j - 1] ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cout});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

// Lower case without accents: "Écrire" becomes "ecrire".
std::string simplifie(const std::string& s) {
    struct Accent {
        const char* utf8;
        char lettre;
    };
    static const Accent accents[] = {
        {"é", 'e'}, {"è", 'e'}, {"ê", 'e'}, {"ë", 'e'}, {"É", 'e'}, {"È", 'e'}, {"Ê", 'e'},
        {"à", 'a'}, {"â", 'a'}, {"À", 'a'}, {"î", 'i'}, {"ï", 'i'}, {"ô", 'o'}, {"ù", 'u'},
        {"û", 'u'}, {"ç", 'c'}, {"Ç", 'c'},
    };
    std::string t;
    for (std::size_t i = 0; i < s.size();) {
        bool trouve = false;
        for (const Accent& a : accents) {
            const std::string u = a.utf8;
            if (s.compare(i, u.size(), u) != 0) continue;
            t += a.lettre;
            i += u.size();
            trouve = true;
            break;
        }
        if (!trouve) t += static_cast<char>(std::tolower(static_cast<unsigned char>(s[i++])));
    }
    return t;
}

} // namespace

int cherche_composant(const std::string& nom) {
    const int exact = cherche_pic(nom);
    if (exact >= 0) return exact;
    const std::string cherche = majuscules(nom);
    for (std::size_t i = 0; i < tab_pic.size(); ++i)
        if (majuscules(tab_pic[i].nom) == cherche) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> noms_proches(const std::string& nom, std::size_t nombre) {
    const std::string cherche = majuscules(nom);
    // Users often leave out the "PIC" of the catalogue names.
    const std::string avec_pic = cherche.rfind("PIC", 0) == 0 ? cherche : "PIC" + cherche;
    struct Candidat {
        std::size_t ecart;
        std::size_t rang;
    };
    std::vector<Candidat> candidats;
    for (std::size_t i = 0; i < tab_pic.size(); ++i) {
        const std::string n = majuscules(tab_pic[i].nom);
        const std::size_t ecart = std::min(distance(cherche, n), distance(avec_pic, n));
        // Farther than half the name: not a likely typing mistake.
        if (ecart * 2 <= std::max(n.size(), cherche.size())) candidats.push_back({ecart, i});
    }
    std::stable_sort(candidats.begin(), candidats.end(),
                     [](const Candidat& a, const Candidat& b) { return a.ecart < b.ecart; });
    std::vector<std::string> noms;
    for (const Candidat& c : candidats) {
        if (noms.size() == nombre) break;
        noms.push_back(tab_pic[c.rang].nom);
    }
    return noms;
}

std::string commande_proche(const std::string& nom, const std::vector<std::string>& noms) {
    struct Synonyme {
        const char* mot;
        const char* commande;
    };
    static const Synonyme synonymes[] = {
        {"write", "ecrire"},       {"program", "ecrire"},      {"programmer", "ecrire"},
        {"graver", "ecrire"},      {"flash", "ecrire"},        {"read", "lire"},
        {"dump", "lire"},          {"erase", "effacer"},       {"clear", "effacer"},
        {"compare", "comparer"},   {"verify", "comparer"},     {"verifier", "comparer"},
        {"show", "afficher"},      {"view", "afficher"},       {"voir", "afficher"},
        {"list", "composants"},    {"liste", "composants"},    {"devices", "composants"},
        {"catalogue", "composants"},
    };
    const std::string cherche = simplifie(nom);
    std::string meilleur;
    std::size_t ecart_min = 0;
    auto essaie = [&](const std::string& mot, const std::string& commande) {
        if (std::find(noms.begin(), noms.end(), commande) == noms.end()) return;
        const std::size_t ecart = distance(cherche, mot);
        // Farther than a third of the word: not a likely typing mistake.
        if (ecart * 3 > std::max(mot.size(), cherche.size())) return;
        if (meilleur.empty() || ecart < ecart_min) {
            meilleur = commande;
            ecart_min = ecart;
        }
    };
    for (const std::string& n : noms) essaie(simplifie(n), n);
    for (const Synonyme& s : synonymes) essaie(s.mot, s.commande);
    return meilleur;
}
