// SPDX-License-Identifier: GPL-2.0-or-later
#include "verite.h"

#include "core/genre_puce.h"
#include "core/memoire.h"
#include "sim/pannes.h"
#include "sim/puces/fabrique.h"

#include <algorithm>
#include <random>
#include <set>

namespace verite {

namespace {

// Variants that the largest device of a kind does not show: I2C without block bits and a smaller
// two-byte part, 7-bit Microwire, 9-bit and two-byte SPI addresses, and the PIC parts whose
// erase, calibration or ID handling differ within their kind.
const char* const variantes[] = {"PIC16F84",  "PIC16C622", "PIC12C508", "PIC16F628A",
                                 "PIC12F675", "24C02",     "24C256",    "93C46",
                                 "25C040",    "25C640",    "PIC16F676", "PIC16F877A"};

// The chip model's answer to a configuration word: load it, read it back.
int config_relue(Modele_puce& m, Puce_pic& p, int valeur) {
    Contenu_pic c = p.contenu();
    c.config = static_cast<uint16_t>(valeur);
    p.contenu() = c;
    const std::string etat = m.etat_hex();
    m.charge_etat_hex(etat);
    return p.contenu().config;
}

int taille(const Desc_PIC& d) {
    return std::max(d.taille_prog, 0) + std::max(d.taille_donnee, 0);
}

} // namespace

Composant decrit_composant(const Desc_PIC& d) {
    Composant c;
    c.desc = d;
    const Faits_genre* g = faits_genre(d);
    c.pic = est_pic(d);
    c.eprom = g && g->technologie == Technologie::eprom;
    c.effacable = g && g->effacement;
    c.a_programme = g && g->programme && d.taille_prog > 0;
    c.a_donnees = g && g->donnees && d.taille_donnee > 0;
    c.a_id_config = g && g->id_config;
    c.config_gardee = g ? g->config_gardee : 0;
    c.autre_puce_visible = g && g->bus == Bus_eeprom::microwire;
    auto modele = cree_puce(d, Pannes_puce{});
    if (auto* p = dynamic_cast<Puce_pic*>(modele.get())) {
        c.masque = p->mot_vierge();
        c.config_vierge = p->config_vierge();
        c.calibration = p->mot_calibration();
        c.config_un = config_relue(*modele, *p, 0);
        c.config_lisible = config_relue(*modele, *p, 0xFFFF);
        c.protection = masque_protections(fusibles_de(d)) & c.config_lisible & ~c.config_un;
        c.protection2 = masque_protections(fusibles2_de(d));
        c.id_composant = caracteristiques_pic(d).id_composant >= 0;
        c.absence_visible = coeur_12_bits(d);
    }
    return c;
}

const Desc_PIC& puce_voisine(const Desc_PIC& d) {
    const Desc_PIC *grand = &d, *petit = &d;
    for (const Desc_PIC& p : tab_pic) {
        if (faits_genre(p) != faits_genre(d)) continue;
        if (taille(p) > taille(*grand)) grand = &p;
        if (taille(p) < taille(*petit)) petit = &p;
    }
    return grand != &d ? *grand : *petit;
}

const std::vector<Composant>& composants() {
    static const std::vector<Composant> liste = [] {
        lire_catalogue_fichier(std::string(KORVAL_DATA_DIR) + "/conf_PICS");
        std::vector<Composant> l;
        for (const Faits_genre* g = debut_genres(); g != fin_genres(); ++g) {
            std::set<std::string> choisis;
            const Desc_PIC* plus_grand = nullptr;
            for (const Desc_PIC& d : tab_pic) {
                if (faits_genre(d) != g) continue;
                if (!plus_grand || taille(d) >= taille(*plus_grand)) plus_grand = &d;
                if (std::find(std::begin(variantes), std::end(variantes), d.nom) !=
                    std::end(variantes))
                    choisis.insert(d.nom);
            }
            if (plus_grand) choisis.insert(plus_grand->nom);
            for (const Desc_PIC& d : tab_pic)
                if (choisis.count(d.nom) && cree_puce(d, Pannes_puce{}))
                    l.push_back(decrit_composant(d));
        }
        return l;
    }();
    return liste;
}

const std::vector<Ligne_options>& lignes_options() {
    // Ranges start and end inside a page of every EEPROM and inside a PIC's eight-word group.
    static const std::vector<Ligne_options> lignes = {
        {"aucune", {}, {}},
        {"rapide", {"--rapide"}, {}},
        {"zones programme", {"--zones", "programme"}, {}},
        {"zones donnees", {"--zones", "donnees"}, {}},
        {"zones id,config", {"--zones", "id,config"}, {}},
        {"plages",
         {},
         {{"_L_E_PROG_DEBUT", "5"},
          {"_L_E_PROG_FIN", "300"},
          {"_L_E_DATA_DEBUT", "3"},
          {"_L_E_DATA_FIN", "45"}}},
        {"plages inversees",
         {"--zones", "programme,donnees"},
         {{"_L_E_PROG_DEBUT", "300"},
          {"_L_E_PROG_FIN", "5"},
          {"_L_E_DATA_DEBUT", "45"},
          {"_L_E_DATA_FIN", "3"}}},
        {"donnees desactivees", {}, {{"_L_E_DATA_ENABLE", "0"}}},
        {"plages au-dela de la puce",
         {"--zones", "programme,donnees"},
         {{"_L_E_PROG_DEBUT", "70000"}, {"_L_E_DATA_DEBUT", "70000"}}},
        {"proteger", {"--proteger"}, {}},
        {"forcer", {"--forcer"}, {}},
        {"binaire", {"--format", "binaire"}, {}, true},
        {"strict", {"--strict"}, {}},
        {"adaptateur ftdi", {"--adaptateur", "ftdi", "--strict"}, {}},
        {"adaptateur ftdi rapide", {"--adaptateur", "ftdi", "--rapide"}, {}},
        {"adaptateur gpio", {"--adaptateur", "gpio", "--strict"}, {}},
        {"autre puce", {}, {}, false, true},
        {"trace sur le fichier", {"--trace", "f.hex"}, {}},
        {"interrompue",
         {},
         {},
         false,
         false,
         {"timeout", "--preserve-status", "-s", "INT", "0.02"}},
    };
    return lignes;
}

namespace {

int aleatoire(std::mt19937& g, int masque) {
    return static_cast<int>(g() & static_cast<unsigned>(masque));
}

Contenu plein(const Composant& c, uint32_t graine) {
    std::mt19937 g(graine);
    Contenu i;
    if (c.a_programme)
        for (int a = 0; a < c.desc.taille_prog; ++a) i.prog.push_back(aleatoire(g, c.masque));
    if (c.a_donnees)
        for (int a = 0; a < c.desc.taille_donnee; ++a) i.donnees.push_back(aleatoire(g, 0xFF));
    if (c.a_id_config) {
        for (int& id : i.ids) id = aleatoire(g, 0x0F);
        i.config = (aleatoire(g, 0xFFFF) | c.protection) & c.config_lisible;
        // LVP stays on: the enhanced mid-range parts are entered by the low-voltage key.
        if (mots_config(c.desc) == 2)
            i.config2 = aleatoire(g, 0x3FFF) | c.protection2 |
                        static_cast<int>(fusibles2_de(c.desc).masque[F_LVP]);
    }
    return i;
}

Contenu vide(const Composant&, uint32_t) {
    return {};
}

Contenu clairsemee(const Composant& c, uint32_t graine) {
    std::mt19937 g(graine);
    Contenu i;
    if (c.a_programme) {
        i.prog.assign(static_cast<std::size_t>(c.desc.taille_prog), -1);
        for (int k = 0; k < 5; ++k) i.prog[g() % i.prog.size()] = aleatoire(g, c.masque);
    }
    if (c.a_donnees) {
        i.donnees.assign(static_cast<std::size_t>(c.desc.taille_donnee), -1);
        for (int k = 0; k < 5; ++k) i.donnees[g() % i.donnees.size()] = aleatoire(g, 0xFF);
    }
    if (c.a_id_config) i.config = c.config_vierge;
    return i;
}

Contenu sans_config(const Composant& c, uint32_t graine) {
    Contenu i = plein(c, graine);
    i.config = i.config2 = -1;
    return i;
}

Contenu protegee(const Composant& c, uint32_t graine) {
    Contenu i = plein(c, graine);
    i.config &= ~c.protection;
    return i;
}

// Protection in the second configuration word only.
Contenu second_mot_protege(const Composant& c, uint32_t graine) {
    Contenu i = plein(c, graine);
    if (i.config2 >= 0) i.config2 &= ~c.protection2;
    return i;
}

Contenu ids_larges(const Composant& c, uint32_t graine) {
    Contenu i = clairsemee(c, graine);
    i.ids = {0x35, 0x60, 0x85, 0xFE};
    return i;
}

Contenu mots_larges(const Composant& c, uint32_t graine) {
    Contenu i = plein(c, graine);
    // A word of all ones would become FFFF, which a HEX file's reader takes for no word at all.
    for (int& m : i.prog)
        if (m != c.masque) m |= 0xFFFF & ~c.masque & 0xF000;
    return i;
}

Contenu trop_grande(const Composant& c, uint32_t graine) {
    Contenu i = plein(c, graine);
    std::mt19937 g(graine + 1);
    // Words past the part, but below the configuration space of the HEX layout.
    const Faits_genre* f = faits_genre(c.desc);
    const int limite = std::min(TAILLE_PROG_MAX, f ? static_cast<int>(f->espace_config) : 0x2000);
    if (c.a_programme && c.desc.taille_prog + 16 <= limite)
        for (int k = 0; k < 16; ++k) i.prog.push_back(aleatoire(g, c.masque));
    else
        for (int k = 0; k < 16; ++k) i.donnees.push_back(aleatoire(g, 0xFF));
    return i;
}

} // namespace

const std::vector<Ligne_image>& lignes_images() {
    static const std::vector<Ligne_image> lignes = {
        {"aleatoire", false, false, plein},
        {"clairsemee", false, false, clairsemee},
        {"sans configuration", true, false, sans_config},
        {"configuration protegee", true, false, protegee},
        {"ID au-dessus de 0F", true, false, ids_larges},
        {"mots trop larges", true, true, mots_larges},
        {"plus grande que la puce", false, true, trop_grande},
        {"vide", false, false, vide},
        {"second mot protege", true, false, second_mot_protege},
    };
    return lignes;
}

std::vector<int> images_pour(const Composant& c) {
    std::vector<int> l;
    for (std::size_t k = 0; k < lignes_images().size(); ++k) {
        const Ligne_image& i = lignes_images()[k];
        // The second word's protection only where there is one: the other devices keep their
        // cases.
        if (i.fabrique == second_mot_protege && mots_config(c.desc) != 2) continue;
        if (c.pic || !i.pic_seulement) l.push_back(static_cast<int>(k));
    }
    return l;
}

namespace {

// The dimensions of one device: faults (-1 first), commands, options, images.
std::array<std::vector<int>, 4> dimensions(const Composant& c) {
    std::array<std::vector<int>, 4> d;
    for (int k = -1; k < static_cast<int>(liste_pannes().size()); ++k) d[0].push_back(k);
    for (int k = 0; k < static_cast<int>(noms_commandes.size()); ++k) d[1].push_back(k);
    for (int k = 0; k < static_cast<int>(lignes_options().size()); ++k) d[2].push_back(k);
    d[3] = images_pour(c);
    return d;
}

Cas fait_cas(int composant, const std::array<int, 4>& v) {
    return {composant, v[0], static_cast<Commande>(v[1]), v[2], v[3]};
}

// Every pair of values of two dimensions, chosen greedily: each new case covers the most pairs
// not yet covered.
void paires(int composant, const std::array<std::vector<int>, 4>& d, std::vector<Cas>& l) {
    std::set<std::array<int, 4>> restantes; // {dim a, value a, dim b, value b}
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            for (int x : d[static_cast<std::size_t>(a)])
                for (int y : d[static_cast<std::size_t>(b)]) restantes.insert({a, x, b, y});
    while (!restantes.empty()) {
        std::array<int, 4> meilleur{};
        int gain_max = -1;
        for (int v0 : d[0])
            for (int v1 : d[1])
                for (int v2 : d[2])
                    for (int v3 : d[3]) {
                        const std::array<int, 4> v{v0, v1, v2, v3};
                        int gain = 0;
                        for (int a = 0; a < 4; ++a)
                            for (int b = a + 1; b < 4; ++b)
                                gain += static_cast<int>(
                                    restantes.count({a, v[static_cast<std::size_t>(a)], b,
                                                     v[static_cast<std::size_t>(b)]}));
                        if (gain > gain_max) {
                            gain_max = gain;
                            meilleur = v;
                        }
                    }
        for (int a = 0; a < 4; ++a)
            for (int b = a + 1; b < 4; ++b)
                restantes.erase({a, meilleur[static_cast<std::size_t>(a)], b,
                                 meilleur[static_cast<std::size_t>(b)]});
        l.push_back(fait_cas(composant, meilleur));
    }
}

// An image that only some devices take may be missed by the reduced plan's rotation: one write
// of it with the first device that takes it.
void ajoute_images_manquantes(std::vector<Cas>& l) {
    std::set<int> vues;
    for (const Cas& c : l) vues.insert(c.image);
    for (int c = 0; c < static_cast<int>(composants().size()); ++c)
        for (int i : images_pour(composants()[static_cast<std::size_t>(c)]))
            if (vues.insert(i).second)
                l.push_back(fait_cas(c, {-1, static_cast<int>(Commande::ecrire), 0, i}));
}

} // namespace

std::vector<Cas> plan(const std::string& niveau) {
    std::vector<Cas> l;
    const int nb = static_cast<int>(composants().size());
    std::size_t plus_long = static_cast<std::size_t>(nb);
    for (int c = 0; c < nb; ++c) {
        const auto d = dimensions(composants()[static_cast<std::size_t>(c)]);
        std::size_t n = 0;
        for (const auto& v : d) n = std::max(n, v.size());
        plus_long = std::max(plus_long, n);
        if (niveau == "produit") {
            for (int v0 : d[0])
                for (int v1 : d[1])
                    for (int v2 : d[2])
                        for (int v3 : d[3]) l.push_back(fait_cas(c, {v0, v1, v2, v3}));
            continue;
        }
        // Every image through every command (paires) or written (echantillon) with no fault
        // and no option: the plain promise, device by device.
        if (niveau == "paires" || niveau == "echantillon")
            for (int v1 : d[1])
                for (int v3 : d[3])
                    if (niveau == "paires" || v1 == static_cast<int>(Commande::ecrire))
                        l.push_back(fait_cas(c, {-1, v1, 0, v3}));
        if (niveau == "paires") {
            paires(c, d, l);
        } else if (niveau == "echantillon") {
            // Each dimension turns at its own pace, shifted per device.
            for (std::size_t k = 0; k < n; ++k) {
                std::array<int, 4> v{};
                for (std::size_t a = 0; a < 4; ++a)
                    v[a] = d[a][(k + static_cast<std::size_t>(c) * (a + 1)) % d[a].size()];
                l.push_back(fait_cas(c, v));
            }
        }
    }
    if (niveau == "reduit")
        for (std::size_t k = 0; k < plus_long; ++k) {
            const int c = static_cast<int>(k % static_cast<std::size_t>(nb));
            const auto d = dimensions(composants()[static_cast<std::size_t>(c)]);
            std::array<int, 4> v{};
            for (std::size_t a = 0; a < 4; ++a) v[a] = d[a][k % d[a].size()];
            l.push_back(fait_cas(c, v));
        }
    if (niveau == "reduit") ajoute_images_manquantes(l);
    return l;
}

std::string decrit(const Cas& cas) {
    const Composant& c = composants()[static_cast<std::size_t>(cas.composant)];
    return c.desc.nom + " " + noms_commandes[static_cast<std::size_t>(cas.commande)] +
           ", options " + lignes_options()[static_cast<std::size_t>(cas.options)].nom + ", image " +
           lignes_images()[static_cast<std::size_t>(cas.image)].nom + ", panne " +
           (cas.panne < 0 ? "aucune" : liste_pannes()[static_cast<std::size_t>(cas.panne)].nom);
}

} // namespace verite
