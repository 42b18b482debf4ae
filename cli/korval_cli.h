// SPDX-License-Identifier: GPL-2.0-or-later
// korval-cli: the command-line front end over the programming library.
#pragma once

// Runs one command as the command line asks; returns the exit status (Code_sortie).
int korval_cli_main(int argc, const char* const* argv);
