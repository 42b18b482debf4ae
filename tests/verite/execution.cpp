// SPDX-License-Identifier: GPL-2.0-or-later
// One run: the chip seeded, the files made, korval-cli started, the chip's contents afterwards
// loaded from its state file and the invariants checked.
#include "verite.h"

#include "commun/outils.h"
#include "core/genre_puce.h"
#include "fichiers_verite.h"
#include "sim/eeproms/eeprom_simulee.h"
#include "sim/etat_puce.h"
#include "sim/pannes.h"
#include "sim/puces/fabrique.h"
#include "sim/puces/puce_16f1xxx.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace verite {

namespace {

// A run that has not ended by then never will. A full read of the largest EEPROM with its trace
// takes seconds, but minutes under the sanitizers on a loaded machine.
#if defined(__SANITIZE_ADDRESS__)
constexpr int duree_max_s = 900;
#else
constexpr int duree_max_s = 120;
#endif

const std::string texte_ancien = "contenu ancien\n";

// The second configuration word: the enhanced mid-range model keeps its own.
int config2_de(const Puce_pic& p) {
    if (const auto* g = dynamic_cast<const Puce_16f1xxx*>(&p)) return g->config2();
    return p.contenu().config2;
}

void fixe_config2(Puce_pic& p, uint16_t v) {
    if (auto* g = dynamic_cast<Puce_16f1xxx*>(&p))
        g->fixe_config2(v);
    else
        p.contenu().config2 = v;
}

// Blank contents of the whole chip, with its factory calibration.
Contenu vierge(const Composant& c) {
    Contenu v;
    if (c.pic) v.prog.assign(static_cast<std::size_t>(std::max(c.desc.taille_prog, 0)), c.masque);
    if (c.a_donnees) v.donnees.assign(static_cast<std::size_t>(c.desc.taille_donnee), 0xFF);
    if (c.pic) {
        v.ids.fill(c.masque);
        v.config = c.config_vierge;
        if (c.calibration >= 0 && !v.prog.empty()) v.prog.back() = c.calibration;
    }
    return v;
}

// What the chip holds after a faithful write of the image over blank cells.
Contenu projete(const Composant& c, const Contenu& image) {
    Contenu v = vierge(c);
    for (std::size_t a = 0; a < v.prog.size() && a < image.prog.size(); ++a)
        if (image.prog[a] >= 0) v.prog[a] = image.prog[a] & c.masque;
    for (std::size_t a = 0; a < v.donnees.size() && a < image.donnees.size(); ++a)
        if (image.donnees[a] >= 0) v.donnees[a] = image.donnees[a] & 0xFF;
    if (c.pic) {
        for (std::size_t k = 0; k < 4; ++k)
            if (image.ids[k] >= 0) v.ids[k] = image.ids[k] & c.masque;
        if (image.config >= 0)
            v.config = (c.normalise(image.config) & ~c.config_gardee) |
                       (c.config_vierge & c.config_gardee);
        if (c.calibration >= 0 && !v.prog.empty()) v.prog.back() = c.calibration;
    }
    return v;
}

// The chip's contents in its state file, read by a fresh model; false when the file does not
// load.
bool lit_puce(const Composant& c, const std::string& chemin, Contenu& v) {
    auto modele = cree_puce(c.desc, Pannes_puce{});
    if (!modele || charge_etat_puce(*modele, chemin) != Chargement_etat::charge) return false;
    v = {};
    if (auto* p = dynamic_cast<Puce_pic*>(modele.get())) {
        const Contenu_pic& m = p->contenu();
        v.prog.assign(m.programme.begin(), m.programme.end());
        v.donnees.assign(m.donnees.begin(), m.donnees.end());
        for (std::size_t k = 0; k < 4; ++k) v.ids[k] = m.ids[k];
        v.config = m.config;
        if (mots_config(c.desc) == 2) v.config2 = config2_de(*p);
    } else if (auto* e = dynamic_cast<Eeprom_simulee*>(modele.get())) {
        v.donnees.assign(e->contenu().begin(), e->contenu().end());
    }
    return true;
}

void ecrit_puce(const Composant& c, const Contenu& v, const std::string& chemin) {
    auto modele = cree_puce(c.desc, Pannes_puce{});
    if (auto* p = dynamic_cast<Puce_pic*>(modele.get())) {
        Contenu_pic& m = p->contenu();
        for (std::size_t a = 0; a < m.programme.size(); ++a)
            m.programme[a] = static_cast<uint16_t>(v.prog[a]);
        for (std::size_t a = 0; a < m.donnees.size(); ++a)
            m.donnees[a] = static_cast<uint8_t>(v.donnees[a]);
        for (std::size_t k = 0; k < 4; ++k) m.ids[k] = static_cast<uint16_t>(v.ids[k]);
        m.config = static_cast<uint16_t>(v.config);
        if (v.config2 >= 0) fixe_config2(*p, static_cast<uint16_t>(v.config2));
    } else if (auto* e = dynamic_cast<Eeprom_simulee*>(modele.get())) {
        e->remplit(std::vector<uint8_t>(v.donnees.begin(), v.donnees.end()));
    }
    test::ecrit_fichier(chemin, modele->etat_hex());
}

// Areas and addresses a command works on, as the settings and options select them.
struct Selection {
    std::vector<bool> prog, donnees;
    bool ids = false, config = false;
    bool vide() const {
        return !ids && !config && std::find(prog.begin(), prog.end(), true) == prog.end() &&
               std::find(donnees.begin(), donnees.end(), true) == donnees.end();
    }
};

// The settings text of a run: the shipped conf_port with the row's lines replaced.
std::string conf_port(const Ligne_options& o) {
    std::istringstream in(test::lit_fichier(std::string(KORVAL_DATA_DIR) + "/conf_port"));
    std::string texte;
    for (std::string l; std::getline(in, l);) {
        const std::string cle = l.substr(0, l.find(' '));
        for (const auto& [c, v] : o.reglages)
            if (c == cle) l = c + " " + v;
        texte += l + "\n";
    }
    return texte;
}

// c: the device selected, whose sizes the ranges are cut to.
Selection selection(const Composant& c, const Ligne_options& o) {
    std::map<std::string, long> r;
    std::istringstream in(conf_port(o));
    for (std::string l; std::getline(in, l);)
        if (l.rfind("_L_E_", 0) == 0)
            r[l.substr(0, l.find(' '))] = std::stol(l.substr(l.find(' ')));
    bool prog = r["_L_E_PROG_ENABLE"] != 0, donnees = r["_L_E_DATA_ENABLE"] != 0;
    bool ids = r["_L_E_ID_ENABLE"] != 0, config = r["_L_E_CONFIG_ENABLE"] != 0;
    const auto zones = std::find(o.arguments.begin(), o.arguments.end(), "--zones");
    if (zones != o.arguments.end()) {
        const std::string& l = *(zones + 1);
        prog = l.find("programme") != std::string::npos;
        donnees = l.find("donnees") != std::string::npos;
        ids = l.find("id") != std::string::npos;
        config = l.find("config") != std::string::npos;
    }
    if (o.binaire) prog = ids = config = false;
    Selection s;
    for (int a = 0; a < (c.a_programme ? c.desc.taille_prog : 0); ++a)
        s.prog.push_back(prog && a >= r["_L_E_PROG_DEBUT"] && a <= r["_L_E_PROG_FIN"]);
    for (int a = 0; a < (c.a_donnees ? c.desc.taille_donnee : 0); ++a)
        s.donnees.push_back(donnees && a >= r["_L_E_DATA_DEBUT"] && a <= r["_L_E_DATA_FIN"]);
    s.ids = c.a_id_config && ids;
    s.config = c.a_id_config && config;
    return s;
}

// A word in hexadecimal; "rien" for what an image or a file does not give.
std::string hexa(int v) {
    if (v < 0) return "rien";
    std::ostringstream s;
    s << std::uppercase << std::hex << v;
    return s.str();
}

// The verdicts of one run.
class Juge {
  public:
    Juge(std::string reproduction) : commande(std::move(reproduction)) {}
    void viole(const std::string& invariant, const std::string& texte) {
        for (const Violation& v : liste)
            if (v.invariant == invariant && v.texte == texte) return;
        liste.push_back({invariant, texte, commande});
    }
    // Every word of a zone against what it may hold; one verdict for the zone, at its first
    // wrong word, with the count.
    template <class Attendu>
    void zone(const std::string& invariant, const char* nom, const std::vector<int>& puce,
              Attendu permis) {
        int premier = -1, nb = 0;
        for (std::size_t a = 0; a < puce.size(); ++a)
            if (!permis(a, puce[a])) {
                if (premier < 0) premier = static_cast<int>(a);
                ++nb;
            }
        if (nb > 0)
            viole(invariant, std::string(nom) + " " + hexa(premier) +
                                 "H : " + hexa(puce[static_cast<std::size_t>(premier)]) +
                                 " sur la puce (" + std::to_string(nb) + " mots en cause)");
    }
    std::vector<Violation> liste;

