// SPDX-License-Identifier: GPL-2.0-or-later
// Small text helpers for the configuration readers.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// White-space-separated tokens of a line.
std::vector<std::string_view> decoupe_mots(std::string_view ligne);

// Leading number of a token in base 10 or 16 (optional sign, "0x" allowed in base 16), read as far
// as it goes; nothing when no digit starts the token or the value does not fit (an int in base 10,
// 32 bits in base 16, taken as a two's complement pattern).
std::optional<int> lit_entier(std::string_view mot, int base = 10);

// Whole contents of a configuration file; nothing when it cannot be opened or read (not a
// regular file: a directory, a FIFO, a device; a read error; more than 4 MiB).
std::optional<std::string> lit_fichier_texte(const std::string& chemin);

// Reads a whole line (any length), without its line feed and the carriage returns before it.
bool lit_ligne_flux(std::istream& in, std::string& ligne);
