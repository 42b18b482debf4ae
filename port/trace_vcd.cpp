// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/trace_vcd.h"

#include "core/etat.h"
#include "core/lignes.h"
#include "core/messages.h"
#include "core/sauvegarde.h"

#include <algorithm>
#include <cstring>

namespace {

enum Signal : int {
    S_VCC,
    S_VPP1,
    S_VPP2,
    S_CLK,
    S_DATA_OUT,
    S_DATA_IN,
    S_SELECT,
    S_DATA_93,
    S_DATA_BUS
};

constexpr const char* noms_signaux[Trace_vcd::NB_SIGNAUX] = {
    "VCC", "VPP1", "VPP2", "CLK", "DATA_OUT", "DATA_IN", "SELECT", "DATA_93", "DATA_BUS"};

// The data-register lines and their signals.
constexpr struct {
    Num_ligne ligne;
    Signal signal;
} sorties[] = {{L_VCC, S_VCC},        {L_VPP1, S_VPP1},         {L_VPP2, S_VPP2},
               {L_CLK, S_CLK},        {L_DATA_OUT, S_DATA_OUT}, {L_SELECT, S_SELECT},
               {L_DATA_93, S_DATA_93}};

constexpr std::size_t TAILLE_TAMPON = 1 << 16;

// Identifier codes: one printable character each.
char code(int signal) {
    return static_cast<char>('!' + signal);
}

// Logical level of a line in a register byte, as get_b_data reads it: not inverted, 1 when all its
// bits are set; inverted, 1 when one of them is clear.
char niveau(uint8_t octet, const Ligne& l) {
    if (l.masque == 0) return 'x';
    const bool tous = (octet & l.masque) == l.masque;
    return (l.inverse != 0 ? !tous : tous) ? '1' : '0';
}

} // namespace

Trace_vcd::Trace_vcd(std::unique_ptr<Backend_port> b, const std::string& fichier)
    : interne(b ? std::move(b) : cree_backend_ferme()), nom(fichier) {
    // Written beside the old trace and put in its place at the end: a full disk never costs it.
    sortie = std::make_unique<Sauvegarde_progressive>(fichier);
    if (const int e = sortie->echec(); e != 0) {
        sortie.reset();
        message_erreur(
            "Impossible de créer le fichier de trace " + fichier + " : " + std::strerror(e), 0);
        return;
    }
    tampon.reserve(TAILLE_TAMPON + 256);
    origine_ns = interne->horloge_ns();
    const std::optional<bool> bus = interne->niveau_bus();
    avec_bus = bus.has_value();

    tampon += "$version KORVAL $end\n$timescale 1 ns $end\n$scope module programmateur $end\n";
    const int nb = avec_bus ? NB_SIGNAUX : S_DATA_BUS;
    for (int s = 0; s < nb; ++s) {
        tampon += "$var wire 1 ";
        tampon += code(s);
        tampon += ' ';
        tampon += noms_signaux[s];
        tampon += " $end\n";
    }
    tampon += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    // Idle levels: every line inactive, those without bits unknown; the bus as the backend sees it.
    for (const auto& s : sorties) valeurs[s.signal] = c_u.l[s.ligne].masque != 0 ? '0' : 'x';
    valeurs[S_DATA_IN] = c_u.l[L_DATA_IN].masque != 0 ? '0' : 'x';
    if (avec_bus) valeurs[S_DATA_BUS] = *bus ? '1' : '0';
    for (int s = 0; s < nb; ++s) {
        tampon += valeurs[s];
        tampon += code(s);
        tampon += '\n';
    }
    tampon += "$end\n";
}

Trace_vcd::~Trace_vcd() {
    if (!sortie) return;
    // A last time stamp, so that viewers show how long the final levels lasted.
    const int64_t fin = interne->horloge_ns() - origine_ns;
    if (fin > dernier_temps) {
        tampon += '#';
        tampon += std::to_string(fin);
        tampon += '\n';
    }
    vide_tampon();
    if (const int e = sortie->termine(); erreur == 0) erreur = e;
    if (erreur != 0)
        message_erreur(
            "Erreur d'écriture du fichier de trace " + nom + " : " + std::strerror(erreur), 0);
}

void Trace_vcd::vide_tampon() {
    if (!tampon.empty() && erreur == 0) erreur = sortie->ecrit(tampon);
    tampon.clear();
}

void Trace_vcd::note(int signal, char valeur) {
    if (valeurs[signal] == valeur) return;
    valeurs[signal] = valeur;
    if (temps_courant > dernier_temps) {
        dernier_temps = temps_courant;
        tampon += '#';
        tampon += std::to_string(temps_courant);
        tampon += '\n';
    }
    tampon += valeur;
    tampon += code(signal);
    tampon += '\n';
}

void Trace_vcd::note_bus() {
    if (!avec_bus) return;
    // A backend that stops reporting its bus leaves it unknown.
    const std::optional<bool> bus = interne->niveau_bus();
    note(S_DATA_BUS, bus ? (*bus ? '1' : '0') : 'x');
}

void Trace_vcd::ecrit_donnee(uint8_t octet) {
    interne->ecrit_donnee(octet);
    if (!sortie) return;
    // The clock never goes back here, whatever the wrapped backend does.
    temps_courant = std::max(interne->horloge_ns() - origine_ns, dernier_temps);
    for (const auto& s : sorties) note(s.signal, niveau(octet, c_u.l[s.ligne]));
    note_bus();
    if (tampon.size() >= TAILLE_TAMPON) vide_tampon();
}

uint8_t Trace_vcd::lit_etat() {
    const uint8_t etat = interne->lit_etat();
    note_etat(etat);
    return etat;
}

void Trace_vcd::note_etat(uint8_t etat) {
    if (!sortie) return;
    temps_courant = std::max(interne->horloge_ns() - origine_ns, dernier_temps);
    note(S_DATA_IN, niveau(etat, c_u.l[L_DATA_IN]));
    note_bus();
    if (tampon.size() >= TAILLE_TAMPON) vide_tampon();
}

// A backend that reads at once is read at once, so the trace keeps each read's time; a queued
// one's samples are noted when they come back.
void Trace_vcd::met_en_file_etat(std::size_t rang) {
    if (!interne->differe()) {
        etats[rang] = lit_etat();
        return;
    }
    en_file.emplace_back(rang, interne->demande_etat());
}

void Trace_vcd::envoie_file() {
    interne->vide();
    for (const auto& [rang, sien] : en_file) {
        etats[rang] = interne->etat_demande(sien);
        note_etat(etats[rang]);
    }
    en_file.clear();
}

void demarre_trace_vcd(const std::string& fichier) {
    installe_backend(std::make_unique<Trace_vcd>(retire_backend(), fichier));
}
