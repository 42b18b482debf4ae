// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ids_composants.h"

namespace {

struct Id_connu {
    const char* nom;
    uint16_t id;
};

constexpr Id_connu ids[] = {
    {"PIC16F84A", 0x0560},  {"PIC16F627", 0x07A0},  {"PIC16F628", 0x07C0},  {"PIC16F870", 0x0D00},
    {"PIC16F871", 0x0D20},  {"PIC16F872", 0x08E0},  {"PIC16F873", 0x0960},  {"PIC16F874", 0x0920},
    {"PIC16F876", 0x09E0},  {"PIC16F877", 0x09A0},  {"PIC16F627A", 0x1040}, {"PIC16F628A", 0x1060},
    {"PIC16F648A", 0x1100}, {"PIC16F873A", 0x0E40}, {"PIC16F874A", 0x0E60}, {"PIC16F876A", 0x0E00},
    {"PIC16F877A", 0x0E20}, {"PIC12F629", 0x0F80},  {"PIC12F675", 0x0FC0},  {"PIC16F630", 0x10C0},
    {"PIC16F676", 0x10E0},  {"PIC12F683", 0x0460},  {"PIC16F684", 0x1080},  {"PIC16F685", 0x04A0},
    {"PIC16F687", 0x1320},  {"PIC16F688", 0x1180},  {"PIC16F689", 0x1340},  {"PIC16F690", 0x1400},
    {"PIC16F87", 0x0720},   {"PIC16F88", 0x0760},   {"PIC16F818", 0x04C0},  {"PIC16F819", 0x04E0},
    {"PIC16F882", 0x2000},  {"PIC16F883", 0x2020},  {"PIC16F884", 0x2040},  {"PIC16F886", 0x2060},
    {"PIC16F887", 0x2080},  {"PIC16F676", 0x10E0},  {"PIC12F1822", 0x2700}, {"PIC16F1823", 0x2720},
    {"PIC16F1824", 0x2740}, {"PIC16F1825", 0x2760}, {"PIC16F1826", 0x2780}, {"PIC16F1827", 0x27A0},
    {"PIC16F1828", 0x27C0}, {"PIC16F1829", 0x27E0}, {"PIC12F1840", 0x1B80}, {"PIC16F1847", 0x1480},
    {"PIC16F1933", 0x2300}, {"PIC16F1934", 0x2340}, {"PIC16F1936", 0x2360}, {"PIC16F1937", 0x2380},
    {"PIC16F1938", 0x23A0}, {"PIC16F1939", 0x23C0},
};

} // namespace

int id_du_composant(std::string_view nom) {
    for (const Id_connu& i : ids)
        if (nom == i.nom) return i.id;
    return -1;
}

std::string_view composant_de_l_id(uint16_t lu) {
    const uint16_t id = static_cast<uint16_t>(lu & 0x3FFF & ~masque_revision_id);
    for (const Id_connu& i : ids)
        if (id == i.id) return i.nom;
    return {};
}
