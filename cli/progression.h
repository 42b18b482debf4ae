// SPDX-License-Identifier: GPL-2.0-or-later
// Progress of a chip operation on standard error: one line per memory area with its caption, a
// bar, the percentage, the elapsed and the remaining time. On a terminal the line is redrawn in
// place; otherwise each area gets one plain line when it ends (and one before a message that
// interrupts it).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// "Ecriture du programme  [###########.........]  55 %  écoulé 0:11  restant 0:09".
// ecoule_s: seconds since the area began. The remaining time is unknown ("-:--") at 0 %.
std::string texte_progression(const std::string& legende, float fraction, double ecoule_s);

// "m:ss", or "h:mm:ss" from one hour on.
std::string texte_temps(double secondes);

class Affichage_progression {
  public:
    using Horloge = std::function<double()>; // seconds, monotonic

    Affichage_progression(std::FILE* sortie, bool terminal, Horloge horloge);

    // What gestion_bar reports. A new caption, or a fraction that goes back, starts a new area;
    // the area before it ran to its end.
    void avance(float fraction, const char* legende);
    // Ends the operation: the open area is shown complete when reussie, else where it stopped.
    void termine(bool reussie);
    // Before another text goes to the same stream: ends the line being redrawn on a terminal;
    // elsewhere, writes the open area's line as it stands, so the log keeps the order of events.
    void interrompt();

  private:
    void dessine();
    void ferme_zone(bool complete);

    std::FILE* sortie;
    bool terminal;
    Horloge horloge;
    bool zone_ouverte = false;
    bool ligne_entamee = false; // a terminal line without its newline yet
    std::string legende;
    float fraction = 0.0f;
    float fraction_ecrite = -1.0f; // the state of the last whole line written for the area
    double debut = 0.0;
    std::string dernier_texte;
};
