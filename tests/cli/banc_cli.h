// SPDX-License-Identifier: GPL-2.0-or-later
// Test bench of korval-cli: the built program run as a user runs it from a shell, its standard
// streams redirected to files of the test's temporary directory.
#pragma once

#include "commun/outils.h"

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

} // namespace test_cli
