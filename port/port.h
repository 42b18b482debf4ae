// SPDX-License-Identifier: GPL-2.0-or-later
// Parallel-port line driver: one routine per programmer line and level, the input line, opening
// the port and the microsecond wait. Levels are logical; the pin map c_u gives bit and polarity.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>

#include "core/lignes.h"

extern uint8_t port_donnee; // shadow of the data register

void data_a_1();
void data_a_0();
void clock_a_1();
void clock_a_0();
void Power_on();
void Power_off();
void Vtest_Mode_a_1(); // VPP2 when the selected device's vpp40 is set, else VPP1
void Vtest_Mode_a_0();
void s_a_1();
void s_a_0();
void data_93_a_1();
void data_93_a_0();

int get_b_data(); // logical level of DATA_IN
// One line at a logical level, the others as they are (the wiring self-test).
void pilote_ligne(Num_ligne ligne, bool niveau);

// DATA_IN read at this point of the line sequence, its level known after vide_lignes(): an
// adapter that queues sends a whole block of line changes and reads in one transfer.
struct Lecture_differee {
    std::size_t rang = 0;
};
Lecture_differee demande_b_data();
void vide_lignes();
int niveau_lu(Lecture_differee l); // after vide_lignes()
// True when the backend queues: reads are then worth grouping in blocks.
bool lignes_differees();

void init_port();    // opens the port, all supply and programming lines inactive
void attente(int n); // busy-waits n + val_tempo microseconds

// Interruption by a signal. A handler only sets signal_interruption (to the signal's number);
// the next line change then completes, the chip is powered down (supply and programming voltage
// off, every line at rest) and the routine installed with installe_fin_interruption runs with
// the signal's number. It must not return; without one the process ends with 128 + signal.
extern volatile std::sig_atomic_t signal_interruption;
void installe_fin_interruption(void (*fin)(int signal));
// The same stop, where no line change may come (the end of an operation); nothing while no
// signal is noted.
void arrete_si_interrompu();
