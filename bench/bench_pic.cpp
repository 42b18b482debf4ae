// SPDX-License-Identifier: GPL-2.0-or-later
// Whole PIC16F84 image written and verified on the simulated programmer: wall time, and the
// time the same operation takes on real hardware against the floor of its 10 ms write cycles.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "pic/dispatch.h"
#include "sim/carte_simulee.h"
#include "sim/simulateur.h"

#include <benchmark/benchmark.h>

namespace {

// The adapter of each run: parallel port, FT232R, GPIO (benchmark argument 0, 1, 2).
const char* const adaptateurs[] = {"", "ftdi", "gpio"};

void BM_EcritureVerificationPIC16F84(benchmark::State& state) {
    tab_pic = {{"PIC16F84", 1024, 64, 1, 1, 0, 1, 0}};
    pic_select = 0;
    installe_puits_message([](const std::string&, int) {});
    Memoire_PIC m;
    for (int i = 0; i < 1024; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 37) & 0x3FFF);
    for (int i = 0; i < 64; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 3);
    m.config = 0x3FF1;
    m.config_definie = true;
    int64_t virtuel = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Options_simulateur o; // a blank chip each time
        o.adaptateur = adaptateurs[state.range(0)];
        installe_simulateur(o);
        state.ResumeTiming();
        int r = Charge_tout_vers_DM(m.donnee.data());
        r |= Charge_tout_vers_PM(m.prog.data());
        r |= Charge_ID_Config(m);
        std::vector<uint16_t> prog = tampon_prog_vierge();
        std::vector<uint8_t> donnees = tampon_donnee_vierge();
        Memoire_PIC lu;
        Lit_tout_de_PM(prog.data());
        Lit_tout_de_DM(donnees.data());
        Lit_ID_Config(lu);
        if (r != 0 || !std::equal(prog.begin(), prog.begin() + 1024, m.prog.begin()))
            state.SkipWithError("verification failed");
        virtuel = carte_simulee_installee()->temps_ecoule_ns();
        benchmark::DoNotOptimize(lu);
    }
    const double plancher = 1093 * 10e-3; // 1024 words, 64 bytes, 4 IDs, the configuration word
    state.counters["materiel_s"] = static_cast<double>(virtuel) * 1e-9;
    state.counters["plancher_s"] = plancher;
    state.counters["rapport"] = static_cast<double>(virtuel) * 1e-9 / plancher;
    termine_simulateur();
}
BENCHMARK(BM_EcritureVerificationPIC16F84)->Unit(benchmark::kMillisecond)->DenseRange(0, 2);

} // namespace
