// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/options.h"

#include "cli/suggestions.h"
#include "core/genre_puce.h"
#include "sim/pannes.h"

namespace {

struct Desc_commande {
    Commande commande;
    const char* nom;
    bool avec_fichier;
};

const Desc_commande commandes[] = {
    {Commande::composants, "composants", false}, {Commande::lire, "lire", true},
    {Commande::ecrire, "ecrire", true},          {Commande::comparer, "comparer", true},
    {Commande::effacer, "effacer", false},       {Commande::afficher, "afficher", true},
    {Commande::vierge, "vierge", false},         {Commande::lignes, "lignes", false},
};

const Desc_commande* cherche_commande(const std::string& nom) {
    for (const Desc_commande& c : commandes)
        if (nom == c.nom) return &c;
    return nullptr;
}

enum Code_propre : int {
    OPTION_BASE = PREMIER_CODE_PROPRE,
    OPTION_ZONES,
    OPTION_PROTEGER,
    OPTION_STRICT,
    OPTION_FORCER,
    OPTION_TOUTES,
    OPTION_RAPIDE,
    OPTION_FORMAT,
};

// korval-cli's own options, besides the shared ones.
const Option_ligne options_cli[] = {
    {"composant", 'c', true},         {"donnees", 'd', false},
    {"silencieux", 'q', false},       {"base", OPTION_BASE, true},
    {"zones", OPTION_ZONES, true},    {"proteger", OPTION_PROTEGER, false},
    {"strict", OPTION_STRICT, false}, {"forcer", OPTION_FORCER, false},
    {"toutes", OPTION_TOUTES, false}, {"rapide", OPTION_RAPIDE, false},
    {"format", OPTION_FORMAT, true},
};

// "programme,donnees,id,config", any of them in any order.
bool lit_zones(const std::string& liste, Options_cli& o, std::string& erreur) {
    o.avec_zones = true;
    o.zone_programme = o.zone_donnees = o.zone_id = o.zone_config = false;
    std::size_t debut = 0;
    while (debut <= liste.size()) {
        std::size_t virgule = liste.find(',', debut);
        if (virgule == std::string::npos) virgule = liste.size();
        const std::string zone = liste.substr(debut, virgule - debut);
        if (zone == "programme") {
            o.zone_programme = true;
        } else if (zone == "donnees") {
            o.zone_donnees = true;
        } else if (zone == "id") {
            o.zone_id = true;
        } else if (zone == "config") {
            o.zone_config = true;
        } else {
            erreur = "zone inconnue : " + zone + " (programme, donnees, id ou config)";
            return false;
        }
        debut = virgule + 1;
    }
    return true;
}

bool range_option(int code, const std::string& valeur, Options_cli& o, std::string& erreur) {
    switch (code) {
    case 'c':
        o.composant = valeur;
        break;
    case 'd':
        o.octets = true;
        break;
    case 'q':
        o.silencieux = true;
        break;
    case OPTION_BASE:
        if (valeur == "hexa") {
            o.base = 0;
        } else if (valeur == "decimale") {
            o.base = 2;
        } else if (valeur == "binaire") {
            o.base = 1;
        } else {
            erreur = "base inconnue : " + valeur + " (hexa, decimale ou binaire)";
            return false;
        }
        break;
    case OPTION_FORMAT:
        if (valeur == "hex") {
            o.format = Format_fichier::hex;
        } else if (valeur == "binaire") {
            o.format = Format_fichier::binaire;
        } else if (!valeur.empty()) {
            erreur = "format inconnu : " + valeur + " (binaire ou hex)";
            return false;
        }
        break;
    case OPTION_ZONES:
        // An empty list is refused as an empty value.
        return valeur.empty() || lit_zones(valeur, o, erreur);
    case OPTION_PROTEGER:
        o.proteger = true;
        break;
    case OPTION_STRICT:
        o.strict = true;
        break;
    case OPTION_FORCER:
        o.forcer = true;
        break;
    case OPTION_TOUTES:
        o.toutes = true;
        break;
    case OPTION_RAPIDE:
        o.rapide = true;
        break;
    default:
        break;
    }
    return true;
}

} // namespace

bool lit_options(int argc, const char* const* argv, Options_cli& o, std::string& erreur) {
    const Ligne_lue ligne =
        lit_ligne(argc, argv, o, options_cli, [&o](int code, const std::string& v, std::string& e) {
            return range_option(code, v, o, e);
        });
    if (!ligne.erreur.empty()) {
        erreur = ligne.erreur;
        return false;
    }
    const std::vector<std::string>& positionnels = ligne.positionnels;
    if (o.aide || o.version) return true;

    if (positionnels.empty()) {
        erreur = "commande manquante";
        return false;
    }
    const Desc_commande* c = cherche_commande(positionnels[0]);
    if (!c) {
        erreur = "commande inconnue : " + positionnels[0];
        std::vector<std::string> noms;
        for (const Desc_commande& d : commandes) noms.push_back(d.nom);
        if (const std::string proche = commande_proche(positionnels[0], noms); !proche.empty())
            erreur += " (vouliez-vous dire " + proche + " ?)";
        return false;
    }
    o.commande = c->commande;
    const std::size_t attendus = c->avec_fichier ? 2 : 1;
    if (positionnels.size() < attendus) {
        erreur = std::string("la commande ") + c->nom + " demande un FICHIER";
        return false;
    }
    if (positionnels.size() > attendus) {
        erreur = "argument en trop : " + positionnels[attendus];
        return false;
    }
    if (c->avec_fichier) o.fichier = positionnels[1];

    if (!o.avec_simulateur && (!o.puce.empty() || !o.pannes.empty())) {
        erreur = "--puce et --panne ne s'emploient qu'avec --simulateur";
        return false;
    }
    if (!o.avec_simulateur && o.strict) {
        erreur = "--strict ne s'emploie qu'avec --simulateur";
        return false;
    }
    if (o.avec_simulateur && !o.ppdev.empty()) {
        erreur = "--simulateur et --ppdev ne s'emploient pas ensemble";
        return false;
    }
    return true;
}

