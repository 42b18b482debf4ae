// SPDX-License-Identifier: GPL-2.0-or-later
// 24xx I2C EEPROM: START/STOP while SCL is high, data sampled on the rising edge, acknowledge on
// the ninth clock, page write started by a STOP right after a data byte's acknowledge, no
// acknowledge at all during the write cycle (5 ms). Chip-select pins A2..A0 are tied low; parts
// of 2048 bytes or less take one address byte and carry A10..A8 in control bits 3..1 instead of
// chip-select bits, larger parts take two address bytes.
#pragma once

#include "sim/eeproms/eeprom_simulee.h"

class Puce_24xx : public Eeprom_simulee {
  public:
    Puce_24xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o);

    void broches(const Broches& b, int64_t t_ns) override;
    bool sortie(int64_t t_ns) override;

    int pointeur() const { return adresse; }
    int octets_adresse() const { return nb_octets_adresse; }
    int taille_page() const { return page; }

  private:
    enum class Etat {
        repos,        // waits for a START
        reception,    // takes the bits of a byte from the master
        fin_octet,    // 8 bits taken, the acknowledge starts at the falling edge
        acquittement, // drives the acknowledge through the ninth clock
        emission,     // drives the bits of a byte being read
        ack_maitre    // ninth clock of a byte read: the master's acknowledge
    };
    enum class Phase { controle, adresse_haute, adresse_basse, donnees, lecture };

    void depart();
    void arret(int64_t t);
    void front_montant(bool sda);
    void front_descendant();
    void octet_recu();
    void remise_a_zero();
    void perte_alimentation() override { remise_a_zero(); }

    int nb_octets_adresse;
    int bits_bloc; // address bits carried in the control byte
    int masque;    // address bits decoded
    int page;      // page size in bytes

    bool scl = true;
    bool ligne = true; // SDA as the wire shows it (master AND chip)
    bool sortie_puce = true;
    Etat etat = Etat::repos;
    Phase phase = Phase::controle;
    int nb_bits = 0;
    int octet = 0;
    bool acquitte = false;   // decision for the byte just taken
    bool montee_vue = false; // rising edge of the ninth clock seen
    bool ack_recu = false;
    int haut = 0; // high address bits from the control byte or the first address byte
    int adresse = 0;
    int rang = 0; // next bit driven while reading (7..0)
    uint8_t octet_lu = 0xFF;
    std::vector<std::pair<int, uint8_t>> tampon_page;
};
