// SPDX-License-Identifier: GPL-2.0-or-later
// Where the catalogue and the settings live.
#pragma once

#include <string>
#include <vector>

// Directory of conf_PICS and conf_port, with a trailing "/": KORVAL_CONF when set (and the
// process is not set-UID or set-GID), else /etc/korval-1.2/. A front end may force another one.
std::string repertoire_conf();
void force_repertoire_conf(const std::string& rep); // "" = back to the rule above
bool repertoire_conf_force_ou_env();                // KORVAL_CONF or a forced directory in use

// Per-user settings file: $XDG_CONFIG_HOME/korval-1.2/conf_port (default ~/.config/...).
std::string chemin_conf_port_utilisateur();

std::string chemin_conf_PICS();
// The settings file start-up reads: the per-user one when it exists (and no directory is
// forced), else the one of repertoire_conf().
std::string chemin_conf_port_lecture();
// The settings files start-up looks for, in order: the per-user one (when no directory is
// forced), then the one of repertoire_conf().
std::vector<std::string> chemins_conf_port_cherches();
