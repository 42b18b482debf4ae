// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/options_communes.h"

#include <algorithm>
#include <cstring>
#include <getopt.h>

namespace {

enum Code_commun : int {
    OPTION_AIDE = 'h',
    OPTION_CONF = 256,
    OPTION_SIMULATEUR,
    OPTION_PUCE,
    OPTION_PANNE,
    OPTION_PPDEV,
    OPTION_TRACE,
    OPTION_VERSION,
    OPTION_ADAPTATEUR,
    OPTION_FTDI,
    OPTION_GPIO,
};
static_assert(OPTION_GPIO < PREMIER_CODE_PROPRE);

const Option_ligne options_communes[] = {
    {"conf", OPTION_CONF, true},
    {"simulateur", OPTION_SIMULATEUR, true},
    {"puce", OPTION_PUCE, true},
    {"panne", OPTION_PANNE, true},
    {"ppdev", OPTION_PPDEV, true},
    {"trace", OPTION_TRACE, true},
    {"help", OPTION_AIDE, false},
    {"version", OPTION_VERSION, false},
    {"adaptateur", OPTION_ADAPTATEUR, true},
    {"ftdi", OPTION_FTDI, false, true},
    {"gpio", OPTION_GPIO, true},
};

bool est_commune(int code) {
    return std::any_of(std::begin(options_communes), std::end(options_communes),
                       [code](const Option_ligne& l) { return l.code == code; });
}

void range_commune(int code, const std::string& valeur, Options_communes& o) {
    switch (code) {
    case OPTION_CONF:
        o.conf = valeur;
        break;
    case OPTION_SIMULATEUR:
        o.avec_simulateur = true;
        o.simulateur = valeur;
        break;
    case OPTION_PUCE:
        o.puce = valeur;
        break;
    case OPTION_PANNE:
        o.pannes.push_back(valeur);
        break;
    case OPTION_PPDEV:
        o.ppdev = valeur;
        break;
    case OPTION_TRACE:
        o.trace = valeur;
        break;
    case OPTION_ADAPTATEUR:
        o.adaptateur = valeur;
        break;
    case OPTION_FTDI:
        o.avec_ftdi = true;
        o.ftdi = valeur;
        break;
    case OPTION_GPIO:
        o.gpio = valeur;
        break;
    case OPTION_AIDE:
        o.aide = true;
        break;
    case OPTION_VERSION:
        o.version = true;
        break;
    default:
        break;
    }
}

// The name of a long option as typed: "--nom" or "--nom=valeur".
std::string nom_long(const char* element) {
    const char* debut = element + 2;
    return std::string(debut, std::strcspn(debut, "="));
}

} // namespace

Ligne_lue lit_ligne(int argc, const char* const* argv, Options_communes& o,
                    std::span<const Option_ligne> propres, const Range_option& range,
                    bool inconnues_gardees) {
    std::vector<Option_ligne> table(std::begin(options_communes), std::end(options_communes));
    table.insert(table.end(), propres.begin(), propres.end());
    // "-": arguments come back in order (code 1), whatever POSIXLY_CORRECT says, and argv is
    // never permuted; ":": a missing value is told apart, and getopt itself prints nothing.
    std::string courtes = "-:";
    std::vector<option> longues;
    for (const Option_ligne& l : table) {
        if (l.code < 256) {
            courtes += static_cast<char>(l.code);
            if (l.avec_valeur) courtes += ':';
        }
        longues.push_back({l.longue,
                           l.valeur_facultative ? optional_argument
                           : l.avec_valeur      ? required_argument
                                                : no_argument,
                           nullptr, l.code});
    }
    longues.push_back({nullptr, 0, nullptr, 0});

    // getopt only reads the strings; its own copy of the pointers keeps argv as it is.
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) args.push_back(const_cast<char*>(argv[i]));
    args.push_back(nullptr);

    Ligne_lue l;
    const auto echoue = [&l](const std::string& e) {
        if (l.erreur.empty()) l.erreur = e;
    };
    const auto garde = [&l](int i) {
        if (l.restes.empty() || l.restes.back() != i) l.restes.push_back(i);
    };
    opterr = 0;
    optind = 0; // a full restart, for every call
    for (;;) {
        // The element being read: a short group stays at optind until its last letter.
        const int element = std::max(optind, 1);
        const int c = getopt_long(argc, args.data(), courtes.c_str(), longues.data(), nullptr);
        if (c == -1) {
            // Stopped at "--" when element is not the end: the rest is arguments.
            for (int i = element; i < argc; ++i) {
                l.restes.push_back(i);
                if (i > element) l.positionnels.push_back(argv[i]);
            }
            break;
        }
        if (c == 1) {
            l.restes.push_back(element);
            l.positionnels.push_back(optarg);
            continue;
        }
        const bool longue = std::strncmp(argv[element], "--", 2) == 0;
        const std::string nom = longue ? nom_long(argv[element]) : std::string();
        // getopt_long also takes an unambiguous prefix; only whole names are options here.
        const bool connue = std::any_of(table.begin(), table.end(),
                                        [&nom](const Option_ligne& t) { return nom == t.longue; });
        const auto inconnue = [&](bool valeur_prise) {
            if (!inconnues_gardees) {
                echoue("option inconnue : " +
                       (longue ? std::string(argv[element])
                               : "-" + std::string(1, static_cast<char>(optopt))));
                return;
            }
            garde(element);
            if (valeur_prise) garde(element + 1);
        };
        if (c == '?') {
            if (longue && optopt != 0 && connue)
                echoue("l'option --" + nom + " ne prend pas de valeur");
            else
                inconnue(false);
            continue;
        }
        if (c == ':') {
            if (!longue)
                echoue(std::string("l'option -") + static_cast<char>(optopt) +
                       " demande une valeur");
            else if (connue)
                echoue("l'option --" + nom + " demande une valeur");
            else
                inconnue(false);
            continue;
        }
        if (longue && !connue) {
            inconnue(optarg != nullptr && optarg == args[element + 1]);
            continue;
        }
        const Option_ligne& t = *std::find_if(table.begin(), table.end(),
                                              [c](const Option_ligne& e) { return e.code == c; });
        const std::string valeur = optarg ? optarg : "";
        std::string erreur;
        if (est_commune(c)) {
            range_commune(c, valeur, o);
        } else if (range && !range(c, valeur, erreur)) {
            echoue(erreur);
            continue;
        }
        // --simulateur alone may name no state file.
        if (t.avec_valeur && valeur.empty() && c != OPTION_SIMULATEUR)
            echoue(std::string("l'option --") + t.longue + " demande une valeur non vide");
    }
    if (!o.adaptateur.empty() && !o.avec_simulateur)
        echoue("--adaptateur ne s'emploie qu'avec --simulateur");
    const int choix = (o.avec_ftdi ? 1 : 0) + (o.gpio.empty() ? 0 : 1) +
                      (o.avec_simulateur ? 1 : 0) + (o.ppdev.empty() ? 0 : 1);
    if ((o.avec_ftdi || !o.gpio.empty()) && choix > 1)
        echoue("--ftdi, --gpio, --ppdev et --simulateur ne s'emploient pas ensemble : un seul "
               "programmateur à la fois");
    return l;
}
