// SPDX-License-Identifier: GPL-2.0-or-later
// The memory image of one chip.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

constexpr int TAILLE_PROG_MAX = 8192;     // program words
constexpr int TAILLE_DONNEE_MAX = 131072; // data bytes

struct Memoire_PIC {
    std::vector<uint16_t> prog;  // TAILLE_PROG_MAX words; 0xFFFF = nothing to program
    std::vector<uint8_t> donnee; // TAILLE_DONNEE_MAX bytes
    uint16_t config;
    uint8_t id[4];
    // The configuration word was given by the HEX file, the user or a read of the chip; until
    // then the writers leave the chip's configuration word alone.
    bool config_definie = false;
    // The HEX file the image was read from held at least one data record.
    bool donnees_lues = false;

    // Blank image: words 0xFFFF, bytes 0xFF, IDs 0xFF, configuration word as given.
    explicit Memoire_PIC(uint16_t config_vierge = 0x3FFF);
};

// The current image.
extern std::unique_ptr<Memoire_PIC> m_pic;
