// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/catalogue.h"

#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "core/resultat.h"
#include "core/texte.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

const char* const noms_fuses[NB_FUSES] = {
    "CPD", "CP0", "CP1",   "DP",     "CPC",   "WDTE", "FOSC0", "FOSC1", "FOSC2", "MCLRE",
    "WRT", "LVP", "PWRTE", "PWRTE/", "BODEN", "RESV", "DEB/",  "0",     "-"};

std::vector<Desc_PIC> tab_pic;
std::array<Fusibles, NB_FAMILLES> tab_fuses;
std::array<Fusibles, NB_FAMILLES> tab_fuses2;
std::array<bool, NB_FAMILLES> tab_second_mot;

bool a_second_mot(int famille) {
    return famille >= 0 && famille < NB_FAMILLES &&
           tab_second_mot[static_cast<std::size_t>(famille)];
}

uint16_t masque_protections(const Fusibles& f) {
    uint32_t m = 0;
    for (const Num_fuse n : fuses_protection) m |= f.masque[n];
    return static_cast<uint16_t>(m);
}

const Fusibles& fusibles_de(const Desc_PIC& p) {
    static const Fusibles aucun{};
    if (p.famille < 0 || p.famille >= NB_FAMILLES) return aucun;
    return tab_fuses[static_cast<std::size_t>(p.famille)];
}

const Fusibles& fusibles2_de(const Desc_PIC& p) {
    static const Fusibles aucun{};
    if (mots_config(p) < 2) return aucun;
    return tab_fuses2[static_cast<std::size_t>(p.famille)];
}

const Desc_PIC* pic_courant() {
    if (pic_select < 0 || static_cast<std::size_t>(pic_select) >= tab_pic.size()) return nullptr;
    return &tab_pic[static_cast<std::size_t>(pic_select)];
}

int cherche_pic(const std::string& nom) {
    for (std::size_t i = 0; i < tab_pic.size(); ++i)
        if (tab_pic[i].nom == nom) return static_cast<int>(i);
    return -1;
}

uint16_t put_fuse(const char* nom, const char* const noms[14]) {
    uint16_t masque = 0;
    for (int i = 0; i < 14; ++i)
        if (std::strcmp(nom, noms[i]) == 0) masque = static_cast<uint16_t>(masque | (1u << i));
    return masque;
}

