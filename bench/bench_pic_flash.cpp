// SPDX-License-Identifier: GPL-2.0-or-later
// Full images written through ecrit_image on the simulated programmer: the time each write takes
// on real hardware, from the simulated programmer's virtual clock (materiel_s), and the wall time
// of the simulation.
//
// An 8K-word image with its 256 data bytes into a PIC16F877 (Algorithm 1, one 10 ms cycle per
// word) and into a PIC16F877A (Algorithm 5, chip erase then eight-word groups through the latch).
//
// Every word, data byte and ID into a blank PIC16F628A, PIC16F877A and PIC12F675 of the shipped
// catalogue, with the entry and supply-discharge waits the writes contain. Hardware time before
// the entry hold times (10 µs), the 10 ms supply discharge before every pass and the 10 ms wait
// before the 16F62xA's bulk erase, and after them (the passes that only walked with Increment
// Address went at the same time):
//   PIC16F628A  12.282 s -> 12.266 s
//   PIC16F877A   7.098 s ->  6.869 s
//   PIC12F675    4.978 s ->  5.002 s (before: configuration 3FC4, as 31C4 failed to verify)
// The latched families, every word, byte and ID, first configuration word only (the 16F1847
// both), against the estimates for the chips' minimum waits:
//   PIC16F88    4.17 s (four-word groups, 2 ms per 0x18 .. 0x17 cycle and per data byte;
//                       estimate 2.5 s at 1 ms)
//   PIC16F887  10.87 s (eight-word groups, 6 ms per cycle, 8 ms per data byte; estimate 6.7 s
//                       at 3 ms and 6.2 ms)
//   PIC16F690   9.66 s (four-word groups, 6 ms per cycle, 8 ms per data byte; estimate 5.7 s
//                       at 3.5 ms and 6.2 ms)
//   PIC16F1847  7.30 s (eight-word groups, 3 ms per cycle, 6 ms per data byte and configuration
//                       word, 10 ms per bulk erase; estimate 5.8 s with eight-word cycles at
//                       2.5 ms and 5.2 ms, 4 s with 32-word rows)
// Run: build/bench/bench_pic_flash
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "operations/operations.h"
#include "sim/carte_simulee.h"
#include "sim/simulateur.h"

#include <benchmark/benchmark.h>

#include <optional>

namespace {

// The adapter of each run: parallel port, FT232R, GPIO (benchmark argument 0, 1, 2).
const char* const adaptateurs[] = {"", "ftdi", "gpio"};

// Every word below mots and every data byte of the selected device, written into a blank chip.
void mesure_ecriture(benchmark::State& state, Memoire_PIC& m, int mots,
                     const char* adaptateur = "") {
    const Desc_PIC& p = *pic_courant();
    installe_puits_message([](const std::string&, int) {});
    for (int i = 0; i < mots; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 37 + 1) & 0x3FFF);
    for (int i = 0; i < p.taille_donnee; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 3 + 1);
    int64_t virtuel = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Options_simulateur o; // a blank chip each time
        o.adaptateur = adaptateur;
        installe_simulateur(o);
        state.ResumeTiming();
        if (ecrit_image(m) != OPERATION_REUSSIE) state.SkipWithError("write failed");
        virtuel = carte_simulee_installee()->temps_ecoule_ns();
    }
    state.counters["materiel_s"] = static_cast<double>(virtuel) * 1e-9;
    termine_simulateur();
}

void ecriture_complete(benchmark::State& state, const char* nom, int famille, int algo,
                       const char* adaptateur = "") {
    tab_pic = {{nom, 8192, 256, algo, 1, famille, 1, 0}};
    tab_fuses = {};
    pic_select = 0;
    Memoire_PIC m(0x3FFF);
    mesure_ecriture(state, m, 8192, adaptateur);
}

void BM_Ecriture_PIC16F877(benchmark::State& state) {
    ecriture_complete(state, "PIC16F877", 3, 1);
}
void BM_Ecriture_PIC16F877A(benchmark::State& state) {
    ecriture_complete(state, "PIC16F877A", 11, 5, adaptateurs[state.range(0)]);
}
BENCHMARK(BM_Ecriture_PIC16F877)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_PIC16F877A)->Unit(benchmark::kMillisecond)->Iterations(1)->DenseRange(0, 2);

// A device of the shipped catalogue, with its configuration word and IDs; the 12F675's image
// stops one word short of its calibration word.
void ecriture_catalogue(benchmark::State& state, const char* nom, uint16_t config,
                        std::optional<uint16_t> config2 = std::nullopt) {
    if (!lire_catalogue_fichier(KORVAL_SOURCE "/data/conf_PICS")) {
        state.SkipWithError("catalogue");
        return;
    }
    pic_select = cherche_pic(nom);
    const Desc_PIC& p = *pic_courant();
    Memoire_PIC m(config);
    m.config_definie = true;
    if (config2) {
        m.config2 = *config2;
        m.config2_definie = true;
    }
    for (uint8_t& id : m.id) id = 0x05;
    mesure_ecriture(state, m, p.osc_cal ? p.taille_prog - 1 : p.taille_prog);
}

void BM_Ecriture_catalogue_PIC16F628A(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F628A", 0x3F50); // internal oscillator, MCLR off
}
void BM_Ecriture_catalogue_PIC16F877A(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F877A", 0x3F71);
}
void BM_Ecriture_catalogue_PIC12F675(benchmark::State& state) {
    ecriture_catalogue(state, "PIC12F675", 0x31C4); // internal oscillator, MCLR off
}
// The latched families: four-word groups with 0x18 .. 0x17 (16F88), eight-word groups with the
// internally timed cycle (16F887), four-word groups with it (16F690).
void BM_Ecriture_catalogue_PIC16F88(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F88", 0x3F30); // internal oscillator
}
void BM_Ecriture_catalogue_PIC16F887(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F887", 0x2CF4);
}
void BM_Ecriture_catalogue_PIC16F690(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F690", 0x30C4); // internal oscillator, MCLR off
}
// Both configuration words, entered by the low-voltage key (the board's VPP is 13 V).
void BM_Ecriture_catalogue_PIC16F1847(benchmark::State& state) {
    ecriture_catalogue(state, "PIC16F1847", 0x3FC4, 0x3EFF); // INTOSC; CONFIG2: LVP kept on
}
BENCHMARK(BM_Ecriture_catalogue_PIC16F88)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC16F887)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC16F690)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC16F1847)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC16F628A)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC16F877A)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Ecriture_catalogue_PIC12F675)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