  private:
    std::string commande;
};

int donne(const std::vector<int>& v, std::size_t a) {
    return a < v.size() ? v[a] : -1;
}

// Reads of a chip with a stuck data bit may miss one bit of the truth.
bool lu_comme(int lu, int vrai, bool bit_colle) {
    if (lu == vrai) return true;
    const int x = lu ^ vrai;
    return bit_colle && (lu & ~vrai) == 0 && (x & (x - 1)) == 0;
}

// I1, I5 and I4 for the contents left on the chip.
void juge_contenu(Juge& j, const Composant& c, Commande commande, const Ligne_options& o,
                  const Selection& s, const Contenu& image, const Contenu& avant,
                  const Contenu& apres, int code, bool ecriture, bool lectures) {
    const bool forcer =
        std::find(o.arguments.begin(), o.arguments.end(), "--forcer") != o.arguments.end();
    const bool proteger =
        std::find(o.arguments.begin(), o.arguments.end(), "--proteger") != o.arguments.end();
    const Contenu blanc = vierge(c);
    // I5: protection, calibration, burned bits.
    if (c.pic && !proteger && (avant.config & ~apres.config & c.protection) != 0)
        j.viole("I5", "protection activée sans --proteger : configuration " + hexa(avant.config) +
                          " devenue " + hexa(apres.config));
    if (c.pic && !proteger && (avant.config2 & ~apres.config2 & c.protection2) != 0)
        j.viole("I5", "protection activée sans --proteger : second mot de configuration " +
                          hexa(avant.config2) + " devenu " + hexa(apres.config2));
    if (!forcer && c.calibration >= 0 && !apres.prog.empty() &&
        apres.prog.back() != avant.prog.back())
        j.viole("I5", "calibration OSCCAL " + hexa(avant.prog.back()) + " devenue " +
                          hexa(apres.prog.back()));
    if (!forcer && c.pic && ((avant.config ^ apres.config) & c.config_gardee) != 0)
        j.viole("I5", "bits de calibration de la configuration " + hexa(avant.config) +
                          " devenus " + hexa(apres.config));
    if (c.eprom) {
        // A bit goes to 0 only where the image asked for a 0.
        auto brule = [&](int av, int ap, int img) {
            const int brules = av & ~ap;
            return brules == 0 || (img >= 0 && commande == Commande::ecrire && (brules & img) == 0);
        };
        j.zone("I5", "bits brûlés hors image, programme", apres.prog, [&](std::size_t a, int v) {
            return brule(avant.prog[a], v, s.prog[a] ? donne(image.prog, a) : -1);
        });
        for (std::size_t k = 0; k < 4; ++k)
            if (!brule(avant.ids[k], apres.ids[k], s.ids ? image.ids[k] : -1))
                j.viole("I5", "bits brûlés hors image, ID" + std::to_string(k));
        if (!brule(avant.config, apres.config, s.config ? image.config : -1))
            j.viole("I5", "bits brûlés hors image, configuration " + hexa(apres.config));
    }
    if (code == 0 && ecriture && commande == Commande::ecrire) {
        const Contenu voulu = projete(c, image);
        auto mot = [&](bool choisi, int donne_img, int av, int ap, int attendu, int vide) {
            if (!choisi) return ap == av;
            if (donne_img >= 0) return ap == attendu;
            return ap == av || ap == vide;
        };
        j.zone("I1", "programme", apres.prog, [&](std::size_t a, int v) {
            if (c.calibration >= 0 && a + 1 == apres.prog.size()) return true; // I5
            return mot(s.prog[a], donne(image.prog, a), avant.prog[a], v, voulu.prog[a],
                       blanc.prog[a]);
        });
        j.zone("I1", "données", apres.donnees, [&](std::size_t a, int v) {
            return mot(s.donnees[a], donne(image.donnees, a), avant.donnees[a], v, voulu.donnees[a],
                       0xFF);
        });
        if (c.pic) {
            // An image keeps one byte per ID.
            for (std::size_t k = 0; k < 4; ++k)
                if (!mot(s.ids, image.ids[k], avant.ids[k] & 0xFF, apres.ids[k] & 0xFF,
                         voulu.ids[k] & 0xFF, blanc.ids[k] & 0xFF))
                    j.viole("I1", "ID" + std::to_string(k) + " : " + hexa(apres.ids[k]) +
                                      " sur la puce, l'image donne " + hexa(image.ids[k]));
            const int g = c.config_gardee;
            if (!mot(s.config, image.config, avant.config | g, apres.config | g, voulu.config | g,
                     blanc.config | g))
                j.viole("I1", "configuration : " + hexa(apres.config) +
                                  " sur la puce, l'image donne " + hexa(image.config));
        }
    }
    if (code == 0 && lectures && commande == Commande::effacer) {
        // What is not selected may be erased with the rest.
        j.zone("I4", "programme non effacé", apres.prog, [&](std::size_t a, int v) {
            return v == blanc.prog[a] || (!s.prog[a] && v == avant.prog[a]) ||
                   (c.calibration >= 0 && a + 1 == apres.prog.size());
        });
        j.zone("I4", "données non effacées", apres.donnees, [&](std::size_t a, int v) {
            return v == 0xFF || (!s.donnees[a] && v == avant.donnees[a]);
        });
        // The flash parts may keep IDs and configuration over an erase.
        for (std::size_t k = 0; k < 4 && c.pic; ++k)
            if (apres.ids[k] != blanc.ids[k] && apres.ids[k] != avant.ids[k])
                j.viole("I4", "ID" + std::to_string(k) + " ni effacé ni gardé");
        if (c.pic && (apres.config | c.config_gardee) != (blanc.config | c.config_gardee) &&
            apres.config != avant.config)
            j.viole("I4", "configuration " + hexa(apres.config) + " ni effacée ni gardée");
    }
    if (code == 0 && lectures && commande == Commande::vierge) {
        j.zone("I4", "« vierge » sur un programme non vierge", apres.prog,
               [&](std::size_t a, int v) {
                   return !s.prog[a] || v == blanc.prog[a] ||
                          (c.calibration >= 0 && a + 1 == apres.prog.size());
               });
        j.zone("I4", "« vierge » sur des données non vierges", apres.donnees,
               [&](std::size_t a, int v) { return !s.donnees[a] || v == 0xFF; });
    }
}

// I2: the file of a successful read holds the chip's words read, and nothing else.
// c is the device selected, whose layout the file has.
void juge_lecture(Juge& j, const Composant& c, const Selection& s, const Contenu& puce,
                  const std::string& chemin, bool binaire, bool bit_colle) {
    const std::string texte = test::lit_fichier(chemin);
    Contenu lu;
    std::vector<std::string> hors;
    if (binaire) {
        for (unsigned char o : texte) lu.donnees.push_back(o);
        if (lu.donnees.size() > static_cast<std::size_t>(std::max(c.desc.taille_donnee, 0)))
            j.viole("I2", "fichier binaire de " + std::to_string(lu.donnees.size()) +
                              " octets pour une puce de " + std::to_string(c.desc.taille_donnee));
    } else if (!lit_hex(texte, c, lu, hors)) {
        j.viole("I2", "fichier lu illisible");
        return;
    }
    for (const std::string& h : hors) j.viole("I2", "le fichier donne " + h + " hors de la puce");
    auto zone = [&](const char* nom, const std::vector<int>& vrai, const std::vector<int>& fichier,
                    const std::vector<bool>& choisi) {
        j.zone("I2", (std::string(nom) + " lu faux ou absent du fichier, puce").c_str(), vrai,
               [&](std::size_t a, int v) {
                   const int f = donne(fichier, a);
                   return !choisi[a] || (f >= 0 && lu_comme(f, v, bit_colle));
               });
        j.zone("I2", (std::string(nom) + " non lu mais présent dans le fichier, puce").c_str(),
               vrai,
               [&](std::size_t a, int) { return choisi[a] || binaire || donne(fichier, a) < 0; });
    };
    zone("programme", puce.prog, lu.prog, s.prog);
    zone("données", puce.donnees, lu.donnees, s.donnees);
    if (!c.pic) return;
    for (std::size_t k = 0; k < 4; ++k)
        if (s.ids ? !lu_comme(lu.ids[k], puce.ids[k] & 0xFF, bit_colle) : lu.ids[k] >= 0)
            j.viole("I2", "ID" + std::to_string(k) + " du fichier " + hexa(lu.ids[k]) + ", puce " +
                              hexa(puce.ids[k]));
    if (s.config ? !lu_comme(lu.config, puce.config, bit_colle) : lu.config >= 0)
        j.viole("I2",
                "configuration du fichier " + hexa(lu.config) + ", puce " + hexa(puce.config));
}

// I3: what comparer says against the chip.
void juge_comparaison(Juge& j, const Composant& c, const Selection& s, const Contenu& image,
                      const Contenu& puce, const std::string& sortie, int code, bool bit_colle) {
    const Contenu voulu = projete(c, image);
    bool difference = false;
    auto differe = [&](const std::vector<int>& p, const std::vector<int>& img,
                       const std::vector<int>& v, const std::vector<bool>& choisi) {
        bool d = false;
        for (std::size_t a = 0; a < p.size(); ++a)
            if (choisi[a] && donne(img, a) >= 0 && p[a] != v[a] &&
                !(c.calibration >= 0 && &p == &puce.prog && a + 1 == p.size()))
                d = true;
        return d;
    };
    const bool diff_prog = differe(puce.prog, image.prog, voulu.prog, s.prog);
    const bool diff_donnees = differe(puce.donnees, image.donnees, voulu.donnees, s.donnees);
    bool diff_ids = false;
    for (std::size_t k = 0; k < 4 && c.pic; ++k)
        diff_ids |= s.ids && image.ids[k] >= 0 && (puce.ids[k] & 0xFF) != (voulu.ids[k] & 0xFF);
    const int g = c.config_gardee;
    const bool diff_config =
        c.pic && s.config && image.config >= 0 && (puce.config | g) != (voulu.config | g);
    difference = diff_prog || diff_donnees || diff_ids || diff_config;
    if (code == 0 && difference)
        j.viole("I3", std::string("comparer réussit alors que la puce diffère de l'image (") +
                          (diff_prog ? "programme " : "") + (diff_donnees ? "données " : "") +
                          (diff_ids ? "ID " : "") + (diff_config ? "configuration" : "") + ")");
    // Word lines are counted per zone, one verdict each.
    std::map<std::string, std::pair<std::string, int>> lignes;
    auto annonce = [&](const std::string& zone, const std::string& exemple) {
        auto& [premier, nb] = lignes[zone];
        if (nb++ == 0) premier = exemple;
    };
    std::istringstream in(sortie);
    for (std::string l; std::getline(in, l);) {
        unsigned a = 0, v = 0, f = 0;
        int k = 0;
        if (std::sscanf(l.c_str(), "Programme %XH : %XH dans le PIC", &a, &v) == 2) {
            if (a >= s.prog.size() || !s.prog[a] ||
                !lu_comme(static_cast<int>(v), puce.prog[a], bit_colle))
                annonce("programme",
                        hexa(static_cast<int>(a)) + "H : " + hexa(static_cast<int>(v)));
        } else if (std::sscanf(l.c_str(), "Données %XH : %XH dans le PIC", &a, &v) == 2) {
            if (a >= s.donnees.size() || !s.donnees[a] ||
                !lu_comme(static_cast<int>(v), puce.donnees[a], bit_colle))
                annonce("données", hexa(static_cast<int>(a)) + "H : " + hexa(static_cast<int>(v)));
        } else if (std::sscanf(l.c_str(), "ID%d différents : On a %XH dans le PIC au lieu de %XH",
                               &k, &v, &f) == 3) {
            if (k < 0 || k > 3 || !s.ids ||
                !lu_comme(static_cast<int>(v), puce.ids[static_cast<std::size_t>(k)] & 0xFF,
                          bit_colle))
                annonce("ID", std::to_string(k) + " : " + hexa(static_cast<int>(v)));
        } else if (std::sscanf(l.c_str(), "ID%d identiques", &k) == 1) {
            if (!s.ids) j.viole("I3", "« identiques » pour les ID, qui ne sont pas comparés");
        } else if (l.find("configuration 2 ") != std::string::npos) {
            // The second word's line: its value is not judged here (I5 watches its protection).
        } else if (l.find("configuration") != std::string::npos &&
                   l.find("On a ") != std::string::npos) {
            std::sscanf(l.c_str() + l.find("On a "), "On a %XH", &v);
            if (!s.config || !lu_comme(static_cast<int>(v), puce.config, bit_colle))
                j.viole("I3", "configuration annoncée " + hexa(static_cast<int>(v)) +
                                  " n'est pas sur la puce");
        } else if (l.find("configurations du PIC et de la mémoire sont identiques") !=
                       std::string::npos &&
                   (!s.config || diff_config)) {
            j.viole("I3", "configuration dite identique sans l'être ou sans être comparée");
        } else if ((l.find("Le programme du PIC correspond") != std::string::npos &&
                    (std::find(s.prog.begin(), s.prog.end(), true) == s.prog.end() || diff_prog)) ||
                   (l.find("correspondent à celles en mémoire") != std::string::npos &&
                    (std::find(s.donnees.begin(), s.donnees.end(), true) == s.donnees.end() ||
                     diff_donnees))) {
            j.viole("I3", "« " + l + " » sans comparaison ou à tort");
        }
    }
    for (const auto& [zone, exemple] : lignes)
        j.viole("I3",
                "différences annoncées qui ne sont pas sur la puce ou hors de la sélection, " +
                    zone + " " + exemple.first + " (" + std::to_string(exemple.second) +
                    " lignes)");
}

int lance(const std::string& dossier, const std::vector<std::string>& args, int delai_s,
          bool* arretee) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dossier.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "sortie", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "erreurs", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int e = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (e != 0) return -1;
    // A run that never ends is stopped: its chip then shows what it had done.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, delai_s * 1000) == 0) {
            ::kill(pid, SIGKILL);
            *arretee = true;
        }
        ::close(fd);
    }
    int etat = 0;
    if (::waitpid(pid, &etat, 0) != pid) return -1;
    return WIFEXITED(etat) ? WEXITSTATUS(etat) : -1;
}

