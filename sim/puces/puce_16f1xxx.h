// SPDX-License-Identifier: GPL-2.0-or-later
// Model of the enhanced mid-range PICs (12F1822 .. 16F1939): 16-bit address counter,
// configuration space at 0x8000 (IDs 0x8000-0x8003, device ID 0x8006, CONFIG1 0x8007, CONFIG2
// 0x8008, factory calibration 0x8009-0x800A), Reset Address 0x16. Program memory goes through a
// latch of 8, 16 or 32 words indexed by the low counter bits; 0x08 (internally timed) or 0x18 ..
// 0x0A writes (old AND latch) over the latch's group and refills the latch with ones; every cell
// is program-only, data EEPROM bytes are replaced. Bulk erase 0x09 in program space clears
// program memory and CONFIG1/2, in configuration space the IDs too (protection lifted); 0x0B
// clears the data EEPROM; 0x11 clears the row at the counter (ignored under protection). The
// calibration words survive every erase. Entry by high voltage (8-9 V) VPP first, or with MCLR
// low by the 32-bit key 0x4D434850 LSB first plus one clock when CONFIG2's LVP bit is set. A
// board whose programming voltage is above 9 V destroys the part the first time it raises VPP:
// the chip records it and never answers again.
#pragma once

#include "sim/puces/puce_pic.h"

#include <array>

class Puce_16f1xxx : public Puce_pic {
  public:
    static constexpr uint32_t cle_lvp = 0x4D434850;
    static constexpr int tension_max_v = 9;
    static constexpr std::array<uint16_t, 2> calibration_usine = {0x2A5C, 0x1F3E};
    static constexpr uint16_t bit_lvp = 0x2000; // CONFIG2

    explicit Puce_16f1xxx(const Desc_PIC& d, const Pannes_puce& p = {}, const Options_puce& o = {});

    bool en_cycle(int64_t t_ns) const override;
    std::string etat_hex() const override;
    bool charge_etat_hex(const std::string& texte) override;

    uint16_t config2() const { return config2_; }
    void fixe_config2(uint16_t v) { config2_ = stocke_config2(v); } // test set-up
    const std::array<uint16_t, 2>& calibration_config() const { return calib; }
    bool detruite() const { return detruite_; }
    int entrees_lvp() const { return nb_entrees_lvp; }
    int mots_latch() const { return carac.mots_latch; }
    bool protege() const { return !(mem.config & 0x0080); }
    bool donnees_protegees_g() const { return !(mem.config & 0x0100); }

  protected:
    void broches_vues(const Broches& b, int64_t t) override;
    void entree_programmation(int64_t t) override;
    void sortie_programmation(int64_t t) override;
    void avance(int64_t t) override;
    bool horloge_refusee(int64_t t) override;
    Suite_commande commande(int code, int64_t t) override;
    void charge(int code, uint16_t valeur, int64_t t) override;

  private:
    enum class Travail { aucun, programme, donnee, efface_tout, efface_donnees, efface_rangee };
    struct Cycle {
        Travail travail = Travail::aucun;
        int adresse = 0; // counter when the cycle began
        bool actif = false, externe = false, interrompu = false;
        int64_t debut = 0, fin = 0;
    };

    uint16_t stocke_config2(uint16_t v) const;
    uint16_t lit_mot() const;
    uint16_t lit_octet() const;
    void commence(Travail w, int64_t t, int64_t duree, bool externe);
    void termine(int64_t t, bool coupe);
    void programme(int adresse);
    void efface_tout(int adresse);
    void efface_rangee(int adresse);
    void ecoute_cle(const Broches& b, int64_t t);

    uint16_t config2_ = 0;
    std::array<uint16_t, 2> calib = calibration_usine;
    std::vector<uint16_t> latch;
    uint8_t octet_latch = 0xFF;
    bool dernier_donnee = false;
    Cycle cycle;
    bool detruite_ = false;
    // The key as clocked in with MCLR low.
    bool clk_vu = false, donnee_vue = true;
    uint64_t cle = 0;
    int bits_cle = 0;
    int nb_entrees_lvp = 0;
};
