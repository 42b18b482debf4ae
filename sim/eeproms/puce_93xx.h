// SPDX-License-Identifier: GPL-2.0-or-later
// 93xx Microwire EEPROM in x8 organisation: start bit (the first rising clock with DI at 1 while
// CS is high), 2 opcode bits, an address field of 7, 9 or 11 bits (the top one ignored on the
// 256- and 1024-byte parts), a dummy 0 on DO before read data, EWEN/EWDS (writes disabled at
// power-up), WRITE, ERASE, ERAL, WRAL. A programming instruction starts its cycle (6 ms, ERAL
// 6 ms, WRAL 15 ms) when CS falls right after its last bit; selecting the chip again without
// clocking a start bit then shows busy (0) or ready (1) on DO.
#pragma once

#include "sim/eeproms/eeprom_simulee.h"

class Puce_93xx : public Eeprom_simulee {
  public:
    Puce_93xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o);

    void broches(const Broches& b, int64_t t_ns) override;
    bool sortie(int64_t t_ns) override;

    int bits_adresse() const { return nb_adresse; }
    bool ecriture_autorisee() const { return ewen; }

  private:
    enum class Etat { deselectionnee, attente_depart, reception, lecture, complete };
    enum class Programme { aucun, ecrit, efface, efface_tout, ecrit_tout };

    void montee_cs();
    void descente_cs(int64_t t_ns);
    void front_montant(bool di, int64_t t_ns);
    void instruction_complete();
    void remise_a_zero();
    void perte_alimentation() override { remise_a_zero(); }
    int adresse_de(int brute) const;

    int nb_adresse;
    int masque;

    bool cs = false;
    bool clk = false;
    bool ewen = false;
    Etat etat = Etat::deselectionnee;
    int nb_bits = 0; // bits taken after the start bit
    uint32_t registre = 0;
    bool surplus = false; // clocks after the end of the instruction
    Programme programme = Programme::aucun;
    int adresse = 0;
    uint8_t valeur = 0xFF;
    bool montre_etat = false; // a cycle was started: DO shows busy/ready once CS is high again
    bool do_actif = false;
    bool do_niveau = true;
    uint8_t octet_lu = 0xFF;
    int rang = 0; // bits of octet_lu already presented
};
