// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/conf_port.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"
#include "core/sauvegarde.h"
#include "core/texte.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

struct Cle_entier {
    const char* cle;
    int* valeur;
};

const Cle_entier cles_entieres[] = {
    {"_TYPE_P", &type_de_prog},
    {"_L_E_PROG_ENABLE", &le_prog_enable},
    {"_L_E_PROG_DEBUT", &le_prog_deb},
    {"_L_E_PROG_FIN", &le_prog_fin},
    {"_L_E_DATA_ENABLE", &le_data_enable},
    {"_L_E_DATA_DEBUT", &le_data_deb},
    {"_L_E_DATA_FIN", &le_data_fin},
    {"_L_E_CONFIG_ENABLE", &le_config_enable},
    {"_L_E_ID_ENABLE", &le_ID_enable},
    {"_ECRIRE_OSC_INT_12C5XX", &osc_int_enable},
    {"_TEMPO", &val_tempo},
    {"_TENSION_VPP", &tension_vpp},
    {"_DERNIER_PIC", &pic_select},
};

// Pin key of a line ("_VCC" or "_VCC/"): its line number and whether it is the inverted form.
bool cle_broche(std::string_view cle, int& ligne, bool& inverse) {
    for (int i = 0; i < NB_LIGNES; ++i) {
        std::string nom = std::string("_") + noms_lignes[i];
        if (cle == nom || cle == nom + "/") {
            ligne = i;
            inverse = cle.size() > nom.size();
            return true;
        }
    }
    return false;
}

void lit_ligne_conf(const std::string& ligne) {
    if (ligne.empty() || ligne[0] != '_') return;
    std::vector<std::string_view> mots = decoupe_mots(ligne);
    std::string_view cle = mots[0];
    if (cle == "_DERNIER_FICHIER") {
        std::size_t i = cle.size();
        while (i < ligne.size() && (ligne[i] == ' ' || ligne[i] == '\t')) ++i;
        if (i < ligne.size() && valeur_enregistrable(std::string_view(ligne).substr(i)))
            lastFile = ligne.substr(i);
        return;
    }
    std::string_view mot = mots.size() > 1 ? mots[1] : std::string_view();
    if (cle == "_ADAPTATEUR") {
        if (valeur_enregistrable(mot)) adaptateur_conf = mot;
        return;
    }
    for (int i = 0; i < NB_LIGNES; ++i)
        if (cle == std::string("_") + noms_lignes[i] + "_BROCHE") {
            if (valeur_enregistrable(mot)) broches_conf[i] = mot;
            return;
        }
    if (cle == "_PORT") {
        if (auto v = lit_entier(mot, 16)) PORT_PARA = *v;
        return;
    }
    std::optional<int> v = lit_entier(mot);
    if (!v) return;
    int ligne_broche;
    bool inverse;
    if (cle_broche(cle, ligne_broche, inverse)) {
        c_autre.l[ligne_broche] = {static_cast<uint8_t>(*v & 0xFF), static_cast<uint8_t>(inverse)};
        return;
    }
    // A negative delay would shorten every wait below the chip's timings: the line is skipped.
    if (cle == "_TEMPO" && *v < 0) return;
    for (const Cle_entier& c : cles_entieres) {
        if (cle == c.cle) {
            *c.valeur = *v;
            return;
        }
    }
}

void applique_type_de_prog() {
    switch (type_de_prog) {
    case 0:
        c_u = brochage_korval;
        break;
    case 1:
        c_u = brochage_p16pro;
        break;
    case 2:
        c_u = c_autre;
        break;
    default:
        break; // stays at the type 0 preset
    }
}

std::string ligne_broche(const Brochage& b, int i) {
    std::string s = std::string("_") + noms_lignes[i];
    if (b.l[i].inverse) s += '/';
    return s + " " + std::to_string(b.l[i].masque) + "\n";
}

} // namespace

void lire_conf_port(std::istream& in) {
    std::string ligne;
    while (lit_ligne_flux(in, ligne)) lit_ligne_conf(ligne);
}