namespace {

void signale(const std::string& fichier, int numero, const std::string& raison) {
    std::fprintf(sortie_console(), "%s, ligne %d : ligne ignorée (%s)\n", fichier.c_str(), numero,
                 raison.c_str());
}

// The second word's layout line starts with the family number and ".2".
constexpr std::string_view suffixe_second_mot = ".2";

bool ligne_second_mot(std::string_view premier_mot) {
    return premier_mot.size() > suffixe_second_mot.size() &&
           premier_mot.ends_with(suffixe_second_mot);
}

// A family number (".2" after it for the second word), then 14 names from bit 13 down to bit 0;
// a failure gives the reason for skipping the line.
Resultat<> lit_ligne_fusibles(std::string_view ligne) {
    std::vector<std::string_view> mots = decoupe_mots(ligne);
    const bool second = ligne_second_mot(mots[0]);
    if (second) mots[0].remove_suffix(suffixe_second_mot.size());
    std::optional<int> famille = lit_entier(mots[0]);
    if (!famille || *famille < 0 || *famille >= NB_FAMILLES)
        return echec("numéro de famille hors de 0 à 31");
    if (mots.size() < 15) return echec("moins de 14 noms de fusibles");
    std::string noms_bits[14];
    const char* noms[14];
    for (int k = 0; k < 14; ++k) {
        std::string_view nom = mots[static_cast<std::size_t>(k) + 1];
        if (nom.size() > NOM_FUSE_MAX) return echec("nom de fusible de 10 caractères ou plus");
        noms_bits[13 - k] = std::string(nom);
    }
    for (int i = 0; i < 14; ++i) noms[i] = noms_bits[i].c_str();
    const auto rang = static_cast<std::size_t>(*famille);
    if (second) tab_second_mot[rang] = true;
    Fusibles& f = second ? tab_fuses2[rang] : tab_fuses[rang];
    for (int n = 0; n < NB_FUSES; ++n) f.masque[n] = put_fuse(noms_fuses[n], noms);
    return {};
}

// The algorithms and bus protocols the program drives; any other value would make every operation
// a silent no-op.
bool algo_connu(int algo) {
    return faits_genre(algo) != nullptr;
}

// nom taille_prog taille_donnee famille algo vpp40 teste osc_cal
Resultat<> lit_ligne_composant(std::string_view ligne) {
    std::vector<std::string_view> mots = decoupe_mots(ligne);
    if (mots.size() < 8) return echec("moins de huit champs");
    if (mots[0].size() > NOM_PIC_MAX) return echec("nom de 20 caractères ou plus");
    if (tab_pic.size() >= NB_PIC_MAX)
        return echec("plus de " + std::to_string(NB_PIC_MAX) + " composants");
    int v[7];
    for (int k = 0; k < 7; ++k)
        v[k] = lit_entier(mots[static_cast<std::size_t>(k) + 1]).value_or(0);
    Desc_PIC p;
    p.nom = std::string(mots[0]);
    p.taille_prog = v[0];
    p.taille_donnee = v[1];
    p.famille = v[2];
    p.algo = v[3];
    p.vpp40 = v[4];
    p.teste = v[5];
    p.osc_cal = v[6];
    if (!algo_connu(p.algo))
        return echec("algorithme inconnu : ni " + numeros_genres(genre_pic) + ", ni " +
                     numeros_genres(genre_eeprom));
    if (p.famille < 0 || p.famille >= NB_FAMILLES) return echec("numéro de famille hors de 0 à 31");
    if (p.taille_prog < 0 || p.taille_prog > TAILLE_PROG_MAX)
        return echec("taille du programme hors de 0 à " + std::to_string(TAILLE_PROG_MAX));
    if (p.taille_donnee < 0 || p.taille_donnee > TAILLE_DONNEE_MAX)
        return echec("taille des données hors de 0 à 131072");
    tab_pic.push_back(std::move(p));
    return {};
}

} // namespace

void lire_catalogue(std::istream& in, const std::string& fichier) {
    tab_pic.clear();
    tab_fuses = {};
    tab_fuses2 = {};
    tab_second_mot = {};
    std::vector<int> lignes_pic; // line of each entry of tab_pic
    std::string ligne;
    int numero = 0;
    while (lit_ligne_flux(in, ligne)) {
        ++numero;
        if (ligne.empty()) continue;
        unsigned char premier = static_cast<unsigned char>(ligne[0]);
        if (std::isspace(premier) || premier == ';') continue;
        if (ligne.size() > LIGNE_CONF_MAX) {
            signale(fichier, numero, "plus de 255 caractères");
            continue;
        }
        // A fuse layout starts with its family number; a device whose name starts with a digit
        // (24C16, 93C66) is still a device.
        std::string_view premier_mot = decoupe_mots(ligne)[0];
        std::string_view numero_famille = premier_mot;
        if (ligne_second_mot(numero_famille))
            numero_famille.remove_suffix(suffixe_second_mot.size());
        bool fusibles = !numero_famille.empty() &&
                        numero_famille.find_first_not_of("0123456789") == std::string_view::npos;
        if (!fusibles) {
            const int premier_du_nom = cherche_pic(std::string(premier_mot));
            if (premier_du_nom >= 0) {
                const std::string raison =
                    "nom déjà décrit ligne " +
                    std::to_string(lignes_pic[static_cast<std::size_t>(premier_du_nom)]);
                signale(fichier, numero, raison);
                continue;
            }
        }
        const Resultat<> lue = fusibles ? lit_ligne_fusibles(ligne) : lit_ligne_composant(ligne);
        if (!lue) signale(fichier, numero, lue.message());
        if (tab_pic.size() > lignes_pic.size()) lignes_pic.push_back(numero);
    }
}

bool lire_catalogue_fichier(const std::string& chemin) {
    const auto texte = lit_fichier_texte(chemin);
    if (!texte) {
        tab_pic.clear();
        tab_fuses = {};
        tab_fuses2 = {};
        tab_second_mot = {};
        return false;
    }
    std::istringstream f(*texte);
    lire_catalogue(f, chemin);
    return true;
}
