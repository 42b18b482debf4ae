// SPDX-License-Identifier: GPL-2.0-or-later
// Direct port I/O on x86 Linux: ioperm, then outb to the data register and inb from the status
// register. Without the permission the port stays closed and every access does nothing (the status
// reads 0xFF), so no outb ever faults. Elsewhere it builds and always refuses.
#pragma once

#include "port/backend.h"

class Backend_direct final : public Backend_port {
  public:
    // Takes the grant made by prepare_privileges, or asks ioperm (which needs root).
    bool ouvre(int base) override;
    // The permission is kept: once root is dropped it could not be had again.
    void ferme() override { base_ouverte = -1; }
    bool ouvert() const override { return base_ouverte >= 0; }

    void ecrit_donnee(uint8_t octet) override;
    uint8_t lit_etat() override;

    int64_t horloge_ns() override { return horloge_monotone_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override;

  private:
    int base_ouverte = -1;
};
