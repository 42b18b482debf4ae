// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/backend.h"

#include <ctime>

int64_t horloge_monotone_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

std::size_t Backend_port::demande_etat() {
    if (lot_resolu) {
        etats.clear();
        lot_resolu = false;
    }
    etats.push_back(0xFF);
    met_en_file_etat(etats.size() - 1);
    return etats.size() - 1;
}

void Backend_port::vide() {
    envoie_file();
    lot_resolu = true;
}

namespace {

class Backend_ferme final : public Backend_port {
  public:
    bool ouvre(int) override { return false; }
    void ferme() override {}
    bool ouvert() const override { return false; }
    void ecrit_donnee(uint8_t) override {}
    uint8_t lit_etat() override { return 0xFF; }
    int64_t horloge_ns() override { return horloge_monotone_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override {
        while (horloge_monotone_ns() - debut_ns < duree_ns) {}
    }
};

Backend_ferme backend_par_defaut;
std::unique_ptr<Backend_port> backend_installe;
unsigned generation = 0;

} // namespace

void installe_backend(std::unique_ptr<Backend_port> b) {
    backend_installe = std::move(b);
    ++generation;
}

Backend_port& backend() {
    return backend_installe ? *backend_installe : backend_par_defaut;
}

std::unique_ptr<Backend_port> retire_backend() {
    ++generation;
    return std::move(backend_installe);
}

unsigned generation_backend() {
    return generation;
}

std::unique_ptr<Backend_port> cree_backend_ferme() {
    return std::make_unique<Backend_ferme>();
}
