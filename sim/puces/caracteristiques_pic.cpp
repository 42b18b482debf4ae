#include "sim/puces/caracteristiques_pic.h"

#include <string_view>

namespace {

bool commence_par(std::string_view nom, std::string_view debut) {
    return nom.substr(0, debut.size()) == debut;
}

struct Id_connu {
    const char* nom;
    int id;
};

// Device IDs (upper 9 bits of the word at 0x2006).
constexpr Id_connu ids_composants[] = {
    {"PIC16F84A", 0x0560}, {"PIC16F627", 0x07A0}, {"PIC16F628", 0x07C0}, {"PIC16F870", 0x0D00},
    {"PIC16F871", 0x0D20}, {"PIC16F872", 0x08E0}, {"PIC16F873", 0x0960}, {"PIC16F874", 0x0920},
    {"PIC16F876", 0x09E0}, {"PIC16F877", 0x09A0},
};

constexpr int64_t ms = 1'000'000;

} // namespace

Caracteristiques_pic caracteristiques_pic(const Desc_PIC& d) {
    Caracteristiques_pic c;
    std::string_view nom = d.nom;
    for (const Id_connu& i : ids_composants)
        if (nom == i.nom) c.id_composant = i.id;

    if (d.algo == 1) {
        // Typical cycle: about half of the data-sheet maximum.
        if (nom == "PIC16F84A") {
            c.variante = Variante_flash::pic16f84a;
            c.t_ecriture_typique_ns = 4 * ms;
            c.t_ecriture_max_ns = 8 * ms;
        } else if (commence_par(nom, "PIC16F62")) {
            c.variante = Variante_flash::pic16f62x;
            c.commande_6_bits = true;
            c.vpp_avant_vdd = true;
            c.t_ecriture_typique_ns = 8 * ms;
            c.t_ecriture_max_ns = 16 * ms;
        } else if (commence_par(nom, "PIC16F87")) {
            c.variante = Variante_flash::pic16f87x;
            c.commande_6_bits = true;
            c.t_ecriture_typique_ns = 4 * ms;
            c.t_ecriture_max_ns = 8 * ms;
        } else {
            c.variante = Variante_flash::pic16f84;
            c.t_ecriture_typique_ns = 5 * ms;
            c.t_ecriture_max_ns = 10 * ms;
        }
    }
    // 12C67x: internal RC and MCLR disable, entered VPP first.
    if (commence_par(nom, "PIC12C67") || commence_par(nom, "PIC12CE67")) c.vpp_avant_vdd = true;
    return c;
}
