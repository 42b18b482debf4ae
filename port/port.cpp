// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/port.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"

#include <unistd.h>

uint8_t port_donnee = 0;
volatile std::sig_atomic_t signal_interruption = 0;

namespace {

void (*fin_interruption)(int) = nullptr;
bool arret_en_cours = false;

// What init_port last opened: the base and the backend it was opened on.
int base_ouverte = -1;
unsigned generation_ouverte = 0;

// Step 2 of the line rule: logical level into the shadow, polarity from the current c_u.
void met_ligne(Num_ligne ligne, bool niveau) {
    const Ligne& l = c_u.l[ligne];
    if (niveau != (l.inverse != 0))
        port_donnee = static_cast<uint8_t>(port_donnee | l.masque);
    else
        port_donnee = static_cast<uint8_t>(port_donnee & ~l.masque);
}

// The whole byte goes out, changed or not; a signal noted meanwhile stops everything here.
void ecrit_port() {
    backend().ecrit_donnee(port_donnee);
    if (signal_interruption != 0) arrete_si_interrompu();
}

void pilote(Num_ligne ligne, bool niveau) {
    met_ligne(ligne, niveau);
    ecrit_port();
}

} // namespace

void pilote_ligne(Num_ligne ligne, bool niveau) {
    pilote(ligne, niveau);
}

void data_a_1() {
    pilote(L_DATA_OUT, true);
}
void data_a_0() {
    pilote(L_DATA_OUT, false);
}
void clock_a_1() {
    pilote(L_CLK, true);
}
void clock_a_0() {
    pilote(L_CLK, false);
}
void Power_on() {
    pilote(L_VCC, true);
}
void Power_off() {
    pilote(L_VCC, false);
    // A queuing adapter sends it now: the supply goes off when asked.
    backend().vide();
}
void s_a_1() {
    pilote(L_SELECT, true);
}
void s_a_0() {
    pilote(L_SELECT, false);
}
void data_93_a_1() {
    pilote(L_DATA_93, true);
}
void data_93_a_0() {
    pilote(L_DATA_93, false);
}

void Vtest_Mode_a_1() {
    // No selected device: no way to tell which VPP line is meant, so neither is raised.
    if (const Desc_PIC* p = pic_courant()) met_ligne(p->vpp40 != 0 ? L_VPP2 : L_VPP1, true);
    ecrit_port();
}

void Vtest_Mode_a_0() {
    if (const Desc_PIC* p = pic_courant()) {
        met_ligne(p->vpp40 != 0 ? L_VPP2 : L_VPP1, false);
    } else {
        met_ligne(L_VPP2, false);
        met_ligne(L_VPP1, false);
    }
    ecrit_port();
}

int get_b_data() {
    const Lecture_differee l = demande_b_data();
    vide_lignes();
    return niveau_lu(l);
}

Lecture_differee demande_b_data() {
    return {backend().demande_etat()};
}

bool lignes_differees() {
    return backend().differe();
}

void vide_lignes() {
    backend().vide();
}

int niveau_lu(Lecture_differee lecture) {
    const uint8_t etat = backend().etat_demande(lecture.rang);
    const Ligne& l = c_u.l[L_DATA_IN];
    const bool tous = (etat & l.masque) == l.masque;
    return (l.inverse != 0 ? !tous : tous) ? 1 : 0;
}

void init_port() {
    port_donnee = 0;

    const int base = PORT_PARA & 0xFFFF;
    Backend_port& b = backend();
    if (!b.ouvert() || base != base_ouverte || generation_ouverte != generation_backend()) {
        base_ouverte = base;
        generation_ouverte = generation_backend();
        // A refusal has posted its message; the backend then drops every access.
        b.ouvre(base);
    }

    // With active-low lines a cleared shadow means supply and programming voltage on: put the
    // power lines at rest in the shadow before the first write, so no write ever powers the chip.
    met_ligne(L_VCC, false);
    met_ligne(L_VPP2, false);
    met_ligne(L_VPP1, false);
    met_ligne(L_CLK, false);
    met_ligne(L_DATA_OUT, false);
    data_a_0();
    clock_a_0();
    Power_off();
    met_ligne(L_VPP2, false);
    met_ligne(L_VPP1, false);
    ecrit_port();
}

void attente(int n) {
    Backend_port& b = backend();
    const int64_t debut = b.horloge_ns();
    b.attend(debut, (int64_t{n} + val_tempo) * 1000);
}

void installe_fin_interruption(void (*fin)(int)) {
    fin_interruption = fin;
}

void arrete_si_interrompu() {
    const int signal = signal_interruption;
    if (signal == 0 || arret_en_cours) return;
    arret_en_cours = true;
    // Programming voltage off before the supply, clock and data low; then SELECT and DATA_93
    // inactive. The levels hold a moment, so a trace shows them.
    met_ligne(L_VPP2, false);
    met_ligne(L_VPP1, false);
    met_ligne(L_CLK, false);
    met_ligne(L_DATA_OUT, false);
    ecrit_port();
    met_ligne(L_VCC, false);
    met_ligne(L_SELECT, false);
    met_ligne(L_DATA_93, false);
    ecrit_port();
    attente(1);
    backend().vide(); // a queuing adapter sends the power-down before the end
    if (fin_interruption) fin_interruption(signal);
    ::_exit(128 + signal);
}
