// SPDX-License-Identifier: GPL-2.0-or-later
// What the line driver needs from a parallel port: the data register, the status register and a
// clock. Implementations: direct port I/O, Linux ppdev, the simulated programmer; a trace wraps
// any of them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Backend_port {
  public:
    virtual ~Backend_port() = default;

    // Takes the port at this base address into use; false when refused (a message was posted).
    virtual bool ouvre(int base) = 0;
    virtual void ferme() = 0;
    virtual bool ouvert() const = 0;

    virtual void ecrit_donnee(uint8_t octet) = 0; // data register
    virtual uint8_t lit_etat() = 0;               // status register

    // Monotonic clock, nanoseconds.
    virtual int64_t horloge_ns() = 0;

    // Returns once horloge_ns() - debut_ns >= duree_ns (signed comparison), reading the clock at
    // least once more. A simulated clock jumps instead of spinning.
    virtual void attend(int64_t debut_ns, int64_t duree_ns) {
        while (horloge_ns() - debut_ns < duree_ns) {}
    }

    // Level on the chip's data pin, where the backend can see it (the simulator).
    virtual std::optional<bool> niveau_bus() { return std::nullopt; }

    // Deferred status reads. demande_etat() takes the status register at this point of the line
    // sequence and returns its rank; etat_demande(rang) gives it once vide() has run. A backend
    // that queues (a USB adapter) sends everything at vide(); the others read at once. The ranks
    // of a batch stay valid until the first demande_etat() after vide().
    virtual bool differe() const { return false; } // queues its line changes
    std::size_t demande_etat();
    void vide();
    uint8_t etat_demande(std::size_t rang) const { return etats[rang]; }

  protected:
    // Default: the status register read now.
    virtual void met_en_file_etat(std::size_t rang) { etats[rang] = lit_etat(); }
    // Sends what is queued and stores the samples of the deferred reads in etats.
    virtual void envoie_file() {}

    std::vector<uint8_t> etats;

  private:
    bool lot_resolu = false;
};

// The backend the line driver uses. Until one is installed, a closed one that does nothing.
void installe_backend(std::unique_ptr<Backend_port> b);
Backend_port& backend();
// Takes the installed backend back (for a wrapper such as the trace).
std::unique_ptr<Backend_port> retire_backend();

// Changes each time a backend is installed or taken back (init_port then opens the new one).
unsigned generation_backend();

// A backend without a port: never opens, drops every write, reads the status register as 0xFF
// (what an absent port gives on the bus), keeps the real monotonic clock. backend() returns one
// until a front end installs another.
std::unique_ptr<Backend_port> cree_backend_ferme();

// CLOCK_MONOTONIC in nanoseconds: the clock of the real backends. A wall-clock step must not cut a
// programming wait short.
int64_t horloge_monotone_ns();
