// SPDX-License-Identifier: GPL-2.0-or-later
// The two seams through which the lower layers reach the front end: messages and progress.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// A message for the user; fin != 0 makes it fatal.
void message_erreur(const std::string& texte, int fin);

// Where the lower layers print the texts they also give on a console: standard output unless the
// front end, whose standard output carries data, chooses another stream.
std::FILE* sortie_console();
void choisit_sortie_console(std::FILE* flux);

using Puits_message = std::function<void(const std::string& texte, int fin)>;
// Installs the message sink; an empty function restores the default (text on standard error).
void installe_puits_message(Puits_message puits);

// What a progress report is about: gestion_bar's kind.
enum Sorte_progression : int {
    sans_progression = -1, // no report
    ecriture_programme = 0,
    lecture_programme = 1,
    ecriture_donnees = 2,
    lecture_donnees = 3,
};

// Progress: word i of n, kind a Sorte_progression.
void gestion_bar(int i, int n, int kind);

// Caption of a progress kind ("" for an unknown kind).
const char* legende_progression(int kind);

using Puits_progression = std::function<void(float fraction, const char* legende, int kind)>;
// Installs the progress sink (the front end also processes its pending events there).
void installe_puits_progression(Puits_progression puits);
// The sink now installed (empty when none).
const Puits_progression& puits_progression_installe();
