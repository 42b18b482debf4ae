#include "sim/puces/caracteristiques_pic.h"

#include "core/ids_composants.h"

#include <string_view>

namespace {

bool commence_par(std::string_view nom, std::string_view debut) {
    return nom.substr(0, debut.size()) == debut;
}

constexpr int64_t ms = 1'000'000;

} // namespace

Caracteristiques_pic caracteristiques_pic(const Desc_PIC& d) {
    Caracteristiques_pic c;
    std::string_view nom = d.nom;
    c.id_composant = id_du_composant(nom);

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
    // Later flash parts (algo 4, 5, 6): each cycle lasts the data sheet's longest time, so a
    // host that waits less is caught.
    if (d.algo >= 4 && d.algo <= 6) {
        c.commande_6_bits = true;
        c.revision = 0x03;
    }
    if (d.algo == 4) { // 16F62xA
        c.variante = Variante_flash::pic16f62xa;
        c.vpp_avant_vdd = true;
        c.t_programmation_ns = 4 * ms;
        c.t_ecriture_donnee_ns = 6 * ms;
        c.t_effacement_ns = 6 * ms;
    } else if (d.algo == 5) { // 16F87xA: 8 erases and programs
        c.variante = Variante_flash::pic16f87xa;
        c.t_programmation_ns = 8 * ms;
        c.t_ecriture_donnee_ns = 8 * ms;
        c.t_effacement_ns = 8 * ms;
        c.t_externe_min_ns = 1 * ms;
    } else if (d.algo == 6) { // 12F629/675, 16F630/676
        c.variante = Variante_flash::pic12f6xx;
        c.vpp_avant_vdd = true;
        c.t_programmation_ns = 3 * ms;
        c.t_ecriture_donnee_ns = 6 * ms;
        c.t_effacement_ns = 6 * ms;
        c.t_externe_min_ns = 2 * ms;
    }
    // 12C67x: internal RC and MCLR disable, entered VPP first.
    if (commence_par(nom, "PIC12C67") || commence_par(nom, "PIC12CE67")) c.vpp_avant_vdd = true;
    return c;
}
