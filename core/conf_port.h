// SPDX-License-Identifier: GPL-2.0-or-later
// Programmer settings file (conf_port) and start-up reading of both configuration files.
#pragma once

#include "core/lignes.h"

#include <istream>
#include <string>
#include <string_view>
#include <vector>

// Reads settings lines into the globals (no defaults set here).
void lire_conf_port(std::istream& in);

// A value without control characters, which could not stand on one line of the file. Others are
// neither read nor saved.
bool valeur_enregistrable(std::string_view valeur);

// Settings text as sauve_conf_port writes it, from the map given and the globals.
std::string texte_conf_port(const Brochage& b);

// Reads conf_port then conf_PICS from the configuration directory, with the defaults and messages
// of start-up. The front end opens the port afterwards. A missing file is reported by a line on
// standard output and a message; sur_console (the command line, whose messages already go to
// the console) reports it once, by a message that names the directories searched.
void Lire_Fichier_Conf(bool sur_console = false);

// Files sauve_conf_port tries, in order: the one start-up reads (the system file, or the per-user
// one once it exists), then the per-user one; only the forced directory's when one is set.
std::vector<std::string> cibles_conf_port();

// Saves the settings (pin lines from b) with sauvegarde_fichier; falls back to the per-user file
// when the system one cannot be written. A lastFile with control characters is left out, with a
// message. Returns the path written, or "" on failure.
std::string sauve_conf_port(Brochage b);
