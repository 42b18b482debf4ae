// SPDX-License-Identifier: GPL-2.0-or-later
// attente on the real monotonic clock: how far past n + val_tempo microseconds it returns.
// Target: a median overshoot of at most 0.5 µs for n = 1, 2, 10, 100.
#include "core/etat.h"
#include "port/backend.h"
#include "port/backend_direct.h"
#include "port/port.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

void BM_attente(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    // The direct backend's clock, port left closed: no I/O, only the wait.
    installe_backend(std::make_unique<Backend_direct>());
    val_tempo = 0;

    std::vector<double> depassements;
    depassements.reserve(1 << 20);
    for (auto _ : state) {
        const int64_t avant = horloge_monotone_ns();
        attente(n);
        const int64_t apres = horloge_monotone_ns();
        if (depassements.size() < depassements.capacity())
            depassements.push_back(static_cast<double>(apres - avant - int64_t{n} * 1000) / 1000.0);
    }
    installe_backend(nullptr);

    if (depassements.empty()) return;
    auto rang = [&](double q) {
        auto i = depassements.begin() +
                 static_cast<std::ptrdiff_t>(q * static_cast<double>(depassements.size() - 1));
        std::nth_element(depassements.begin(), i, depassements.end());
        return *i;
    };
    state.counters["depassement_median_us"] = rang(0.5);
    state.counters["depassement_p99_us"] = rang(0.99);
}

} // namespace

BENCHMARK(BM_attente)->Arg(1)->Arg(2)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