bool utilise_programmateur(Commande c) {
    return c == Commande::lire || c == Commande::ecrire || c == Commande::comparer ||
           c == Commande::effacer || c == Commande::vierge || c == Commande::lignes;
}

const char* nom_commande(Commande c) {
    for (const Desc_commande& d : commandes)
        if (d.commande == c) return d.nom;
    return "";
}

namespace {

// The help in parts, each a paragraph of korval-cli --help.
std::string aide_commandes() {
    return "Usage : korval-cli [OPTIONS] COMMANDE [FICHIER]\n"
           "Programme les PIC de Microchip et les EEPROM série avec un programmateur branché sur\n"
           "le port parallèle, ou avec le programmateur simulé.\n"
           "\n"
           "Commandes :\n"
           "  composants          le catalogue : numéro, nom, mots de programme, octets de\n"
           "                      données, algorithme ou protocole, testé ou non\n"
           "  lire FICHIER        lit la puce dans FICHIER (Intel HEX, ou binaire : voir\n"
           "                      --format) ; FICHIER n'est ni créé ni modifié si la\n"
           "                      lecture échoue\n"
           "  ecrire FICHIER      écrit FICHIER dans la puce (données, programme, puis ID et\n"
           "                      configuration), chaque mot (ou octet d'EEPROM) vérifié ; un\n"
           "                      fichier sans mot de configuration laisse celui de la puce,\n"
           "                      un fichier sans données est refusé\n"
           "  comparer FICHIER    compare la puce avec FICHIER et affiche le rapport\n"
           "  effacer             efface la puce (algorithmes " +
           numeros_genres(genre_pic_effacable, " et ") +
           ", et EEPROM série :\n"
           "                      ERAL en Microwire, 0xFF écrit et vérifié en I2C et SPI), puis\n"
           "                      vérifie qu'elle est vierge\n"
           "  vierge              vérifie que la puce est vierge (zones des réglages ou de\n"
           "                      --zones) ; sinon, pour chaque zone, la première adresse non\n"
           "                      vierge et le nombre de mots (code 1)\n"
           "  afficher FICHIER    affiche FICHIER comme la vue mémoire du programme graphique,\n"
           "                      sans toucher au programmateur\n"
           "  lignes              essai du câblage : chaque ligne de sortie active à son tour\n"
           "                      3 s, sa broche, ce qu'il faut mesurer et DATA_IN lu ; sur\n"
           "                      le programmateur simulé, ce que la carte a vu\n"
           "FICHIER « - » : l'entrée standard (ecrire, comparer, afficher) ou la sortie standard\n"
           "(lire).\n";
}

const char* aide_options() {
    return "Options :\n"
           "  -c, --composant NOM    composant du catalogue (par défaut : celui retenu dans les\n"
           "                         réglages)\n"
           "  -d, --donnees          fichier en octets simples (image d'EEPROM) ; par défaut :\n"
           "                         disposition PIC pour un PIC, octets pour une EEPROM série.\n"
           "                         Pour un PIC, seule la mémoire de données est alors touchée\n"
           "  --format binaire|hex   FICHIER en octets bruts ou en Intel HEX ; par défaut,\n"
           "                         binaire pour un nom en .bin (majuscules ou minuscules),\n"
           "                         Intel HEX sinon. Un fichier binaire est la mémoire de\n"
           "                         données seule (EEPROM série, EEPROM de données d'un PIC),\n"
           "                         l'octet N à l'adresse N : plus long que la puce, il est\n"
           "                         refusé (code 2) ; plus court, le reste est laissé à FF.\n"
           "                         lire en écrit exactement la taille de la puce\n"
           "  --proteger             ecrire accepte un mot de configuration qui active la\n"
           "                         protection du code ou des données (CP0, CP1, CPD, WRT,\n"
           "                         dans l'un ou l'autre mot) ; sans cette option, un tel\n"
           "                         fichier est refusé\n"
           "  --conf REP             répertoire de conf_PICS et conf_port (par défaut\n"
           "                         /etc/korval-1.2/, ou KORVAL_CONF)\n"
           "  --simulateur FICHIER   programmateur simulé ; FICHIER garde la puce simulée d'une\n"
           "                         fois sur l'autre. Un FICHIER qui ne peut pas être chargé\n"
           "                         (autre puce, contenu illisible) est refusé (code 2) et\n"
           "                         laissé tel quel : un autre nom donne une puce neuve. Un\n"
           "                         FICHIER déjà employé par un autre korval ou korval-cli\n"
           "                         est refusé aussi\n"
           "  --puce NOM             autre composant dans le support simulé\n"
           "  --panne NOM            panne simulée (répétable, liste ci-dessous)\n"
           "  --adaptateur ftdi|gpio avec --simulateur : la carte simulée derrière un câble USB\n"
           "                         FTDI ou les broches GPIO, avec leurs délais\n"
           "  --ppdev PERIPH         port parallèle par ppdev (par exemple /dev/parport0) au lieu\n"
           "                         de l'accès direct, qui demande root\n"
           "  --ftdi[=DESCRIPTION]   programmateur sur un câble USB FTDI en bit-bang (FT232R par\n"
           "                         défaut ; DESCRIPTION : i:0x0403:0x6001, s:0x0403:0x6001:SERIE)\n"
           "  --gpio PUCE            programmateur sur les broches GPIO de PUCE (gpiochip0)\n"
           "  --trace FICHIER        trace VCD de toutes les lignes du programmateur\n"
           "  --strict               avec --simulateur : une violation du protocole relevée par\n"
           "                         la puce simulée fait échouer la commande (code 1)\n"
           "  --zones LISTE          zones de cette commande, séparées par des virgules :\n"
           "                         programme, donnees, id, config (à la place de celles des\n"
           "                         réglages, qui ne changent pas) ; lire, ecrire, comparer,\n"
           "                         vierge\n"
           "  --toutes               comparer : liste aussi chaque mot différent (adresse, puce,\n"
           "                         fichier), puis « N mots différents »\n"
           "  --forcer               continue malgré un autre composant dans le support (ID\n"
           "                         lu à 2006H) ou un mot de calibration de l'oscillateur qui\n"
           "                         serait perdu\n"
           "  --base hexa|decimale|binaire\n"
           "                         base des données pour afficher (par défaut hexa)\n"
           "  --rapide               EEPROM série : écriture par pages en I2C et SPI (chaque\n"
           "                         page relue et vérifiée) et lecture séquentielle sur les\n"
           "                         trois bus ; par défaut, un octet par transaction\n"
           "  -q, --silencieux       pas d'affichage de la progression\n"
           "  -h, --help             cette aide\n"
           "  --version              version du programme\n";
}

const char* aide_notes() {
    return "Les réglages (conf_port) donnent le port, le type de programmateur, le brochage, les\n"
           "plages et les zones à programmer ; la ligne de commande ne les réécrit jamais.\n"
           "\n"
           "Après chaque opération, le programmateur simulé donne les violations du protocole\n"
           "relevées par la puce, une ligne par sorte avec leur nombre, par exemple\n"
           "« Simulateur : 2 commandes inconnues (9, 11) ».\n"
           "\n"
           "Avant chaque opération, un PIC qui a un ID (16F84A, 16F627/628, 16F87x, 16F62xA,\n"
           "16F87xA, 12F629/675, 16F630/676) est identifié : un autre composant, ou aucun, arrête\n"
           "l'opération (code 1) sauf avec --forcer. Avant d'écrire ou d'effacer un PIC qui garde\n"
           "la calibration de l'oscillateur dans son dernier mot, ce mot est lu, affiché et noté\n"
           "dans ~/.local/share/korval/calibration/COMPOSANT.txt (ou $XDG_DATA_HOME).\n"
           "\n"
           "Ctrl-C (SIGINT), SIGTERM ou SIGHUP pendant une opération : la puce est mise hors\n"
           "tension, la puce simulée est enregistrée telle qu'elle est, la trace est fermée, et\n"
           "la commande s'arrête avec le code 130, 143 ou 129.\n"
           "\n";
}

std::string aide_pannes() {
    std::string t = "Pannes du programmateur simulé :\n";
    for (const Desc_panne& p : liste_pannes()) {
        std::string nom = p.nom;
        if (nom.size() < 20) nom.resize(20, ' ');
        t += "  " + nom + " " + p.description + "\n";
    }
    return t;
}

const char* aide_codes() {
    return "\n"
           "Codes de sortie :\n"
           "  0  réussite\n"
           "  1  l'opération sur la puce a échoué, la comparaison a trouvé une différence, la\n"
           "     puce n'est pas vierge, ou ce n'est pas le composant choisi\n"
           "  2  mauvaise utilisation, composant inconnu, fichier illisible, sans données, trop\n"
           "     long ou impossible à écrire (sortie standard et trace comprises), protection\n"
           "     du code sans --proteger\n"
           "  3  programmateur non détecté, ou accès au port refusé\n"
           "  130, 143, 129  opération interrompue par SIGINT, SIGTERM ou SIGHUP\n";
}

} // namespace

std::string texte_aide() {
    return aide_commandes() + "\n" + aide_options() + "\n" + aide_notes() + aide_pannes() +
           aide_codes();
}
