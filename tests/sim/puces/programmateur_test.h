// SPDX-License-Identifier: GPL-2.0-or-later
// Plays the programmer's side of the PIC serial protocol on a chip model's pins, one pin change
// per port write, with a virtual clock advanced by a fixed step per write.
#pragma once

#include "commun/outils.h"

#include "core/catalogue.h"
#include "sim/puces/puce_pic.h"

#include <cstdint>
#include <string>

namespace test {

class Programmateur_test {
  public:
    explicit Programmateur_test(Modele_puce& p, int64_t pas_ns = 1000) : puce(p), pas(pas_ns) {}

    int64_t t() const { return temps; }
    const Broches& lignes() const { return b; }
    // Time from the start of a 6-bit command to its decoding (its 6th falling edge).
    int64_t duree_commande() const { return 18 * pas; }

    void vcc(bool v) { pose(b.vcc, v); }
    void vpp(bool v) { pose(b.vpp, v); }
    void clk(bool v) { pose(b.clk, v); }
    void data(bool v) { pose(b.data, v); }
    void attend_ns(int64_t ns) {
        temps += ns;
        puce.broches(b, temps);
    }
    void attend_us(int64_t us) { attend_ns(us * 1000); }

    // Level of the data line: the programmer's output wired-AND with the chip's.
    bool ligne_data() { return b.data && puce.sortie(temps); }

    // VDD on, CLK and DATA low, then VPP, and the hold time before the first command.
    void entre() {
        vcc(true);
        clk(false);
        data(false);
        vpp(true);
        attend_ns(Puce_pic::t_hld0_min_ns);
    }
    // VPP first: VPP, the delay, VDD, the hold time.
    void entre_vpp_d_abord() {
        clk(false);
        data(false);
        vpp(true);
        attend_ns(Puce_pic::t_ppdp_min_ns);
        vcc(true);
        attend_ns(Puce_pic::t_hld0_min_ns);
    }
    void sort() {
        clk(false);
        data(false);
        vpp(false);
    }
    // Out of programming mode, supply off, and the board's VDD decayed.
    void coupe() {
        sort();
        vcc(false);
        attend_ns(Puce_pic::t_maintien_vdd_ns);
    }

    // One bit: CLK high, DATA set, CLK low (the chip takes it on the falling edge).
    void bit(bool v) {
        clk(true);
        data(v);
        clk(false);
    }
    void commande(int code) {
        for (int i = 0; i < 6; ++i) bit((code >> i) & 1);
    }
    // Command then a 16-clock frame: start bit, 14 data bits LSB first, stop bit.
    void charge(int code, unsigned valeur, bool depart = false, bool arret = false) {
        commande(code);
        data(true);
        bit(depart);
        for (int i = 0; i < 14; ++i) bit((valeur >> i) & 1);
        bit(arret);
    }
    // Command then 16 read clocks, DATA released; the line is sampled after each falling edge.
    // Bit k of the result is the level after clock k + 1 (bit 0: start bit).
    unsigned trame(int code) {
        commande(code);
        data(true);
        unsigned t = 0;
        for (int i = 0; i < 16; ++i) {
            clk(true);
            clk(false);
            t |= static_cast<unsigned>(ligne_data()) << i;
        }
        return t;
    }
    unsigned lit(int code = 4) { return (trame(code) >> 1) & 0x3FFF; }
    void incremente(int n = 1) {
        for (int i = 0; i < n; ++i) commande(6);
    }
    // Begin Programming, a pulse of duree_ns (to the decoding of the next command), End
    // Programming.
    void impulsion(int64_t duree_ns) {
        commande(8);
        attend_ns(duree_ns - duree_commande());
        commande(14);
    }

  private:
    void pose(bool& ligne, bool v) {
        ligne = v;
        temps += pas;
        puce.broches(b, temps);
    }

    Modele_puce& puce;
    int64_t pas;
    int64_t temps = 0;
    Broches b;
};

// Fixture with the shipped catalogue loaded (the chips take their config layouts from it).
class Puces : public Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        ASSERT_TRUE(lire_catalogue_fichier(fichier_source("data/conf_PICS")));
    }
    static const Desc_PIC& pic(const std::string& nom) {
        int i = cherche_pic(nom);
        if (i < 0) {
            ADD_FAILURE() << nom << " missing from the catalogue";
            static const Desc_PIC vide;
            return vide;
        }
        return tab_pic[static_cast<std::size_t>(i)];
    }
};

} // namespace test
