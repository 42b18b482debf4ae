// SPDX-License-Identifier: GPL-2.0-or-later
// A backend that queues: the line changes and the short waits of the protocols become a stream of
// bytes that a synchronous bit-bang chip applies one per period, sent in one transfer when a read
// is needed, when the queue is full, or before a wait long enough for the host to do it.
#pragma once

#include "port/backend.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// What a synchronous bit-bang chip does with a run of bytes: applies them one per period and
// returns, for each, the pins sampled just before it went out (one behind).
class Transport_synchrone {
  public:
    virtual ~Transport_synchrone() = default;
    virtual bool ouvre() = 0; // false when refused (a message was posted)
    virtual void ferme() = 0;
    // Writes sortie and reads as many samples into entree; false on a transfer error (posted).
    virtual bool echange(std::span<const uint8_t> sortie, std::span<uint8_t> entree) = 0;
    // The host's clock and busy-wait.
    virtual int64_t horloge_ns() = 0;
    virtual void attend(int64_t debut_ns, int64_t duree_ns) = 0;
};

struct Rythme_file {
    int64_t periode_octet_ns = 1000;     // one byte of the stream: the finest wait of the protocols
    int64_t attente_hote_ns = 2'000'000; // longer waits are done by the host, after a transfer
    std::size_t octets_max = 4096;       // bytes of one transfer
};

class Backend_file final : public Backend_port {
  public:
    Backend_file(std::unique_ptr<Transport_synchrone> transport, const Rythme_file& rythme = {});

    bool ouvre(int base) override;
    void ferme() override;
    bool ouvert() const override { return est_ouvert; }

    void ecrit_donnee(uint8_t octet) override;
    uint8_t lit_etat() override;

    // The stream's clock: when the last queued byte goes out.
    int64_t horloge_ns() override;
    void attend(int64_t debut_ns, int64_t duree_ns) override;
    bool differe() const override { return true; }

    int64_t nb_transferts() const { return transferts; }

  protected:
    void met_en_file_etat(std::size_t rang) override;
    void envoie_file() override;

  private:
    void ajoute(uint8_t octet);

    std::unique_ptr<Transport_synchrone> transport;
    Rythme_file rythme;
    bool est_ouvert = false;
    uint8_t courant = 0xFF;
    std::vector<uint8_t> sortie;
    std::vector<uint8_t> entree;
    struct Lecture {
        std::size_t octet; // its sample is the one of this byte
        std::size_t rang;
    };
    std::vector<Lecture> lectures;
    int64_t origine_ns = 0; // host time when the queue was last sent
    int64_t transferts = 0;
};
