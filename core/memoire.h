// SPDX-License-Identifier: GPL-2.0-or-later
// The memory image of one chip.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

constexpr int TAILLE_PROG_MAX = 16384;    // program words
constexpr int TAILLE_DONNEE_MAX = 131072; // data bytes
// An ID location the image does not give (IDs hold at most 7 bits on every part): left as it is.
constexpr uint8_t ID_ABSENT = 0xFF;

struct Memoire_PIC {
    std::vector<uint16_t> prog;  // TAILLE_PROG_MAX words; 0xFFFF = nothing to program
    std::vector<uint8_t> donnee; // TAILLE_DONNEE_MAX bytes
    uint16_t config;
    uint8_t id[4];
    // The configuration word was given by the HEX file, the user or a read of the chip; until
    // then the writers leave the chip's configuration word alone.
    bool config_definie = false;
    // Second configuration word (ID0 + 8) of the parts that have one; left alone by the writers
    // until given, like config.
    uint16_t config2 = 0x3FFF;
    bool config2_definie = false;
    // The HEX file the image was read from held at least one data record.
    bool donnees_lues = false;

    // Blank image: words 0xFFFF, bytes 0xFF, IDs 0xFF, configuration word as given.
    explicit Memoire_PIC(uint16_t config_vierge = 0x3FFF);
};

// Addresses debut..fin of one memory, both included; empty when fin < debut.
struct Plage_adresses {
    int debut = 0, fin = -1;
    bool vide() const { return fin < debut; }
    bool contient(int a) const { return a >= debut && a <= fin; }
};

// What an operation covers on the selected chip: the areas it has, enabled, cut to their ranges.
// After a read, the parts of the image that hold the chip's words.
struct Zones_couvertes {
    Plage_adresses programme, donnees;
    bool ids = false, config = false;
    bool vide() const { return programme.vide() && donnees.vide() && !ids && !config; }
};

// The current image.
extern std::unique_ptr<Memoire_PIC> m_pic;
