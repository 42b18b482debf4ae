// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/korval_cli.h"

#include "cli/options.h"
#include "cli/progression.h"
#include "cli/suggestions.h"
#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "core/sauvegarde.h"
#include "hex/binaire.h"
#include "hex/entree.h"
#include "hex/hex.h"
#include "operations/interruption.h"
#include "operations/operations.h"
#include "operations/programmateur.h"
#include "operations/test_lignes.h"
#include "operations/vierge.h"
#include "operations/zones.h"
#include "pic/dispatch.h"
#include "port/backend.h"
#include "port/port.h"
#include "port/trace_vcd.h"
#include "sim/pannes.h"
#include "sim/simulateur.h"
#include "vue/vue_memoire.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

// The command's own output (catalogue, report, view, "lire -") goes to standard output; the lower
// layers' console texts go to standard error, so that a script reads only that.
std::FILE* const sortie = stdout;

// "-" names standard input for the commands that read a file and standard output for lire.
constexpr const char* FLUX_STANDARD = "-";
// The reader of the output has gone (a pipe into head): nothing more is written, and that is
// not a failure.
bool lecteur_parti = false;

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

// Writes texte to the command's own output; an error is reported with its cause.
bool ecrit_sortie(const std::string& texte) {
    if (lecteur_parti) return true;
    errno = 0;
    if (std::fwrite(texte.data(), 1, texte.size(), sortie) == texte.size() &&
        std::fflush(sortie) == 0)
        return true;
    if (errno == EPIPE) {
        lecteur_parti = true;
        std::clearerr(sortie);
        return true;
    }
    erreur("erreur d'écriture sur la sortie standard" +
           (errno != 0 ? " : " + std::string(std::strerror(errno)) : std::string()));
    // Reported here, not again at the end.
    std::clearerr(sortie);
    return false;
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
    bool ok = ecrit_sortie(a_droite("N", 3) + "  " + a_gauche("Composant", 20) +
                           a_droite("Programme", 10) + a_droite("Données", 10) + "  " +
                           a_gauche("Algorithme", 11) + "Testé\n");
    for (std::size_t i = 0; ok && i < tab_pic.size() && !lecteur_parti; ++i) {
        const Desc_PIC& p = tab_pic[i];
        ok = ecrit_sortie(a_droite(std::to_string(i), 3) + "  " + a_gauche(p.nom, 20) +
                          a_droite(std::to_string(p.taille_prog), 10) +
                          a_droite(std::to_string(p.taille_donnee), 10) + "  " +
                          a_gauche(algorithme(p), 11) + (p.teste ? "oui" : "non") + "\n");
    }
    return ok ? SORTIE_REUSSIE : SORTIE_USAGE;
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

std::string nom_entree(const std::string& chemin) {
    return chemin == FLUX_STANDARD ? "l'entrée standard" : chemin;
}

std::string nom_sortie(const std::string& chemin) {
    return chemin == FLUX_STANDARD ? "la sortie standard" : chemin;
}

// How the file of the command is read or written.
enum class Disposition {
    pic,     // Intel HEX, PIC layout
    octets,  // Intel HEX, plain byte layout (-d, serial EEPROMs)
    binaire, // raw bytes of the data memory
};

bool nom_binaire(const std::string& chemin) {
    std::string extension = std::filesystem::path(chemin).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".bin";
}

Disposition disposition(const Options_cli& o, const Desc_PIC& p) {
    if (o.format == Format_fichier::binaire ||
        (o.format == Format_fichier::selon_extension && nom_binaire(o.fichier)))
        return Disposition::binaire;
    return o.octets || est_eeprom(p) ? Disposition::octets : Disposition::pic;
}

// "1 octet", "128 octets" (0 and 1 take the singular).
std::string texte_octets(std::size_t n) {
    return std::to_string(n) + (n < 2 ? " octet" : " octets");
}

// Reads the HEX file (standard input for "-"), opened once; null after saying why. A file
// for ecrire that goes past an EPROM part is refused unless forced.
std::unique_ptr<Memoire_PIC> charge_hex(const std::string& chemin, bool octets, bool pour_ecrire) {
    const int avant = nb_messages;
    Lecture_hex bilan;
    std::unique_ptr<Memoire_PIC> m;
    if (chemin == FLUX_STANDARD) {
        Entree_fichier entree(STDIN_FILENO);
        m = octets ? Lire_Hex_EEPROM(entree, &bilan) : Lire_Hex_PIC(entree, &bilan);
    } else {
        m = octets ? Lire_Fichier_Hex_EEPROM(chemin, &bilan) : Lire_Fichier_Hex_PIC(chemin, &bilan);
    }
    if (bilan.illisible) {
        if (nb_messages == avant) erreur("impossible de lire " + nom_entree(chemin));
        return nullptr;
    }
    if (bilan.messages != 0) {
        erreur(nom_entree(chemin) + " n'est pas un fichier Intel HEX correct : rien n'a été fait");
        return nullptr;
    }
    const Desc_PIC* p = pic_courant();
    if (const std::string hors = texte_hors_composant(bilan, octets); !hors.empty()) {
        // A one-time part would keep only part of the file, for good.
        const Faits_genre* g = p ? faits_genre(*p) : nullptr;
        if (pour_ecrire && g && g->technologie == Technologie::eprom) {
            erreur(hors + " ; sur une puce à EPROM, un fichier qui ne tient pas n'est pas écrit "
                          "sans --forcer : rien n'a été fait");
            return nullptr;
        }
        erreur("attention : " + hors);
    }
    if (octets && p && p->taille_donnee > 0) {
        // As for a short binary file: the bytes the file leaves out stay at FF.
        const auto taille = static_cast<std::size_t>(p->taille_donnee);
        const auto n = static_cast<std::size_t>(
            std::count(bilan.octets_donnes.begin(), bilan.octets_donnes.end(), true));
        if (n < taille)
            erreur("attention : " + nom_entree(chemin) + " ne donne que " + texte_octets(n) +
                   " : le reste de la mémoire (" + texte_octets(taille - n) + ") est laissé à FF");
    }
    return m;
}

// Reads the binary file (standard input for "-") into the data memory of p. A file longer than
// the memory is refused; a shorter one leaves the rest at 0xFF, which is said unless an empty
// file is about to be refused by ecrire.
std::unique_ptr<Memoire_PIC> charge_binaire(const std::string& chemin, const Desc_PIC& p,
                                            bool ecriture) {
    const int avant = nb_messages;
    Lecture_binaire bilan;
    std::unique_ptr<Memoire_PIC> m;
    if (chemin == FLUX_STANDARD) {
        Entree_fichier entree(STDIN_FILENO);
        m = Lire_Binaire(entree, &bilan);
    } else {
        m = Lire_Fichier_Binaire(chemin, &bilan);
    }
    if (bilan.illisible) {
        if (nb_messages == avant) erreur("impossible de lire " + nom_entree(chemin));
        return nullptr;
    }
    const std::size_t taille = static_cast<std::size_t>(p.taille_donnee);
    const std::string memoire =
        (est_eeprom(p) ? "la mémoire de " : "la mémoire de données de ") + texte_octets(taille);
    if (bilan.taille > taille) {
        erreur(nom_entree(chemin) + " fait " + (bilan.taille_exacte ? "" : "plus de ") +
               texte_octets(bilan.taille) + ", plus que " + memoire + " du " + p.nom +
               " : rien n'a été fait");
        return nullptr;
    }
    if (bilan.taille == 0 && !ecriture)
        erreur("attention : " + nom_entree(chemin) + " est vide : toute " + memoire +
               " est laissée à FF");
    else if (bilan.taille > 0 && bilan.taille < taille)
        erreur("attention : " + nom_entree(chemin) + " ne fait que " + texte_octets(bilan.taille) +
               " : le reste de la mémoire (" + texte_octets(taille - bilan.taille) +
               ") est laissé à FF");
    return m;
}

std::unique_ptr<Memoire_PIC> charge_fichier(const Options_cli& o, const Desc_PIC& p) {
    const Disposition d = disposition(o, p);
    if (d == Disposition::binaire)
        return charge_binaire(o.fichier, p, o.commande == Commande::ecrire);
    return charge_hex(o.fichier, d == Disposition::octets,
                      o.commande == Commande::ecrire && !o.forcer);
}

// An existing target that is not a regular file (device, FIFO, socket): written in place.
bool cible_speciale(const std::string& chemin) {
    struct stat st;
    return ::stat(chemin.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// Whether lire may write its file at chemin: replaced through a temporary file in the same
// directory, or written in place when it is a descriptor or not a regular file.
bool fichier_inscriptible(const std::string& chemin) {
    namespace fs = std::filesystem;
    if (chemin == FLUX_STANDARD) return true;
    if (const auto fd = descripteur_designe(chemin)) return ::fcntl(*fd, F_GETFD) != -1;
    if (cible_speciale(chemin)) return ::access(chemin.c_str(), W_OK) == 0;
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

// Whether the two paths name one existing file (same device and inode, links followed).
bool meme_fichier(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a.empty() || b.empty() || a == FLUX_STANDARD || b == FLUX_STANDARD) return false;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The message refusing an output of the run (the trace, lire's file) that is also one of its
// inputs (the image file, the simulated chip's state file) or its other output; "" when none is.
std::string cible_en_conflit(const Options_cli& o) {
    struct Fichier {
        std::string chemin;
        const char* role;
        bool sortie;
    };
    // Outputs first: each clash is named from the file that would be overwritten.
    std::vector<Fichier> f;
    if (!o.trace.empty()) f.push_back({o.trace, "la trace", true});
    if (o.commande == Commande::lire) f.push_back({o.fichier, "le fichier à écrire", true});
    if (o.commande == Commande::ecrire || o.commande == Commande::comparer)
        f.push_back({o.fichier, "le fichier de l'image", false});
    if (o.avec_simulateur) f.push_back({o.simulateur, "le fichier d'état du simulateur", false});
    for (std::size_t i = 0; i < f.size(); ++i)
        for (std::size_t j = i + 1; f[i].sortie && j < f.size(); ++j)
            if (meme_fichier(f[i].chemin, f[j].chemin))
                return std::string(f[i].role) + " " + f[i].chemin + " est aussi " + f[j].role +
                       " (" + f[j].chemin + ") : il serait écrasé. Rien n'a été fait";
    return "";
}

// Writes texte straight to chemin (standard output for "-"); the error, with the file's name,
// is reported.
bool ecrit_sur_place(const std::string& chemin, const std::string& texte) {
    if (chemin == FLUX_STANDARD || descripteur_designe(chemin) == STDOUT_FILENO)
        return ecrit_sortie(texte);
    if (const int e = sauvegarde_fichier(chemin, texte); e != 0) {
        erreur("erreur d'écriture sur " + nom_sortie(chemin) + " : " + std::strerror(e));
        return false;
    }
    return true;
}

// The file of what was read (lues): a binary file holds data bytes 0..the last one read.
std::string texte_fichier(const Memoire_PIC& m, Disposition d, const Zones_couvertes& lues) {
    switch (d) {
    case Disposition::binaire:
        return Texte_Binaire(m).substr(0, static_cast<std::size_t>(lues.donnees.fin + 1));
    case Disposition::octets:
        return Texte_Hex_EEPROM(m, &lues);
    default:
        return Texte_Hex_PIC(m, &lues);
    }
}

bool enregistre_fichier(const std::string& chemin, const Memoire_PIC& m, Disposition d,
                        const Zones_couvertes& lues) {
    const std::string texte = texte_fichier(m, d, lues);
    if (chemin == FLUX_STANDARD || descripteur_designe(chemin) || cible_speciale(chemin))
        return ecrit_sur_place(chemin, texte);
    const int avant = nb_messages;
    Ecrire_Fichier(chemin, texte);
    std::error_code ec;
    if (nb_messages != avant || !std::filesystem::is_regular_file(chemin, ec)) {
        erreur(chemin + " n'a pas pu être écrit");
        return false;
    }
    return true;
}

int afficher(const Options_cli& o, const Desc_PIC& p) {
    const std::unique_ptr<Memoire_PIC> m = charge_fichier(o, p);
    if (!m) return SORTIE_USAGE;
    std::string t = "Programmateur pour : " + p.nom;
    if (p.teste == 0) t += " (ATTENTION : NON TESTE )";
    t += "\n";
    if (p.taille_prog > 0) t += "Programme :\n" + texte_lignes(lignes_programme(*m, p.taille_prog));
    if (p.taille_donnee > 0)
        t += "Données :\n" + texte_lignes(lignes_donnees(*m, p.taille_donnee, o.base));
    for (const std::string& l : resume_configuration(*m, p)) t += l + "\n";
    return ecrit_sortie(t) ? SORTIE_REUSSIE : SORTIE_USAGE;
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
    if (lvp_efface_par_l_ecriture(m) && !o.forcer) {
        erreur(texte_lvp_efface(m) + " Rien n'a été écrit : ajoutez --forcer pour l'écrire quand "
                                     "même");
        return SORTIE_USAGE;
    }
    const std::string protections = texte_protections_ecrites(m);
    if (protections.empty() || o.proteger) return SORTIE_REUSSIE;
    erreur(protections + " ; sur un PIC à EPROM, c'est définitif. Rien n'a été écrit : ajoutez "
                         "--proteger pour protéger la puce");
    return SORTIE_USAGE;
}

int essai_lignes(const Options_cli& o) {
    Session_port session;
    if (const int code = session.ouvre(o); code != SORTIE_REUSSIE) return code;
    teste_lignes(3'000'000, broche_programmateur, [](const Etape_lignes& e) {
        std::printf("%s\n  DATA_IN lu : %d\n", e.annonce.c_str(), e.data_in);
        if (!e.vu.empty()) std::printf("  %s\n", e.vu.c_str());
        std::fflush(stdout);
    });
    const int avant = nb_messages;
    session.ferme();
    return nb_messages != avant ? SORTIE_ECHEC : SORTIE_REUSSIE;
}

// What a command leaves for its report and its file.
struct Issue_commande {
    int code = SORTIE_REUSSIE;
    std::optional<Rapport_comparaison> rapport;
    std::optional<Rapport_vierge> vierge;
    std::unique_ptr<Memoire_PIC> lu;
};

// Refusals on the device and the zones, before anything is read: SORTIE_REUSSIE or the exit code
// after a message. A PIC with a plain byte file keeps only its data zone.
int refus_zones_commande(const Options_cli& o, const Desc_PIC& p, Disposition d) {
    if (o.commande == Commande::effacer && !peut_effacer(p)) {
        erreur("effacer ne s'applique qu'aux composants de l'algorithme " +
               numeros_genres(genre_pic_effacable) +
               " (PIC à mémoire flash ou EEPROM) et aux EEPROM série : " + p.nom +
               " ne peut pas être effacé par le programmateur");
        return SORTIE_USAGE;
    }
    // A PIC with a plain byte file: the data memory only.
    if (d != Disposition::pic && !est_eeprom(p))
        le_prog_enable = le_config_enable = le_ID_enable = 0;
    if (const std::string refus = refus_zones(p); !refus.empty()) {
        erreur(refus);
        return SORTIE_USAGE;
    }
    return SORTIE_REUSSIE;
}

// Refusals on the file, loaded into image for ecrire and comparer: SORTIE_REUSSIE or the exit code
// after a message.
int refus_fichier_commande(const Options_cli& o, const Desc_PIC& p, Disposition d,
                           const Zones_couvertes& zones, std::unique_ptr<Memoire_PIC>& image) {
    if (o.commande == Commande::lire && d == Disposition::binaire && zones.donnees.debut > 0) {
        erreur("un fichier binaire commence à l'octet 0 : il ne peut pas tenir une lecture qui "
               "commence à l'octet " +
               std::to_string(zones.donnees.debut) + " ; employez un fichier Intel HEX");
        return SORTIE_USAGE;
    }

    if (o.commande == Commande::ecrire || o.commande == Commande::comparer) {
        image = charge_fichier(o, p);
        if (!image) return SORTIE_USAGE;
    }
    if (o.commande == Commande::ecrire) {
        if (const int code = refuse_ecriture(o, *image); code != SORTIE_REUSSIE) return code;
        if (const std::string refus = refus_image(*image, p); !refus.empty()) {
            erreur(refus);
            return SORTIE_USAGE;
        }
    }
    if (const std::string conflit = cible_en_conflit(o); !conflit.empty()) {
        erreur(conflit);
        return SORTIE_USAGE;
    }
    if (o.commande == Commande::lire && !fichier_inscriptible(o.fichier)) {
        erreur("impossible d'écrire " + nom_sortie(o.fichier) + " : rien n'a été lu");
        return SORTIE_USAGE;
    }
    return SORTIE_REUSSIE;
}

// Runs the command on the chip, with the progress display unless --silencieux.
Issue_commande lance_commande(const Options_cli& o, const Memoire_PIC* image) {
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

    Issue_commande r;
    switch (o.commande) {
    case Commande::ecrire:
        r.code = code_de(ecrit_image(*image, o.forcer));
        break;
    case Commande::lire:
        r.lu = std::make_unique<Memoire_PIC>();
        r.code = code_de(lit_image(*r.lu, o.forcer));
        break;
    case Commande::effacer:
        r.code = code_de(efface_puce(o.forcer));
        break;
    case Commande::vierge:
        r.vierge.emplace();
        r.code = code_de(verifie_vierge(*r.vierge, o.forcer));
        if (r.code != SORTIE_REUSSIE)
            r.vierge.reset();
        else if (!r.vierge->vierge())
            r.code = SORTIE_ECHEC;
        break;
    case Commande::comparer:
        r.rapport = compare_image(*image, o.forcer);
        if (!r.rapport)
            r.code = SORTIE_PORT;
        else
            r.code = r.rapport->difference || r.rapport->lecture_echouee || r.rapport->refusee
                         ? SORTIE_ECHEC
                         : SORTIE_REUSSIE;
        break;
    default:
        break;
    }
    affichage.termine(r.code == SORTIE_REUSSIE || (r.rapport && !r.rapport->lecture_echouee) ||
                      r.vierge.has_value());
    installe_puits_progression({});
    progression = nullptr;
    return r;
}

// The simulator's findings, the session's close, the report and the file read: the exit code.
int termine_commande(const Options_cli& o, Session_port& session, Issue_commande& r, Disposition d,
                     const Zones_couvertes& zones) {
    const std::vector<std::string> violations = releve_violations();
    for (const std::string& l : violations) std::fprintf(stderr, "%s\n", l.c_str());
    if (o.strict && !violations.empty() && r.code == SORTIE_REUSSIE) {
        erreur("--strict : la puce simulée a relevé des violations du protocole");
        r.code = SORTIE_ECHEC;
    }

    const int avant = nb_messages;
    const int64_t ns = session.ferme();
    // The simulated chip could not be kept in its state file, or the trace could not be written.
    const bool etat_perdu = nb_messages != avant;
    if (ns >= 0)
        std::fprintf(stderr, "Durée sur un vrai programmateur : %s\n", texte_duree(ns).c_str());
    // The report, the full difference list and the blank check: a write error on standard
    // output fails a command that had succeeded.
    std::string texte;
    if (r.rapport) texte += r.rapport->texte;
    if (r.rapport && o.toutes && !r.rapport->refusee && !r.rapport->lecture_echouee)
        texte += texte_differences(*r.rapport);
    if (r.vierge) texte += r.vierge->texte();
    if (!texte.empty() && !ecrit_sortie(texte) && r.code == SORTIE_REUSSIE) r.code = SORTIE_USAGE;
    if (o.commande == Commande::lire && r.code == SORTIE_REUSSIE) {
        // A signal during the save waits for it; once the file is in place the read is done,
        // and a stop, then or before the program ends, would call it a failure.
        Garde_operation garde;
        if (!enregistre_fichier(o.fichier, *r.lu, d, zones))
            r.code = SORTIE_USAGE;
        else
            conclut_sans_interruption();
        signal_interruption = 0;
    }
    if (etat_perdu && r.code == SORTIE_REUSSIE) r.code = SORTIE_USAGE;
    return r.code;
}

int operation(const Options_cli& o, const Desc_PIC& p) {
    const Disposition d = disposition(o, p);
    if (const int code = refus_zones_commande(o, p, d); code != SORTIE_REUSSIE) return code;
    const Zones_couvertes zones = zones_choisies(p);
    std::unique_ptr<Memoire_PIC> image;
    if (const int code = refus_fichier_commande(o, p, d, zones, image); code != SORTIE_REUSSIE)
        return code;

    Session_port session;
    if (const int code = session.ouvre(o); code != SORTIE_REUSSIE) return code;
    if (p.teste == 0) erreur(p.nom + " (ATTENTION : NON TESTE )");
    Issue_commande r = lance_commande(o, image.get());
    return termine_commande(o, session, r, d, zones);
}

int execute(const Options_cli& o) {
    // Port permissions and the drop of root come first.
    const Preparation_programmateur depart =
        prepare_programmateur(o, utilise_programmateur(o.commande));
    if (!depart.pret) {
        if (!depart.message.empty()) std::fprintf(stderr, "%s\n", depart.message.c_str());
        return SORTIE_PORT;
    }

    Lire_Fichier_Conf(true);
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
    eeprom_rapide = o.rapide ? 1 : 0;
    if (!o.fichier.empty() && disposition(o, *p) == Disposition::binaire && p->taille_donnee <= 0) {
        erreur("le " + p->nom +
               " n'a pas de mémoire de données : un fichier binaire ne contient qu'elle ; "
               "employez un fichier Intel HEX (--format hex)");
        return SORTIE_USAGE;
    }
    if (o.commande == Commande::afficher) return afficher(o, *p);
    if (o.commande == Commande::lignes) return essai_lignes(o);
    if (o.avec_zones) {
        // For this run only: the command line never rewrites the settings.
        le_prog_enable = o.zone_programme;
        le_data_enable = o.zone_donnees;
        le_ID_enable = o.zone_id;
        le_config_enable = o.zone_config;
    }

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

namespace {

int lance(int argc, const char* const* argv) {
    Options_cli o;
    std::string motif;
    if (!lit_options(argc, argv, o, motif)) return erreur_usage(motif);
    if (o.aide || o.version) {
        const bool ok = ecrit_sortie(o.aide ? texte_aide()
                                            : std::string("korval-cli ") + KORVAL_VERSION + "\n");
        return ok ? SORTIE_REUSSIE : SORTIE_USAGE;
    }
    choisit_sortie_console(stderr);
    installe_puits_message(puits_message);
    installe_gestion_signaux();
    const int code = execute(o);
    installe_puits_message({});
    choisit_sortie_console(nullptr);
    return code;
}

} // namespace

int korval_cli_main(int argc, const char* const* argv) {
    // A reader that stops early (head) only ends the output: write errors say so instead of a
    // signal killing the program, perhaps in the middle of a chip operation.
    std::signal(SIGPIPE, SIG_IGN);
    const int code = lance(argc, argv);
    // What was written to standard output must have reached it. A standard output closed from
    // the start only matters when something was written to it, which fflush has seen.
    errno = 0;
    bool ok = std::fflush(sortie) == 0 && !std::ferror(sortie);
    if (ok && std::fclose(sortie) != 0 && errno != EBADF) ok = false;
    if (!ok && errno == EPIPE) lecteur_parti = true;
    if (!ok && !lecteur_parti) {
        // An error met while the buffer filled left no errno behind.
        erreur(std::string("erreur d'écriture sur la sortie standard") +
               (errno != 0 ? std::string(" : ") + std::strerror(errno) : std::string()));
        if (code == SORTIE_REUSSIE) return SORTIE_USAGE;
    }
    return code;
}
