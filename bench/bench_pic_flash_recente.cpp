// SPDX-License-Identifier: GPL-2.0-or-later
// A full image (every program word, every data byte, IDs and configuration word) written into a
// blank PIC16F628A, PIC16F877A and PIC12F675 of the shipped catalogue through ecrit_image, as the
// user's write runs it: the time the operation takes on real hardware, read from the simulated
// programmer's virtual clock, with the entry and supply-discharge waits it contains.
//
// Hardware time (materiel_s) of each write, before the entry hold times (10 µs), the 10 ms
// supply discharge before every pass and the 10 ms wait before the 16F62xA's bulk erase, and
// after them (the passes that only walked with Increment Address went at the same time):
//   PIC16F628A  12.282 s -> 12.266 s
//   PIC16F877A   7.098 s ->  6.869 s
//   PIC12F675    4.978 s ->  5.046 s (before: configuration 3FC4, as 31C4 failed to verify)
// Run: build/bench/bench_pic_flash_recente
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "operations/operations.h"
#include "sim/carte_simulee.h"
#include "sim/simulateur.h"

#include <benchmark/benchmark.h>

namespace {

void ecriture_complete(benchmark::State& state, const char* nom, uint16_t config) {
    if (!lire_catalogue_fichier(KORVAL_SOURCE "/data/conf_PICS")) {
        state.SkipWithError("catalogue");
        return;
    }
    pic_select = cherche_pic(nom);
    const Desc_PIC& p = *pic_courant();
    installe_puits_message([](const std::string&, int) {});
    Memoire_PIC m(config);
    m.config_definie = true;
    // The 12F675 keeps its calibration word: the image stops one word short of it.
    const int mots = p.osc_cal ? p.taille_prog - 1 : p.taille_prog;
    for (int i = 0; i < mots; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 37 + 1) & 0x3FFF);
    for (int i = 0; i < p.taille_donnee; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 3 + 1);
    for (uint8_t& id : m.id) id = 0x05;
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

void BM_Ecriture_PIC16F628A(benchmark::State& state) {
    ecriture_complete(state, "PIC16F628A", 0x3F50); // internal oscillator, MCLR off
}
void BM_Ecriture_PIC16F877A(benchmark::State& state) {
    ecriture_complete(state, "PIC16F877A", 0x3F71);
}
void BM_Ecriture_PIC12F675(benchmark::State& state) {
    ecriture_complete(state, "PIC12F675", 0x31C4); // internal oscillator, MCLR off
}
BENCHMARK(BM_Ecriture_PIC16F628A)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_PIC16F877A)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_PIC12F675)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
