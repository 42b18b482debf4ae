// SPDX-License-Identifier: GPL-2.0-or-later
// The data view of the main window for 64 KiB, 1 MiB and 16 MiB in each base, under Xvfb
// (xvfb-run -a build/bench/bench_affichage): a new image shown (a file loaded or the chip read),
// a change of base, a jump to the end with the scroll bar. Each time until the view has settled
// (every pending event done). Target: at most 100 ms each for any size.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/repertoire_conf.h"
#include "ui/interface.h"

#include <benchmark/benchmark.h>
#include <glib/gstdio.h>

#include <string>

namespace {

bool pret = false;
bool sans_affichage = false;
constexpr int tailles[] = {64 << 10, 1 << 20, 16 << 20};

void prepare() {
    if (pret || sans_affichage) return;
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    if (!gtk_init_check(nullptr, nullptr)) {
        sans_affichage = true;
        return;
    }
    gchar* rep = g_dir_make_tmp("korval-bench-XXXXXX", nullptr);
    const std::string r = rep;
    g_free(rep);
    g_file_set_contents((r + "/conf_PICS").c_str(), "MEMOIRE 0 65536 31 -4 0 1 0\n", -1, nullptr);
    g_file_set_contents((r + "/conf_port").c_str(), "_DERNIER_PIC 0\n", -1, nullptr);
    force_repertoire_conf(r);
    Options_korval o;
    o.avec_simulateur = true;
    demarre_interface(o, false);
    pret = true;
}

void pompe() {
    while (gtk_events_pending()) gtk_main_iteration();
}

// An image of taille data bytes (beyond what the catalogue allows: the memories to come).
void image(int taille, int base) {
    tab_pic[0].taille_donnee = taille;
    m_pic->donnee.resize(static_cast<std::size_t>(taille));
    for (std::size_t i = 0; i < m_pic->donnee.size(); ++i)
        m_pic->donnee[i] = static_cast<uint8_t>(i * 3);
    donnee_en_binaire = base;
    affiche_pic_mem_en_haut();
    pompe();
}

GtkAdjustment* barre_donnees() {
    // The scroll bar beside the data view, in the memory view's grid.
    GtkWidget* vue = texte_D;
    while (!GTK_IS_GRID(gtk_widget_get_parent(vue))) vue = gtk_widget_get_parent(vue);
    GtkWidget* barre = gtk_grid_get_child_at(GTK_GRID(gtk_widget_get_parent(vue)), 1, 4);
    return gtk_range_get_adjustment(GTK_RANGE(barre));
}

bool sans_ecran(benchmark::State& state) {
    prepare();
    if (!sans_affichage) return false;
    state.SkipWithError("pas d'affichage : lancer sous xvfb-run");
    return true;
}

// Arguments: index of the size, display base (0 hexadecimal, 2 decimal, 1 binary).
void BM_chargement(benchmark::State& state) {
    if (sans_ecran(state)) return;
    image(tailles[state.range(0)], static_cast<int>(state.range(1)));
    for (auto _ : state) {
        affiche_pic_mem_en_haut();
        pompe();
    }
    state.counters["octets"] = tailles[state.range(0)];
}

void BM_changement_de_base(benchmark::State& state) {
    if (sans_ecran(state)) return;
    const int base = static_cast<int>(state.range(1));
    const int autre = base == 0 ? 1 : 0;
    image(tailles[state.range(0)], autre);
    for (auto _ : state) {
        donnee_en_binaire = base;
        affiche_pic_mem();
        pompe();
        state.PauseTiming();
        donnee_en_binaire = autre;
        affiche_pic_mem();
        pompe();
        state.ResumeTiming();
    }
}

void BM_saut_a_la_fin(benchmark::State& state) {
    if (sans_ecran(state)) return;
    image(tailles[state.range(0)], static_cast<int>(state.range(1)));
    GtkAdjustment* adj = barre_donnees();
    for (auto _ : state) {
        gtk_adjustment_set_value(adj, gtk_adjustment_get_upper(adj));
        pompe();
        state.PauseTiming();
        gtk_adjustment_set_value(adj, 0.0);
        pompe();
        state.ResumeTiming();
    }
}

void arguments(benchmark::internal::Benchmark* b) {
    for (int t = 0; t < 3; ++t)
        for (int base : {0, 2, 1}) b->Args({t, base});
    b->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(BM_chargement)->Apply(arguments);
BENCHMARK(BM_changement_de_base)->Apply(arguments);
BENCHMARK(BM_saut_a_la_fin)->Apply(arguments);

} // namespace
