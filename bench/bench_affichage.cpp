// SPDX-License-Identifier: GPL-2.0-or-later
// affiche_pic_mem for the largest images, under Xvfb (xvfb-run -a build/bench/bench_affichage):
// a 65536-byte EEPROM, the whole 131072-byte data buffer, an 8192-word PIC with 256 data bytes.
// "seul" is the rebuild itself; "dessine" adds the layout and drawing of the pending events.
// Target: at most 100 ms for the largest.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/repertoire_conf.h"
#include "ui/interface.h"

#include <benchmark/benchmark.h>
#include <glib/gstdio.h>

#include <cstdio>
#include <string>

namespace {

bool pret = false;
bool sans_affichage = false;

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
    const char* catalogue = "PIC16F877 8192 256 3 1 1 0 0\n"
                            "24C512 0 65536 31 -2 0 1 0\n"
                            "TAMPON 0 131072 31 -2 0 1 0\n";
    g_file_set_contents((r + "/conf_PICS").c_str(), catalogue, -1, nullptr);
    g_file_set_contents((r + "/conf_port").c_str(), "_DERNIER_PIC 0\n", -1, nullptr);
    force_repertoire_conf(r);
    Options_korval o;
    o.avec_simulateur = true;
    demarre_interface(o, false);
    for (std::size_t i = 0; i < m_pic->prog.size(); ++i)
        m_pic->prog[i] = static_cast<uint16_t>(i * 5 & 0x3FFF);
    for (std::size_t i = 0; i < m_pic->donnee.size(); ++i)
        m_pic->donnee[i] = static_cast<uint8_t>(i * 3);
    pret = true;
}

void pompe() {
    while (gtk_events_pending()) gtk_main_iteration();
}

void mesure(benchmark::State& state, const char* nom, bool dessine) {
    prepare();
    if (sans_affichage) {
        state.SkipWithError("pas d'affichage : lancer sous xvfb-run");
        return;
    }
    gtk_entry_set_text(champ_combo(boutons.combo_pic), nom);
    donnee_en_binaire = static_cast<int>(state.range(0));
    pompe();
    for (auto _ : state) {
        affiche_pic_mem();
        if (dessine) pompe();
    }
    const Desc_PIC* p = pic_courant();
    state.counters["octets"] = p ? p->taille_donnee : 0;
}

void BM_eeprom_65536_seul(benchmark::State& s) {
    mesure(s, "24C512", false);
}
void BM_eeprom_65536_dessine(benchmark::State& s) {
    mesure(s, "24C512", true);
}
void BM_tampon_131072_seul(benchmark::State& s) {
    mesure(s, "TAMPON", false);
}
void BM_tampon_131072_dessine(benchmark::State& s) {
    mesure(s, "TAMPON", true);
}
void BM_pic_8192_256_seul(benchmark::State& s) {
    mesure(s, "PIC16F877", false);
}
void BM_pic_8192_256_dessine(benchmark::State& s) {
    mesure(s, "PIC16F877", true);
}

// Argument: the display base (0 hexadecimal, 2 decimal, 1 binary).
BENCHMARK(BM_eeprom_65536_seul)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_eeprom_65536_dessine)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tampon_131072_seul)->Arg(0)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tampon_131072_dessine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_pic_8192_256_seul)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_pic_8192_256_dessine)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
