#include "sim/simulateur.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "sim/etat_puce.h"
#include "sim/pannes.h"
#include "sim/puces/fabrique.h"

#include <cstdio>

namespace {

std::string fichier_etat_installe;

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
    const Desc_PIC* d = desc_puce_support(o.puce);
    if (!d) return false;

    std::unique_ptr<Modele_puce> puce;
    if (!pannes.sans_puce) {
        puce = cree_puce(*d, pannes.puce);
        if (!puce)
            message_erreur("Simulateur : la puce " + d->nom +
                               " n'est pas encore simulée, le support reste vide.",
                           0);
        else if (!o.fichier_etat.empty())
            charge_etat_puce(*puce, o.fichier_etat);
    }
    // An empty socket keeps no contents: its state file is left as it is.
    fichier_etat_installe = puce ? o.fichier_etat : "";

    auto carte = std::make_unique<Carte_simulee>(std::move(puce), pannes, cablage, o.cout_acces_ns);
    Carte_simulee* brute = carte.get();
    installe_backend(std::move(carte));
    retient_carte_installee(brute);
    return true;
}

int64_t termine_simulateur() {
    Carte_simulee* carte = carte_simulee_installee();
    if (!carte) return -1;
    if (!fichier_etat_installe.empty() && carte->puce())
        sauve_etat_puce(*carte->puce(), fichier_etat_installe);
    return carte->temps_ecoule_ns();
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
