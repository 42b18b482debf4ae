// SPDX-License-Identifier: GPL-2.0-or-later
#include "banc_cli.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

namespace test_cli {

std::string entre_quotes(const std::string& s) {
    std::string t = "'";
    for (char c : s) t += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return t + "'";
}

bool contient(const std::string& t, const std::string& motif) {
    return t.find(motif) != std::string::npos;
}

std::vector<std::string> avec_adaptateur(const std::vector<std::string>& args) {
    const char* adaptateur = std::getenv("KORVAL_TEST_ADAPTATEUR");
    if (!adaptateur || !*adaptateur) return args;
    std::vector<std::string> r;
    for (std::size_t i = 0; i < args.size(); ++i) {
        r.push_back(args[i]);
        if (args[i] == "--") {
            r.insert(r.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        const bool seul = args[i] == "--simulateur";
        if (seul && i + 1 < args.size()) r.push_back(args[++i]);
        if (seul || args[i].starts_with("--simulateur=")) {
            r.push_back("--adaptateur");
            r.push_back(adaptateur);
        }
    }
    return r;
}

std::string reglages(const test::Repertoire_temp& rep, const std::string& nom,
                     const std::map<std::string, std::string>& lignes) {
    namespace fs = std::filesystem;
    const std::string dossier = rep.fichier(nom);
    if (fs::exists(dossier)) return dossier;
    fs::create_directory(dossier);
    fs::copy_file(std::string(KORVAL_DATA_DIR) + "/conf_PICS", dossier + "/conf_PICS");
    std::istringstream in(test::lit_fichier(std::string(KORVAL_DATA_DIR) + "/conf_port"));
    std::string texte;
    for (std::string l; std::getline(in, l);) {
        const auto r = lignes.find(l.substr(0, l.find(' ')));
        texte += (r == lignes.end() ? l : r->first + " " + r->second) + "\n";
    }
    test::ecrit_fichier(dossier + "/conf_port", texte);
    return dossier;
}

Resultat lance_korval_cli(const test::Repertoire_temp& rep, const std::vector<std::string>& args,
                          const std::string& prefixe, const std::string& entree) {
    std::string commande = prefixe + entre_quotes(KORVAL_CLI);
    for (const std::string& a : avec_adaptateur(args)) commande += " " + entre_quotes(a);
    const std::string sortie = rep.fichier("stdout");
    const std::string erreurs = rep.fichier("stderr");
    commande += " <" + entre_quotes(entree) + " >" + entre_quotes(sortie) + " 2>" +
                entre_quotes(erreurs);
    const int etat = std::system(commande.c_str());
    Resultat r;
    r.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : -1;
    r.sortie = test::lit_fichier(sortie);
    r.erreurs = test::lit_fichier(erreurs);
    return r;
}

} // namespace test_cli
