// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/progression.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int LARGEUR_BARRE = 30;
constexpr std::size_t LARGEUR_LEGENDE = 21; // "Ecriture du programme"

// Characters as a terminal shows them: UTF-8 continuation bytes take no column.
std::size_t colonnes(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

std::string texte_temps(double secondes) {
    const long total = secondes > 0 ? std::lround(secondes) : 0;
    char t[32];
    if (total >= 3600)
        std::snprintf(t, sizeof t, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(t, sizeof t, "%ld:%02ld", total / 60, total % 60);
    return t;
}

std::string texte_progression(const std::string& legende, float fraction, double ecoule_s) {
    const double f = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
    std::string t = legende;
    const std::size_t n = colonnes(legende);
    if (n < LARGEUR_LEGENDE) t.append(LARGEUR_LEGENDE - n, ' ');
    // i / n in single precision: 0.9f must show as 90 %, not 89 %.
    const double arrondi = f + 1e-6;
    const int pleins = static_cast<int>(arrondi * LARGEUR_BARRE);
    t += "  [";
    t.append(static_cast<std::size_t>(pleins), '#');
    t.append(static_cast<std::size_t>(LARGEUR_BARRE - pleins), '.');
    char pourcent[8];
    std::snprintf(pourcent, sizeof pourcent, "%3d", static_cast<int>(arrondi * 100.0));
    t += "] ";
    t += pourcent;
    t += " %  écoulé " + texte_temps(ecoule_s) + "  restant ";
    t += f > 0.0 ? texte_temps(ecoule_s * (1.0 - f) / f) : "-:--";
    return t;
}

Affichage_progression::Affichage_progression(std::FILE* s, bool t, Horloge h)
    : sortie(s), terminal(t), horloge(std::move(h)) {}

void Affichage_progression::avance(float f, const char* l) {
    if (zone_ouverte && (l != legende || f < fraction)) ferme_zone(true);
    if (!zone_ouverte) {
        zone_ouverte = true;
        legende = l;
        debut = horloge();
        dernier_texte.clear();
        fraction_ecrite = -1.0f;
    }
    fraction = f;
    if (terminal) dessine();
}

void Affichage_progression::termine(bool reussie) {
    if (zone_ouverte) ferme_zone(reussie);
}

void Affichage_progression::interrompt() {
    if (terminal) {
        if (!ligne_entamee) return;
        std::fputc('\n', sortie);
        std::fflush(sortie);
        ligne_entamee = false;
        dernier_texte.clear();
        fraction_ecrite = fraction;
        return;
    }
    // A log keeps the order of events: the area as it stands, then the message.
    if (!zone_ouverte || fraction == fraction_ecrite) return;
    std::fputs((texte_progression(legende, fraction, horloge() - debut) + "\n").c_str(), sortie);
    std::fflush(sortie);
    fraction_ecrite = fraction;
}

void Affichage_progression::dessine() {
    const std::string t = texte_progression(legende, fraction, horloge() - debut);
    // Nothing new to show: no redraw.
    if (t == dernier_texte && ligne_entamee) return;
    dernier_texte = t;
    std::fputs(terminal ? ("\r" + t).c_str() : t.c_str(), sortie);
    ligne_entamee = terminal;
    std::fflush(sortie);
}

void Affichage_progression::ferme_zone(bool complete) {
    if (complete) fraction = 1.0f;
    zone_ouverte = false;
    // Shown already, just before a message, and unchanged since.
    if (fraction == fraction_ecrite) return;
    dernier_texte.clear();
    dessine();
    std::fputc('\n', sortie);
    std::fflush(sortie);
    ligne_entamee = false;
}