std::string texte_conf_port(const Brochage& b) {
    char port[16];
    std::snprintf(port, sizeof port, "%X", static_cast<unsigned>(PORT_PARA));
    std::string t;
    t += "; Fichier contenant les param\xE8tres de configuration du programmateur\n";
    t += "; et du port parallele\n";
    t += std::string("_PORT ") + port + "\n";
    t += "_TYPE_P " + std::to_string(type_de_prog) + "\n";
    for (int i : {L_VCC, L_VPP1, L_VPP2, L_DATA_OUT, L_CLK, L_DATA_IN, L_DATA_93, L_SELECT})
        t += ligne_broche(b, i);
    t += "_L_E_PROG_ENABLE " + std::to_string(le_prog_enable) + "\n";
    t += "_L_E_PROG_DEBUT " + std::to_string(le_prog_deb) + "\n";
    t += "_L_E_PROG_FIN " + std::to_string(le_prog_fin) + "\n";
    t += "_L_E_DATA_ENABLE " + std::to_string(le_data_enable) + "\n";
    t += "_L_E_DATA_DEBUT " + std::to_string(le_data_deb) + "\n";
    t += "_L_E_DATA_FIN " + std::to_string(le_data_fin) + "\n";
    t += "_L_E_CONFIG_ENABLE " + std::to_string(le_config_enable) + "\n";
    t += "_L_E_ID_ENABLE " + std::to_string(le_ID_enable) + "\n";
    t += "\n";
    t += "_ECRIRE_OSC_INT_12C5XX " + std::to_string(osc_int_enable) + "\n";
    t += "\n";
    t += "_TEMPO " + std::to_string(val_tempo) + "\n";
    // The board's programming voltage only when not the usual 13 V.
    if (tension_vpp != 13) t += "_TENSION_VPP " + std::to_string(tension_vpp) + "\n";
    t += "\n";
    t += "_DERNIER_PIC " + std::to_string(pic_select) + "\n";
    t += "\n";
    t += "_DERNIER_FICHIER " + (valeur_enregistrable(lastFile) ? lastFile : "") + "\n";
    // The adapter's keys only when set: a parallel-port file is saved as it always was.
    if (!adaptateur_conf.empty()) t += "_ADAPTATEUR " + adaptateur_conf + "\n";
    for (int i = 0; i < NB_LIGNES; ++i)
        if (!broches_conf[i].empty())
            t += std::string("_") + noms_lignes[i] + "_BROCHE " + broches_conf[i] + "\n";
    return t;
}

namespace {

// "Le fichier NOM n'existe pas", with the directories searched for a console.
std::string fichier_absent(const char* nom, const std::vector<std::string>& cherches,
                           bool sur_console) {
    std::string t = std::string("Le fichier ") + nom + " n'existe pas";
    if (!sur_console) {
        std::fprintf(sortie_console(), "%s\n", t.c_str());
        return t;
    }
    std::string reps;
    for (const std::string& c : cherches)
        reps += (reps.empty() ? "" : ", ") + std::filesystem::path(c).parent_path().string() + "/";
    return t + " (cherché dans : " + reps + ")";
}

} // namespace

void Lire_Fichier_Conf(bool sur_console) {
    valeurs_par_defaut_conf();
    tab_fuses = {};
    tab_pic.clear();

    if (const auto texte = lit_fichier_texte(chemin_conf_port_lecture())) {
        std::istringstream conf(*texte);
        lire_conf_port(conf);
    } else {
        message_erreur(fichier_absent("conf_port", chemins_conf_port_cherches(), sur_console), 0);
    }
    applique_type_de_prog();

    if (!lire_catalogue_fichier(chemin_conf_PICS())) {
        message_erreur(fichier_absent("conf_PICS", {chemin_conf_PICS()}, sur_console) +
                           "\nLe programme va se terminer",
                       1);
    }
    // The catalogue may have shrunk since the index was saved.
    if (!pic_courant()) pic_select = 0;
}

std::vector<std::string> cibles_conf_port() {
    const std::string systeme = repertoire_conf() + "conf_port";
    if (repertoire_conf_force_ou_env()) return {systeme};
    std::vector<std::string> cibles;
    if (chemin_conf_port_lecture() == systeme) cibles.push_back(systeme);
    if (std::string perso = chemin_conf_port_utilisateur(); !perso.empty()) cibles.push_back(perso);
    return cibles;
}

bool valeur_enregistrable(std::string_view valeur) {
    for (char c : valeur)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

std::string sauve_conf_port(Brochage b) {
    if (!valeur_enregistrable(lastFile))
        message_erreur("Le nom du dernier fichier contient un caractère de contrôle : il n'est "
                       "pas enregistré dans conf_port",
                       0);
    const std::string texte = texte_conf_port(b);
    std::string echecs;
    for (const std::string& cible : cibles_conf_port()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(cible).parent_path(), ec);
        // Readable by the users a set-UID installation runs for.
        int erreur = sauvegarde_fichier(cible, texte, 0644);
        if (erreur == 0) return cible;
        echecs += "  " + cible + " : " + std::strerror(erreur) + "\n";
    }
    std::fprintf(stderr, "Les paramètres n'ont pas pu être enregistrés :\n%s", echecs.c_str());
    return "";
}
