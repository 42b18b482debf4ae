// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated port: programmer line changes per second of wall time through the whole path,
// line driver + simulated board + chip model. Target: at least 5 million per second.
#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/carte_simulee.h"
#include "sim/puces/fabrique.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

int64_t changements = 0; // line routine calls

// One bit out as the command layer sends it; the waits only when attendre.
template <bool attendre> void envoie_bit(bool bit) {
    clock_a_1();
    bit ? data_a_1() : data_a_0();
    if (attendre) attente(1);
    clock_a_0();
    if (attendre) attente(1);
    changements += 3;
}

template <bool attendre> void commande(int code) {
    data_a_1();
    ++changements;
    if (attendre) attente(2);
    for (int i = 0; i < 6; ++i) envoie_bit<attendre>(((code >> i) & 1) != 0);
}

template <bool attendre> void charge(uint16_t mot) {
    data_a_1();
    ++changements;
    if (attendre) attente(2);
    envoie_bit<attendre>(false);
    for (int i = 0; i < 14; ++i) envoie_bit<attendre>(((mot >> i) & 1) != 0);
    envoie_bit<attendre>(false);
}

template <bool attendre> uint16_t lit() {
    data_a_1();
    ++changements;
    if (attendre) attente(1);
    uint16_t mot = 0;
    for (int i = 0; i < 16; ++i) {
        clock_a_1();
        if (attendre) attente(1);
        clock_a_0();
        if (attendre) attente(1);
        changements += 2;
        if (i >= 1 && i <= 14) mot = static_cast<uint16_t>(mot | (get_b_data() << (i - 1)));
    }
    return mot;
}

// A PIC16F84 in the socket of a KORVAL board, in programming mode.
Carte_simulee* prepare() {
    remise_a_zero_etat();
    Desc_PIC d;
    d.nom = "PIC16F84";
    d.taille_prog = 1024;
    d.taille_donnee = 64;
    d.algo = 1;
    d.famille = 1;
    d.teste = 1;
    tab_pic = {d};
    pic_select = 0;
    std::unique_ptr<Modele_puce> puce = cree_puce(tab_pic[0], {});
    auto carte = std::make_unique<Carte_simulee>(std::move(puce));
    Carte_simulee* brute = carte.get();
    installe_backend(std::move(carte));
    init_port();
    Power_on();
    attente(100);
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_1();
    attente(100);
    return brute;
}

// Load Data, Read Data, Increment Address: one word's traffic, without or with the waits.
template <bool attendre> void BM_simulateur(benchmark::State& state) {
    Carte_simulee* carte = prepare();
    auto* pic = dynamic_cast<Puce_pic*>(carte->puce());
    if (!pic || pic->mode() != Mode_puce::programmation) {
        state.SkipWithError("la puce n'est pas en mode programmation");
        return;
    }
    // init_port's first writes pass through every KORVAL line active (shadow 0, active-low
    // lines): the chip notes a refused entry before the clean one.
    pic->efface_violations();
    changements = 0;
    int64_t t0 = carte->temps_ecoule_ns();
    uint16_t mot = 0;
    for (auto _ : state) {
        commande<attendre>(2);
        charge<attendre>(mot);
        commande<attendre>(4);
        benchmark::DoNotOptimize(lit<attendre>());
        commande<attendre>(6);
        mot = static_cast<uint16_t>((mot + 0x1235) & 0x3FFF);
    }
    if (pic->nombre_violations() != 0) state.SkipWithError("violation du protocole");
    state.counters["changements_par_s"] =
        benchmark::Counter(static_cast<double>(changements), benchmark::Counter::kIsRate);
    state.counters["us_virtuelles_par_mot"] = static_cast<double>(carte->temps_ecoule_ns() - t0) /
                                              1000.0 / static_cast<double>(state.iterations());
    Vtest_Mode_a_0();
    Power_off();
    installe_backend(nullptr);
    remise_a_zero_etat();
}

void BM_lignes_sans_attente(benchmark::State& state) {
    BM_simulateur<false>(state);
}
void BM_lignes_avec_attentes(benchmark::State& state) {
    BM_simulateur<true>(state);
}

} // namespace

BENCHMARK(BM_lignes_sans_attente)->UseRealTime();
BENCHMARK(BM_lignes_avec_attentes)->UseRealTime();
