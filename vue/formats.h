// SPDX-License-Identifier: GPL-2.0-or-later
// Fixed-width number formatters of the memory view and the modify dialog, and the strict reader
// of the numbers typed in the panel and the Options window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The low `longueur` bits of the 16-bit value, most significant first ("0"/"1" each); bits above
// bit 15 show as 0. buf holds at least longueur + 1 characters. Returns buf.
char* ui2Bin(unsigned valeur, char* buf, int longueur);
std::string ui2Bin(unsigned valeur, int longueur);

// The 16-bit value in decimal, left-padded with "0" to exactly longueur characters; the empty
// string when it needs more digits. buf holds at least longueur + 1 characters. Returns buf.
char* ui2Dec(unsigned valeur, char* buf, unsigned longueur);
std::string ui2Dec(unsigned valeur, unsigned longueur);

// A whole number typed in base 10 or 16: 1 to chiffres_max digits, blanks (space, tab) around them
// allowed; nothing for any other text.
std::optional<uint32_t> lit_chiffres(const std::string& texte, int base, std::size_t chiffres_max);
