// SPDX-License-Identifier: GPL-2.0-or-later
// Linux ppdev: the port through /dev/parportN (PPCLAIM, PPWDATA, PPRSTATUS, PPRELEASE). Needs no
// root, only access to the device (group lp). A failed open posts a message naming the device and
// the likely cause, then the port stays closed and every access does nothing (status 0xFF).
#pragma once

#include "port/backend.h"

#include <string>

class Backend_ppdev final : public Backend_port {
  public:
    explicit Backend_ppdev(std::string peripherique = "/dev/parport0");
    ~Backend_ppdev() override;
    Backend_ppdev(const Backend_ppdev&) = delete;
    Backend_ppdev& operator=(const Backend_ppdev&) = delete;

    // The device names the port; the base address is not used.
    bool ouvre(int base) override;
    void ferme() override; // releases the port and closes the device
    bool ouvert() const override { return fd >= 0; }

    void ecrit_donnee(uint8_t octet) override;
    uint8_t lit_etat() override;

    int64_t horloge_ns() override { return horloge_monotone_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override;

  private:
    std::string peripherique;
    int fd = -1;
};
