// SPDX-License-Identifier: GPL-2.0-or-later
// A 24C256 (32768 bytes) written whole, then read whole, through the I2C protocol on the
// simulated board, and a 25C640 (8192 bytes) written whole through the SPI protocol: wall time per
// operation, and the virtual time the same traffic and waits would take on a real programmer
// (5 ms write cycles, acknowledge or status polling, 1 us per port access).
//
// Virtual time (s_virtuelles) measured with ./build/bench/bench_eeprom:
//   25C640 write: 83.7 s with a fixed 10 ms wait per byte, 45.0 s with status polling and the
//                 read-back of each byte (27 million port accesses instead of 1.1 million).
//   24C256 write: 171.1 s before each byte was read back, 180.1 s with the read-back.
// With eeprom_rapide (page writes, each page read back; sequential reads):
//   24C256 write 4.59 s (64-byte pages), 24C256 read 0.97 s (9.37 s byte by byte),
//   25C640 write 2.05 s (32-byte pages).
#include "core/catalogue.h"
#include "core/etat.h"
#include "eeprom/eeprom.h"
#include "port/backend.h"
#include "sim/adaptateur_simule.h"
#include "sim/carte_simulee.h"
#include "sim/eeproms/eeprom_simulee.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int TAILLE = 32768;
constexpr int TAILLE_25C640 = 8192;

struct Banc {
    Carte_simulee* carte;
    Eeprom_simulee* puce;
};

Banc prepare(const char* nom = "24C256", int taille = TAILLE, int algo = -2,
             Genre_adaptateur adaptateur = Genre_adaptateur::parallele) {
    remise_a_zero_etat();
    Desc_PIC d;
    d.nom = nom;
    d.taille_donnee = taille;
    d.algo = algo;
    d.famille = 31;
    d.teste = 1;
    tab_pic = {d};
    pic_select = 0;
    auto modele = cree_eeprom(tab_pic[0], {});
    auto* puce = dynamic_cast<Eeprom_simulee*>(modele.get());
    auto carte = std::make_unique<Carte_simulee>(std::move(modele));
    Banc b{carte.get(), puce};
    installe_backend(branche_adaptateur(std::move(carte), adaptateur));
    return b;
}

std::vector<uint8_t> image() {
    std::vector<uint8_t> v(131072, 0xFF);
    for (int a = 0; a < TAILLE; ++a)
        v[static_cast<std::size_t>(a)] = static_cast<uint8_t>(a * 7 + (a >> 8));
    return v;
}

void compteurs(benchmark::State& state, int64_t ns_virtuelles, int64_t acces, int taille = TAILLE) {
    double n = static_cast<double>(state.iterations());
    state.counters["s_virtuelles"] = static_cast<double>(ns_virtuelles) / 1e9 / n;
    state.counters["acces_port"] = static_cast<double>(acces) / n;
    state.counters["octets_par_s"] = benchmark::Counter(taille * n, benchmark::Counter::kIsRate);
}

// What a case does between the timing marks; the three first cases byte by byte, the three
// last with eeprom_rapide: page writes, each page read back with one sequential read, and one
// sequential read of the whole array.
enum class Operation { ecriture_i2c, lecture_i2c, ecriture_spi };

struct Cas {
    const char* nom;
    const char* puce;
    int taille;
    int algo;
    Operation operation;
    bool rapide;
    Genre_adaptateur adaptateur = Genre_adaptateur::parallele;
};

constexpr Cas cas[] = {
    {"BM_ecriture_24C256", "24C256", TAILLE, -2, Operation::ecriture_i2c, false},
    {"BM_lecture_24C256", "24C256", TAILLE, -2, Operation::lecture_i2c, false},
    {"BM_ecriture_25C640", "25C640", TAILLE_25C640, -4, Operation::ecriture_spi, false},
    {"BM_ecriture_24C256_rapide", "24C256", TAILLE, -2, Operation::ecriture_i2c, true},
    {"BM_lecture_24C256_rapide", "24C256", TAILLE, -2, Operation::lecture_i2c, true},
    {"BM_ecriture_25C640_rapide", "25C640", TAILLE_25C640, -4, Operation::ecriture_spi, true},
    {"BM_ecriture_24C256_rapide_ftdi", "24C256", TAILLE, -2, Operation::ecriture_i2c, true,
     Genre_adaptateur::ftdi},
    {"BM_lecture_24C256_rapide_ftdi", "24C256", TAILLE, -2, Operation::lecture_i2c, true,
     Genre_adaptateur::ftdi},
    {"BM_ecriture_24C256_rapide_gpio", "24C256", TAILLE, -2, Operation::ecriture_i2c, true,
     Genre_adaptateur::gpio},
    {"BM_lecture_24C256_rapide_gpio", "24C256", TAILLE, -2, Operation::lecture_i2c, true,
     Genre_adaptateur::gpio},
};

void mesure(benchmark::State& state, const Cas& c) {
    auto source = image();
    std::vector<uint8_t> tampon(131072, 0);
    const bool lecture = c.operation == Operation::lecture_i2c;
    int64_t virtuel = 0, acces = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Banc b = prepare(c.puce, c.taille, c.algo, c.adaptateur);
        if (c.rapide) eeprom_rapide = 1;
        if (lecture)
            b.puce->remplit(std::vector<uint8_t>(source.begin(), source.begin() + c.taille));
        state.ResumeTiming();
        if (lecture) {
            benchmark::DoNotOptimize(Lire_EEPROM_I2C(tampon.data()));
        } else {
            const int r = c.operation == Operation::ecriture_i2c
                              ? Charge_EEPROM_I2C(source.data())
                              : Charge_EEPROM_SPI(source.data(), bits_adresse_SPI(c.taille));
            if (r != 0) state.SkipWithError("écriture refusée");
        }
        state.PauseTiming();
        if (lecture && !std::equal(tampon.begin(), tampon.begin() + c.taille, source.begin()))
            state.SkipWithError("lecture fausse");
        if (!lecture &&
            !std::equal(b.puce->contenu().begin(), b.puce->contenu().end(), source.begin()))
            state.SkipWithError("contenu de la puce faux");
        virtuel += b.carte->temps_ecoule_ns();
        acces += b.carte->nb_acces();
        installe_backend(nullptr);
        state.ResumeTiming();
    }
    compteurs(state, virtuel, acces, c.taille);
}

const bool enregistres = [] {
    for (const Cas& c : cas)
        benchmark::RegisterBenchmark(c.nom, mesure, c)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return true;
}();

} // namespace
