// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/simulateur.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "sim/adaptateur_simule.h"
#include "sim/etat_puce.h"
#include "sim/pannes.h"
#include "sim/puces/fabrique.h"
#include "sim/puces/puce_pic.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

std::string fichier_etat_installe;
std::unique_ptr<Verrou_etat> verrou_installe;

// Values listed after a kind of violation: the commands, or the addresses, first seen first.
constexpr std::size_t valeurs_max = 4;

std::string valeur_violation(const Violation& v) {
    char texte[16];
    if (v.genre == Genre_violation::commande_inconnue)
        std::snprintf(texte, sizeof texte, "%d", v.code);
    else
        std::snprintf(texte, sizeof texte, "%XH", static_cast<unsigned>(v.adresse));
    return texte;
}

} // namespace

const Desc_PIC* desc_puce_support(const std::string& nom) {
    if (nom.empty()) {
        const Desc_PIC* d = pic_courant();
        if (!d) message_erreur("Simulateur : aucun composant sélectionné pour le support.", 0);
        return d;
    }
    int i = cherche_pic(nom);
    if (i < 0) {
        message_erreur("Simulateur : composant inconnu du catalogue : " + nom, 0);
        return nullptr;
    }
    return &tab_pic[static_cast<std::size_t>(i)];
}

bool installe_simulateur(const Options_simulateur& o) {
    Pannes_simulateur pannes;
    for (const std::string& nom : o.pannes)
        if (!ajoute_panne(nom, pannes)) {
            message_erreur("Simulateur : panne inconnue : " + nom, 0);
            return false;
        }
    Brochage cablage;
    switch (o.type_carte) {
    case 0:
        cablage = brochage_korval;
        break;
    case 1:
        cablage = brochage_p16pro;
        break;
    case 2:
        cablage = o.cablage;
        break;
    default:
        message_erreur(
            "Simulateur : type de programmateur inconnu : " + std::to_string(o.type_carte), 0);
        return false;
    }
    Genre_adaptateur genre{};
    if (!genre_adaptateur(o.adaptateur, genre)) {
        message_erreur(
            "Simulateur : adaptateur inconnu : " + o.adaptateur + " (ftdi ou gpio attendu)", 0);
        return false;
    }
    const Desc_PIC* d = desc_puce_support(o.puce);
    if (!d) return false;

    std::unique_ptr<Modele_puce> puce;
    std::unique_ptr<Verrou_etat> verrou;
    if (!pannes.sans_puce) {
        puce = cree_puce(*d, pannes.puce);
        if (!puce) {
            message_erreur("Simulateur : la puce " + d->nom +
                               " n'est pas encore simulée, le support reste vide.",
                           0);
        } else if (!o.fichier_etat.empty()) {
            // The board replaced may hold the same file: its lock serves again.
            const bool deja = verrou_installe && verrou_installe->fichier() == o.fichier_etat;
            if (!deja && !(verrou = Verrou_etat::prend(o.fichier_etat))) return false;
            if (charge_etat_puce(*puce, o.fichier_etat) == Chargement_etat::refuse) return false;
            if (deja) verrou = std::move(verrou_installe);
        }
    }
    // An empty socket keeps no contents: its state file is left as it is.
    fichier_etat_installe = puce ? o.fichier_etat : "";
    verrou_installe = std::move(verrou);

    auto carte = std::make_unique<Carte_simulee>(std::move(puce), pannes, cablage, o.cout_acces_ns);
    Carte_simulee* brute = carte.get();
    installe_backend(branche_adaptateur(std::move(carte), genre));
    retient_carte_installee(brute);
    return true;
}

bool sauve_simulateur() {
    Carte_simulee* carte = carte_simulee_installee();
    if (!carte || fichier_etat_installe.empty() || !carte->puce()) return true;
    return sauve_etat_puce(*carte->puce(), fichier_etat_installe);
}

int64_t termine_simulateur() {
    Carte_simulee* carte = carte_simulee_installee();
    if (carte) sauve_simulateur();
    fichier_etat_installe.clear();
    verrou_installe.reset();
    return carte ? carte->temps_ecoule_ns() : -1;
}

std::vector<std::string> releve_violations() {
    std::vector<std::string> lignes;
    Carte_simulee* carte = carte_simulee_installee();
    auto* pic = carte ? dynamic_cast<Puce_pic*>(carte->puce()) : nullptr;
    if (!pic || pic->nombre_violations() == 0) return lignes;
    const std::vector<Violation>& journal = pic->violations();
    for (int k = 0; k <= static_cast<int>(Genre_violation::impulsion_longue); ++k) {
        const auto g = static_cast<Genre_violation>(k);
        int n = 0;
        std::vector<std::string> valeurs;
        bool autres = false;
        for (const Violation& v : journal) {
            if (v.genre != g) continue;
            ++n;
            // Where the chip refused programming mode, its counter tells nothing.
            if (g == Genre_violation::entree_refusee) continue;
            std::string t = valeur_violation(v);
            if (std::find(valeurs.begin(), valeurs.end(), t) != valeurs.end()) continue;
            if (valeurs.size() < valeurs_max)
                valeurs.push_back(t);
            else
                autres = true;
        }
        if (n == 0) continue;
        std::string l = "Simulateur : " + std::to_string(n) + " " +
                        (n == 1 ? nom_violation(g) : nom_violations(g));
        if (!valeurs.empty()) {
            l += " (";
            for (std::size_t i = 0; i < valeurs.size(); ++i) l += (i ? ", " : "") + valeurs[i];
            l += autres ? ", ...)" : ")";
        }
        lignes.push_back(l);
    }
    const int au_dela = pic->nombre_violations() - static_cast<int>(journal.size());
    if (au_dela > 0)
        lignes.push_back("Simulateur : " + std::to_string(au_dela) +
                         " autres violations du protocole, non détaillées");
    pic->efface_violations();
    return lignes;
}

std::string texte_duree(int64_t ns) {
    char texte[32];
    double v = static_cast<double>(ns);
    // The unit follows the rounded value: 999 999 ns is "1,0 ms", not "1000 µs".
    if (ns >= 999'950'000)
        std::snprintf(texte, sizeof texte, "%.3f s", v / 1e9);
    else if (ns >= 999'950)
        std::snprintf(texte, sizeof texte, "%.1f ms", v / 1e6);
    else
        std::snprintf(texte, sizeof texte, "%.0f µs", v / 1e3);
    std::string s = texte;
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}
