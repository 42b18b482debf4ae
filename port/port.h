// Parallel-port line driver: one routine per programmer line and level, the input line, opening
// the port and the microsecond wait. Levels are logical; the pin map c_u gives bit and polarity.
#pragma once

#include <cstdint>

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

void init_port();    // opens the port, all supply and programming lines inactive
void attente(int n); // busy-waits n + val_tempo microseconds