std::string quote(const std::string& s) {
    if (s.find_first_of(" ,'\"$") == std::string::npos) return s;
    return "'" + s + "'";
}

} // namespace

Resultat execute(const Cas& cas, const std::string& dossier, const std::string& korval_cli) {
    const Composant& choisi = composants()[static_cast<std::size_t>(cas.composant)];
    const Ligne_options& o = lignes_options()[static_cast<std::size_t>(cas.options)];
    // The chip in the socket, which the contents and verdicts are about.
    const Composant c = o.autre_puce ? decrit_composant(puce_voisine(choisi.desc)) : choisi;
    const Ligne_image& li = lignes_images()[static_cast<std::size_t>(cas.image)];
    const uint32_t graine = static_cast<uint32_t>(cas.composant * 7919 + cas.image * 104729 + 17);
    fs::create_directories(dossier + "/conf");
    fs::copy_file(std::string(KORVAL_DATA_DIR) + "/conf_PICS", dossier + "/conf/conf_PICS",
                  fs::copy_options::overwrite_existing);
    test::ecrit_fichier(dossier + "/conf/conf_port", conf_port(o));

    // The chip before: the image itself to be read, compared, checked or erased; other contents
    // to be written over (blank for an EPROM part).
    const Contenu image = li.fabrique(choisi, graine);
    Contenu graines;
    if (cas.commande != Commande::ecrire)
        graines = projete(c, image);
    else if (c.eprom)
        graines = vierge(c);
    else
        graines = projete(c, lignes_images()[0].fabrique(choisi, graine + 1));
    ecrit_puce(c, graines, dossier + "/avant.etat");
    fs::copy_file(dossier + "/avant.etat", dossier + "/s.etat",
                  fs::copy_options::overwrite_existing);
    Contenu avant;
    lit_puce(c, dossier + "/avant.etat", avant);

    const std::string fichier = o.binaire ? "f.bin" : "f.hex";
    const bool avec_fichier = cas.commande == Commande::ecrire ||
                              cas.commande == Commande::comparer || cas.commande == Commande::lire;
    const std::string texte_fichier = cas.commande == Commande::lire ? texte_ancien
                                      : o.binaire                    ? texte_binaire(image)
                                                                     : texte_hex(choisi, image);
    if (avec_fichier) test::ecrit_fichier(dossier + "/" + fichier, texte_fichier);
    test::ecrit_fichier(dossier + "/f.origine", texte_fichier);

    std::vector<std::string> args = {korval_cli,     "--conf", "conf", "-q",
                                     "--simulateur", "s.etat", "-c",   choisi.desc.nom};
    if (o.autre_puce) {
        args.push_back("--puce");
        args.push_back(c.desc.nom);
    }
    const bool bit_colle =
        cas.panne >= 0 &&
        std::string(liste_pannes()[static_cast<std::size_t>(cas.panne)].nom) == "bit-colle";
    if (cas.panne >= 0) {
        args.push_back("--panne");
        args.push_back(liste_pannes()[static_cast<std::size_t>(cas.panne)].nom);
    }
    args.insert(args.end(), o.arguments.begin(), o.arguments.end());
    if (cas.commande == Commande::comparer) args.push_back("--toutes");
    args.push_back(noms_commandes[static_cast<std::size_t>(cas.commande)]);
    if (avec_fichier) args.push_back(fichier);

    args.insert(args.begin(), o.lanceur.begin(), o.lanceur.end());

    std::string reproduction = "cd " + dossier + " && cp avant.etat s.etat";
    if (avec_fichier) reproduction += " && cp f.origine " + fichier;
    reproduction += " &&";
    for (const std::string& a : args) reproduction += " " + quote(a);

    Resultat r;
    bool arretee = false;
    r.code = lance(dossier, args, duree_max_s, &arretee);
    Juge j(reproduction);
    const std::string sortie = test::lit_fichier(dossier + "/sortie");
    const std::string erreurs = test::lit_fichier(dossier + "/erreurs");

    Contenu apres;
    if (!lit_puce(c, dossier + "/s.etat", apres)) {
        j.viole("I6", "le fichier d'état ne se charge plus");
        r.violations = j.liste;
        return r;
    }
    // 130, 143, 129: stopped by SIGINT, SIGTERM, SIGHUP; a signal before the operation
    // starts ends the program without a word, as the shell shows it.
    const bool par_signal = r.code == 130 || r.code == 143 || r.code == 129;
    if (arretee)
        j.viole("I6", "ne se termine pas en " + std::to_string(duree_max_s / 60) + " minutes");
    else if (r.code < 0 || (r.code > 3 && !par_signal))
        j.viole("I6", "fin anormale, code " + std::to_string(r.code));
    if (r.code != 0 && !par_signal && erreurs.empty() && sortie.empty())
        j.viole("I6", "échec (code " + std::to_string(r.code) + ") sans message");
    if (test::lit_fichier(dossier + "/conf/conf_port") != conf_port(o))
        j.viole("I6", "le fichier de réglages conf_port a changé");
    if (avec_fichier && cas.commande != Commande::lire &&
        test::lit_fichier(dossier + "/" + fichier) != texte_fichier)
        j.viole("I6", "le fichier d'entrée a changé");
    if (cas.commande == Commande::lire && r.code != 0 &&
        test::lit_fichier(dossier + "/" + fichier) != texte_ancien)
        j.viole("I6", "lecture échouée : l'ancien contenu du fichier de sortie a changé");
    const bool puce_changee =
        test::lit_fichier(dossier + "/s.etat") != test::lit_fichier(dossier + "/avant.etat");
    if (r.code == 2 && puce_changee) j.viole("I6", "refus (code 2) après avoir touché la puce");
    // A one-time part is checked against the image before its first pulse.
    if (c.eprom && cas.commande == Commande::ecrire && li.deborde && r.code != 0 && puce_changee)
        j.viole("I5", "image qui ne tient pas dans la puce : des mots brûlés avant l'échec");

    Selection s = selection(choisi, o);
    s.prog.resize(c.a_programme ? static_cast<std::size_t>(c.desc.taille_prog) : 0, false);
    s.donnees.resize(c.a_donnees ? static_cast<std::size_t>(c.desc.taille_donnee) : 0, false);
    if (s.vide()) {
        if (r.code != 2)
            j.viole("I7", "une sélection qui ne couvre rien sur la puce sort avec le code " +
                              std::to_string(r.code) + " au lieu de 2");
        if (puce_changee) j.viole("I7", "une sélection vide a touché la puce");
    }
    // A chip out of reach, or another part, that the programmer cannot tell from the one
    // selected: what it read is not judged, only what must hold whatever happens.
    const std::string panne =
        cas.panne < 0 ? "" : liste_pannes()[static_cast<std::size_t>(cas.panne)].nom;
    const bool par_id = choisi.id_composant && std::find(o.arguments.begin(), o.arguments.end(),
                                                         "--forcer") == o.arguments.end();
    const bool hors_d_atteinte = panne == "sans-puce" || (c.pic && panne == "mauvaise-position");
    const bool ecriture = !hors_d_atteinte || choisi.absence_visible || par_id;
    const bool lectures = ecriture && (!o.autre_puce || choisi.autre_puce_visible || par_id);
    juge_contenu(j, c, cas.commande, o, s, image, avant, apres, r.code, ecriture, lectures);
    if (!lectures) {
        r.violations = j.liste;
        return r;
    }
    if (cas.commande == Commande::lire && r.code == 0)
        juge_lecture(j, choisi, s, apres, dossier + "/" + fichier, o.binaire, bit_colle);
    if (cas.commande == Commande::comparer && (r.code == 0 || r.code == 1))
        juge_comparaison(j, c, s, image, apres, sortie, r.code, bit_colle);
    r.violations = j.liste;
    return r;
}

} // namespace verite
