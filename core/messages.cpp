// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/messages.h"

#include <cstdio>

namespace {
Puits_message puits_message;
Puits_progression puits_progression;
std::FILE* console = nullptr;
} // namespace

std::FILE* sortie_console() {
    return console ? console : stdout;
}

void choisit_sortie_console(std::FILE* flux) {
    console = flux;
}

void message_erreur(const std::string& texte, int fin) {
    if (puits_message) {
        puits_message(texte, fin);
        return;
    }
    std::fprintf(stderr, "%s\n", texte.c_str());
}

void installe_puits_message(Puits_message puits) {
    puits_message = std::move(puits);
}

const char* legende_progression(int kind) {
    switch (kind) {
    case ecriture_programme:
        return "Ecriture du programme";
    case lecture_programme:
        return "Lecture du programme";
    case ecriture_donnees:
        return "Ecriture des données";
    case lecture_donnees:
        return "Lecture des données";
    default:
        return "";
    }
}

void gestion_bar(int i, int n, int kind) {
    if (!puits_progression) return;
    float fraction = n != 0 ? static_cast<float>(i) / static_cast<float>(n) : 0.0f;
    puits_progression(fraction, legende_progression(kind), kind);
}

void installe_puits_progression(Puits_progression puits) {
    puits_progression = std::move(puits);
}

const Puits_progression& puits_progression_installe() {
    return puits_progression;
}
