#include "cli/korval_cli.h"

#include "cli/options.h"
#include "cli/progression.h"
#include "cli/suggestions.h"
#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"
#include "hex/hex.h"
#include "operations/interruption.h"
#include "operations/operations.h"
#include "operations/programmateur.h"
#include "pic/dispatch.h"
#include "port/backend.h"
#include "port/port.h"
#include "port/privileges.h"
#include "port/trace_vcd.h"
#include "sim/pannes.h"
#include "sim/simulateur.h"
#include "vue/vue_memoire.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef KORVAL_VERSION
#define KORVAL_VERSION "?"
#endif

namespace {

// The command's own output (catalogue, report, view). The lower layers' texts on standard output
// are sent to standard error, so that a script reads only this.
std::FILE* sortie = stdout;

int nb_messages = 0;
bool message_fatal = false;
Affichage_progression* progression = nullptr;

void puits_message(const std::string& texte, int fin) {
    if (progression) progression->interrompt();
    std::string t = texte;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", t.c_str());
    ++nb_messages;
    if (fin != 0) message_fatal = true;
}

void erreur(const std::string& texte) {
    std::fflush(stdout);
    std::fprintf(stderr, "korval-cli : %s\n", texte.c_str());
}

int erreur_usage(const std::string& texte) {
    erreur(texte);
    std::fputs("Aide : korval-cli --help\n", stderr);
    return SORTIE_USAGE;
}

std::FILE* reserve_sortie() {
    std::fflush(stdout);
    const int fd = ::dup(STDOUT_FILENO);
    if (fd < 0) return stdout;
    std::FILE* f = ::fdopen(fd, "w");
    if (!f) {
        ::close(fd);
        return stdout;
    }
    if (::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fclose(f);
        return stdout;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return f;
}

// The port of the settings, for the permission asked while still root.
int port_des_reglages() {
    std::ifstream f(chemin_conf_port_lecture());
    if (!f) return -1;
    lire_conf_port(f);
    const int port = PORT_PARA;
    valeurs_par_defaut_conf();
    return port;
}

// Columns a terminal gives the text: UTF-8 continuation bytes take none.
std::size_t colonnes(const std::string& s) {
    std::size_t n = 0;
    for (char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string a_gauche(const std::string& s, std::size_t largeur) {
    const std::size_t n = colonnes(s);
    return n < largeur ? s + std::string(largeur - n, ' ') : s;
}

std::string a_droite(const std::string& s, std::size_t largeur) {
    const std::size_t n = colonnes(s);
    return n < largeur ? std::string(largeur - n, ' ') + s : s;
}

std::string algorithme(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g ? g->nom : "?";
}

int composants() {
    std::fprintf(sortie, "%s\n",
                 (a_droite("N", 3) + "  " + a_gauche("Composant", 20) + a_droite("Programme", 10) +
                  a_droite("Données", 10) + "  " + a_gauche("Algorithme", 11) + "Testé")
                     .c_str());
    for (std::size_t i = 0; i < tab_pic.size(); ++i) {
        const Desc_PIC& p = tab_pic[i];
        std::fprintf(sortie, "%s\n",
                     (a_droite(std::to_string(i), 3) + "  " + a_gauche(p.nom, 20) +
                      a_droite(std::to_string(p.taille_prog), 10) +
                      a_droite(std::to_string(p.taille_donnee), 10) + "  " +
                      a_gauche(algorithme(p), 11) + (p.teste ? "oui" : "non"))
                         .c_str());
    }
    return SORTIE_REUSSIE;
}

void signale_inconnu(const std::string& nom) {
    erreur("composant inconnu : " + nom);
    const std::vector<std::string> proches = noms_proches(nom);
    if (!proches.empty()) {
        std::string liste;
        for (const std::string& p : proches) liste += (liste.empty() ? "" : ", ") + p;
        std::fprintf(stderr, "Noms les plus proches : %s\n", liste.c_str());
    }
    std::fputs("La liste complète : korval-cli composants\n", stderr);
}

bool fichier_lisible(const std::string& chemin) {
    std::FILE* f = std::fopen(chemin.c_str(), "rb");
    if (!f) return false;
    struct stat st;
    const bool ok = ::fstat(::fileno(f), &st) == 0 && !S_ISDIR(st.st_mode);
    std::fclose(f);
    return ok;
}

std::unique_ptr<Memoire_PIC> charge_fichier(const std::string& chemin, bool octets) {
    const bool lisible = fichier_lisible(chemin);
    const int avant = nb_messages;
    std::unique_ptr<Memoire_PIC> m =
        octets ? Lire_Fichier_Hex_EEPROM(chemin) : Lire_Fichier_Hex_PIC(chemin);
    if (!lisible) {
        // The reader has said that it could not open the file.
        if (nb_messages == avant) erreur("impossible de lire " + chemin);
        return nullptr;
    }
    if (nb_messages != avant) {
        erreur(chemin + " n'est pas un fichier Intel HEX correct : rien n'a été fait");
        return nullptr;
    }
    return m;
}

// Whether a file can be created or replaced at chemin (the writers go through a temporary file
// in the same directory as the file a link leads to, and keep an existing file only when it is a
// writable regular file).
bool fichier_inscriptible(const std::string& chemin) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path cible = chemin;
    if (fs::is_symlink(cible, ec)) {
        fs::path lien = fs::canonical(cible, ec);
        if (!ec) cible = lien;
    }
    struct stat st;
    if (::stat(cible.c_str(), &st) == 0 &&
        (!S_ISREG(st.st_mode) || ::access(cible.c_str(), W_OK) != 0))
        return false;
    fs::path dossier = cible.parent_path();
    if (dossier.empty()) dossier = ".";
    return ::access(dossier.c_str(), W_OK | X_OK) == 0;
}

bool enregistre_fichier(const std::string& chemin, const Memoire_PIC& m, bool octets) {
    const int avant = nb_messages;
    if (octets)
        Ecrire_Fichier_Hex_EEPROM(chemin, m);
    else
        Ecrire_Fichier_Hex_PIC(chemin, m);
    std::error_code ec;
    if (nb_messages != avant || !std::filesystem::is_regular_file(chemin, ec)) {
        erreur(chemin + " n'a pas pu être écrit");
        return false;
    }
    return true;
}

int afficher(const Options_cli& o, const Desc_PIC& p) {
    const std::unique_ptr<Memoire_PIC> m = charge_fichier(o.fichier, o.octets || est_eeprom(p));
    if (!m) return SORTIE_USAGE;
    std::string t = "Programmateur pour : " + p.nom;
    if (p.teste == 0) t += " (ATTENTION : NON TESTE )";
    t += "\n";
    if (p.taille_prog > 0) t += "Programme :\n" + texte_lignes(lignes_programme(*m, p.taille_prog));
    if (p.taille_donnee > 0)
        t += "Données :\n" + texte_lignes(lignes_donnees(*m, p.taille_donnee, o.base));
    for (const std::string& l : resume_configuration(*m, p)) t += l + "\n";
    std::fputs(t.c_str(), sortie);
    return SORTIE_REUSSIE;
}

// The programmer under the line driver for one operation: the simulated board, ppdev or direct
// port access, and the trace around it. A signal while it is open stops the operation safely.
class Session_port {
  public:
    ~Session_port() { ferme(); }

    // SORTIE_REUSSIE, or the exit status of the failure (its message given).
    int ouvre(const Options_cli& o) {
        garde.emplace();
        if (!installe_programmateur(o)) return SORTIE_USAGE;
        simulateur = o.avec_simulateur;
        installe = true;
        if (!o.trace.empty()) {
            const auto* trace = dynamic_cast<const Trace_vcd*>(&backend());
            if (!trace || !trace->enregistre()) {
                erreur("la trace " + o.trace + " n'a pas pu être créée");
                return SORTIE_USAGE;
            }
        }
        init_port();
        // A refused port has posted its message; nothing would reach the programmer.
        if (!backend().ouvert()) return SORTIE_PORT;
        return SORTIE_REUSSIE;
    }

    // Keeps the simulated chip in its state file and closes the trace. The virtual time the
    // simulated board ran, or -1.
    int64_t ferme() {
        int64_t ns = -1;
        if (installe) {
            installe = false;
            ns = simulateur ? termine_simulateur() : -1;
            installe_backend(cree_backend_ferme());
        }
        garde.reset();
        return ns;
    }

  private:
    std::optional<Garde_operation> garde;
    bool installe = false;
    bool simulateur = false;
};

int code_de(Resultat_operation r) {
    switch (r) {
    case OPERATION_REUSSIE:
        return SORTIE_REUSSIE;
    case PROGRAMMATEUR_ABSENT:
        return SORTIE_PORT;
    default:
        return SORTIE_ECHEC;
    }
}

// An image that ecrire must not write: nothing in the file, or code protection not asked for.
int refuse_ecriture(const Options_cli& o, const Memoire_PIC& m) {
    if (!m.donnees_lues) {
        erreur("Le fichier ne contient aucune donnée : rien à écrire");
        return SORTIE_USAGE;
    }
    const std::vector<std::string> protections = protections_ecrites(m);
    if (protections.empty() || o.proteger) return SORTIE_REUSSIE;
    std::string noms;
    for (const std::string& n : protections) noms += (noms.empty() ? "" : ", ") + n;
    erreur("le mot de configuration " + ui2Hex(m.config, 4) + " active la protection du code (" +
           noms +
           ") ; sur un PIC à EPROM, c'est définitif. Rien n'a été écrit : ajoutez "
           "--proteger pour protéger la puce");
    return SORTIE_USAGE;
}

int operation(const Options_cli& o, const Desc_PIC& p) {
    const bool octets = o.octets || est_eeprom(p);
    if (o.commande == Commande::effacer && !peut_effacer(p)) {
        erreur("effacer ne s'applique qu'aux composants de l'algorithme 1, 4, 5 ou 6 (PIC à "
               "mémoire flash ou EEPROM) : " +
               p.nom + " ne peut pas être effacé par le programmateur");
        return SORTIE_USAGE;
    }
    // A PIC with a plain byte file: the data memory only.
    if (octets && !est_eeprom(p)) le_prog_enable = le_config_enable = le_ID_enable = 0;

    std::unique_ptr<Memoire_PIC> image;
    if (o.commande == Commande::ecrire || o.commande == Commande::comparer) {
        image = charge_fichier(o.fichier, octets);
        if (!image) return SORTIE_USAGE;
    }
    if (o.commande == Commande::ecrire) {
        if (const int code = refuse_ecriture(o, *image); code != SORTIE_REUSSIE) return code;
    }
    if (o.commande == Commande::lire && !fichier_inscriptible(o.fichier)) {
        erreur("impossible d'écrire " + o.fichier + " : rien n'a été lu");
        return SORTIE_USAGE;
    }

    Session_port session;
    if (const int code = session.ouvre(o); code != SORTIE_REUSSIE) return code;
    if (p.teste == 0) erreur(p.nom + " (ATTENTION : NON TESTE )");

    const auto depart = std::chrono::steady_clock::now();
    Affichage_progression affichage(stderr, ::isatty(STDERR_FILENO) != 0, [depart] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - depart).count();
    });
    if (!o.silencieux) {
        progression = &affichage;
        installe_puits_progression([](float fraction, const char* legende, int) {
            progression->avance(fraction, legende);
        });
    }

    int code = SORTIE_REUSSIE;
    std::optional<Rapport_comparaison> rapport;
    std::unique_ptr<Memoire_PIC> lu;
    switch (o.commande) {
    case Commande::ecrire:
        code = code_de(ecrit_image(*image));
        break;
    case Commande::lire:
        lu = std::make_unique<Memoire_PIC>();
        code = code_de(lit_image(*lu));
        break;
    case Commande::effacer:
        code = code_de(efface_puce());
        break;
    case Commande::comparer:
        rapport = compare_image(*image);
        if (!rapport)
            code = SORTIE_PORT;
        else
            code = rapport->difference || rapport->lecture_echouee ? SORTIE_ECHEC : SORTIE_REUSSIE;
        break;
    default:
        break;
    }
    affichage.termine(code == SORTIE_REUSSIE || (rapport && !rapport->lecture_echouee));
    installe_puits_progression({});
    progression = nullptr;

    const std::vector<std::string> violations = releve_violations();
    for (const std::string& l : violations) std::fprintf(stderr, "%s\n", l.c_str());
    if (o.strict && !violations.empty() && code == SORTIE_REUSSIE) {
        erreur("--strict : la puce simulée a relevé des violations du protocole");
        code = SORTIE_ECHEC;
    }

    const int avant = nb_messages;
    const int64_t ns = session.ferme();
    // The simulated chip could not be kept in its state file.
    const bool etat_perdu = nb_messages != avant;
    if (ns >= 0)
        std::fprintf(stderr, "Durée sur un vrai programmateur : %s\n", texte_duree(ns).c_str());
    if (rapport) std::fputs(rapport->texte.c_str(), sortie);
    if (o.commande == Commande::lire && code == SORTIE_REUSSIE &&
        !enregistre_fichier(o.fichier, *lu, octets))
        code = SORTIE_USAGE;
    if (etat_perdu && code == SORTIE_REUSSIE) code = SORTIE_USAGE;
    return code;
}

int execute(const Options_cli& o) {
    const bool direct = utilise_programmateur(o.commande) && !o.avec_simulateur && o.ppdev.empty();
    // Port permissions and the drop of root come first. Only a process started by root may ask
    // for the port its settings name; a set-UID one gets the usual three.
    const int port = direct && ::getuid() == 0 ? port_des_reglages() : -1;
    if (prepare_privileges(direct, port) != 0) return SORTIE_PORT;
    if (direct && !acces_direct_permis()) {
        std::fputs("Erreur : vous devez etre en root, ou il faut que le bit set-UID soit mis à 1\n",
                   stderr);
        return SORTIE_PORT;
    }

    Lire_Fichier_Conf();
    if (message_fatal) return SORTIE_USAGE;
    if (o.commande == Commande::composants) return composants();

    if (!o.composant.empty()) {
        const int i = cherche_composant(o.composant);
        if (i < 0) {
            signale_inconnu(o.composant);
            return SORTIE_USAGE;
        }
        pic_select = i;
    }
    const Desc_PIC* p = pic_courant();
    if (!p) return erreur_usage("aucun composant choisi : le catalogue est vide");
    donnee_en_binaire = o.base;
    if (o.commande == Commande::afficher) return afficher(o, *p);

    Options_cli options = o;
    if (!o.puce.empty()) {
        const int i = cherche_composant(o.puce);
        if (i < 0) {
            signale_inconnu(o.puce);
            return SORTIE_USAGE;
        }
        options.puce = tab_pic[static_cast<std::size_t>(i)].nom;
    }
    for (const std::string& panne : o.pannes) {
        Pannes_simulateur essai;
        if (!ajoute_panne(panne, essai)) {
            std::string noms;
            for (const Desc_panne& d : liste_pannes())
                noms += (noms.empty() ? "" : ", ") + std::string(d.nom);
            return erreur_usage("panne inconnue : " + panne + " (" + noms + ")");
        }
    }
    return operation(options, *p);
}

} // namespace

int korval_cli_main(int argc, const char* const* argv) {
    Options_cli o;
    std::string motif;
    if (!lit_options(argc, argv, o, motif)) return erreur_usage(motif);
    if (o.aide) {
        std::fputs(texte_aide().c_str(), stdout);
        return SORTIE_REUSSIE;
    }
    if (o.version) {
        std::printf("korval-cli %s\n", KORVAL_VERSION);
        return SORTIE_REUSSIE;
    }
    if (!o.conf.empty()) force_repertoire_conf(o.conf);
    sortie = reserve_sortie();
    installe_puits_message(puits_message);
    installe_gestion_signaux();
    const int code = execute(o);
    installe_puits_message({});
    std::fflush(stdout);
    if (std::fflush(sortie) != 0 && code == SORTIE_REUSSIE) return SORTIE_USAGE;
    return code;
}
