// SPDX-License-Identifier: GPL-2.0-or-later
// Trace of the programmer lines: wraps a backend and writes every data write and every status read
// to a VCD file (timescale 1 ns) that GTKWave, PulseView and sigrok-cli read.
//
// One 1-bit signal per line, in its logical level decoded with the c_u of the moment: VCC, VPP1,
// VPP2, CLK, DATA_OUT, DATA_IN (the level read, updated at each status read), SELECT, DATA_93, and
// DATA_BUS (the level on the chip's data pin) when the wrapped backend reports one at the start. A
// line without bits in the map shows x. Times come from the wrapped backend's clock (real or
// virtual), counted from the start of the trace. Before the first access every line is at 0, its
// idle level (x without bits), and DATA_BUS as the backend reports it. Only changes are written.
// The file is written beside the old one and put in its place on destruction (a FIFO or a
// descriptor is written to directly); a write error is reported then, once, and leaves the old
// file as it was.
#pragma once

#include "port/backend.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class Sauvegarde_progressive;

class Trace_vcd final : public Backend_port {
  public:
    static constexpr int NB_SIGNAUX = 9;

    // A file that cannot be created is reported; the wrapper then only passes accesses through.
    Trace_vcd(std::unique_ptr<Backend_port> interne, const std::string& fichier);
    ~Trace_vcd() override;
    Trace_vcd(const Trace_vcd&) = delete;
    Trace_vcd& operator=(const Trace_vcd&) = delete;

    bool enregistre() const { return sortie != nullptr; }

    bool ouvre(int base) override { return interne->ouvre(base); }
    void ferme() override { interne->ferme(); }
    bool ouvert() const override { return interne->ouvert(); }

    void ecrit_donnee(uint8_t octet) override;
    uint8_t lit_etat() override;

    int64_t horloge_ns() override { return interne->horloge_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override {
        interne->attend(debut_ns, duree_ns);
    }
    std::optional<bool> niveau_bus() override { return interne->niveau_bus(); }
    bool differe() const override { return interne->differe(); }

  protected:
    void met_en_file_etat(std::size_t rang) override;
    void envoie_file() override;

  private:
    void note_etat(uint8_t etat);
    void note(int signal, char valeur);
    void note_bus();
    void vide_tampon();

    std::unique_ptr<Backend_port> interne;
    std::string nom;
    std::unique_ptr<Sauvegarde_progressive> sortie;
    int erreur = 0; // errno of the first write error; nothing more is written after it
    std::string tampon;
    bool avec_bus = false;
    int64_t origine_ns = 0;
    int64_t dernier_temps = 0;
    int64_t temps_courant = 0;
    char valeurs[NB_SIGNAUX] = {};
    std::vector<std::pair<std::size_t, std::size_t>> en_file; // own rank, wrapped one's rank
};

// Wraps the installed backend (the closed one when none is) in a trace written to fichier.
void demarre_trace_vcd(const std::string& fichier);
