// SPDX-License-Identifier: GPL-2.0-or-later
// 25xx SPI EEPROM (modes 0 and 3): CS low frames an instruction, SI is sampled on rising SCK, SO
// changes after falling SCK and floats otherwise. WREN, WRDI, RDSR, WRSR, READ, WRITE; one
// address byte up to 256 bytes (A7 ignored on 128), A8 in instruction bit 3 on the 512-byte part,
// two address bytes above. A WRITE or WRSR needs WEL and starts its cycle (5 ms) only when CS
// rises right after a whole data byte; WEL is cleared at the end of every cycle, by WRDI and at
// power-up. During the cycle every instruction but RDSR is ignored. Block-protect bits BP1 BP0
// protect the upper quarter, half or all of the array: a WRITE that touches a protected byte is
// not executed (WEL stays set).
#pragma once

#include "sim/eeproms/eeprom_simulee.h"

class Puce_25xx : public Eeprom_simulee {
  public:
    Puce_25xx(const Desc_PIC& d, const Pannes_puce& p, const Options_eeprom& o);

    void broches(const Broches& b, int64_t t_ns) override;
    bool sortie(int64_t t_ns) override;

    // Status register as RDSR would read it now.
    uint8_t registre_etat(int64_t t_ns);
    int octets_adresse() const { return nb_octets_adresse; }
    int taille_page() const { return page; }

  protected:
    void cycle_termine() override;
    void perte_alimentation() override;
    std::string lignes_etat() const override;
    bool lit_ligne_etat(const std::string& ligne) override;

  private:
    enum class Instr { aucune, ignoree, wren, wrdi, rdsr, wrsr, read, write };

    void debut_trame();
    void fin_trame(int64_t t_ns);
    void front_montant(bool si, int64_t t_ns);
    void front_descendant(int64_t t_ns);
    void decode(int64_t t_ns);
    bool protegee(int a) const;

    int nb_octets_adresse;
    bool a8_instruction;
    int masque;
    int page;
    uint8_t bits_ecrivables; // status bits WRSR may change

    bool cs = true; // pin level: high = deselected
    bool sck = false;
    bool latch_ecriture = false; // WEL
    uint8_t non_volatil = 0;     // WPEN, BP1, BP0 as stored
    bool cycle_etat = false;     // the running cycle writes the status register
    uint8_t etat_a_ecrire = 0;

    Instr instr = Instr::aucune;
    int nb_bits = 0; // clocks in this frame
    uint32_t registre = 0;
    int bits_entete = 8; // instruction and address bits before data
    int adresse = 0;
    int a8 = 0;
    std::vector<std::pair<int, uint8_t>> tampon_page;
    uint8_t valeur_etat = 0; // WRSR data
    bool so_actif = false;
    bool so_niveau = true;
    bool emission = false; // READ or RDSR sends from the next falling edge
    uint8_t octet_sortie = 0xFF;
    int rang = 8;
};
