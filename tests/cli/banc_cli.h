// SPDX-License-Identifier: GPL-2.0-or-later
// Test bench of korval-cli: the built program run as a user runs it from a shell, its standard
// streams redirected to files of the test's temporary directory.
#pragma once

#include "commun/outils.h"

#include <map>
#include <string>
#include <vector>

namespace test_cli {

struct Resultat {
    int code = -1; // exit status, -1 when the program did not exit normally
    std::string sortie;
    std::string erreurs;
};

// s quoted for the shell.
std::string entre_quotes(const std::string& s);

bool contient(const std::string& t, const std::string& motif);

// Runs KORVAL_CLI with args (prefixe before it on the command line, e.g. variables), entree on
// its standard input; stdout and stderr go to rep's "stdout" and "stderr".
Resultat lance_korval_cli(const test::Repertoire_temp& rep, const std::vector<std::string>& args,
                          const std::string& prefixe = "",
                          const std::string& entree = "/dev/null");

// args with "--adaptateur X" after the simulator's option when the suite runs in the adapter mode
// X (KORVAL_TEST_ADAPTATEUR, set by the build for the tests named after the adapter).
std::vector<std::string> avec_adaptateur(const std::vector<std::string>& args);

// A settings directory rep/nom (kept when it exists): the shipped conf_PICS, and the shipped
// conf_port with the lines of the given keys replaced.
std::string reglages(const test::Repertoire_temp& rep, const std::string& nom,
                     const std::map<std::string, std::string>& lignes = {});

} // namespace test_cli
