// SPDX-License-Identifier: GPL-2.0-or-later
// A full 8K-word image with its 256 data bytes written into a PIC16F877 (Algorithm 1, one 10 ms
// cycle per word) and into a PIC16F877A (Algorithm 5, chip erase then eight-word groups through
// the latch): the time the write takes on real hardware, from the simulated programmer's
// virtual clock, and the wall time of the simulation.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "operations/operations.h"
#include "sim/carte_simulee.h"
#include "sim/simulateur.h"

#include <benchmark/benchmark.h>

namespace {

void ecriture_complete(benchmark::State& state, const char* nom, int famille, int algo) {
    tab_pic = {{nom, 8192, 256, algo, 1, famille, 1, 0}};
    tab_fuses = {};
    pic_select = 0;
    installe_puits_message([](const std::string&, int) {});
    Memoire_PIC m(0x3FFF);
    for (int i = 0; i < 8192; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 37 + 1) & 0x3FFF);
    for (int i = 0; i < 256; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 3 + 1);
    int64_t virtuel = 0;
    for (auto _ : state) {
        state.PauseTiming();
        installe_simulateur({}); // a blank chip each time
        state.ResumeTiming();
        if (ecrit_image(m) != OPERATION_REUSSIE) state.SkipWithError("write failed");
        virtuel = carte_simulee_installee()->temps_ecoule_ns();
    }
    state.counters["materiel_s"] = static_cast<double>(virtuel) * 1e-9;
    termine_simulateur();
}

void BM_Ecriture_PIC16F877(benchmark::State& state) {
    ecriture_complete(state, "PIC16F877", 3, 1);
}
void BM_Ecriture_PIC16F877A(benchmark::State& state) {
    ecriture_complete(state, "PIC16F877A", 11, 5);
}
BENCHMARK(BM_Ecriture_PIC16F877)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_PIC16F877A)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
