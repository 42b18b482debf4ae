// SPDX-License-Identifier: GPL-2.0-or-later
// Classes 2 and 3 model: EPROM/OTP PICs (14-bit core 16C6x/7x/62x/55x/71x, 12C67x; 12-bit core
// 12C5xx, 16C505). Cells only go from 1 to 0, under programming pulses delimited by Begin
// Programming (8) and the next command (normally End Programming, 14).
//
// Pulse model: each word needs n pulses (deterministic per chip seed: 1 for 60 % of the words,
// 2 for 25 %, 3 for 10 %, 4 for 3 %, 5 to 8 for 2 %, never more on a healthy chip). Pulse time
// is delivered in proportion: a bit whose latch bit is 0 clears once its pulses add up to
// n x 100 us - 10 us, so one pulse under 90 us never programs, and a pulse is timed from the end
// of command 8 to the decoding of the next command (or to leaving programming mode).
#pragma once

#include "sim/puces/puce_pic.h"

// Pulses given to one word with one latch value.
struct Suivi_impulsions {
    uint16_t valeur = 0;         // latch of these pulses
    int impulsions = 0;          // pulses with that latch
    int avant_verification = -1; // pulses before the first read that found the word programmed
                                 // (-1: no such read yet)
    int apres_verification = 0;  // pulses after that read (overprogramming)
    bool operator==(const Suivi_impulsions&) const = default;
};

class Puce_eprom : public Puce_pic {
  public:
    static constexpr int64_t t_impulsion_ns = 100'000;       // one nominal pulse
    static constexpr int64_t tolerance_ns = 10'000;          // slack on the total of a cell
    static constexpr int64_t t_impulsion_max_ns = 1'000'000; // longer pulses are flagged
    static constexpr int impulsions_cellule_lente = 20;      // past class 3's 8, under class 2's 25

    explicit Puce_eprom(const Desc_PIC& d, const Pannes_puce& p = {}, const Options_puce& o = {});

    bool en_cycle(int64_t) const override { return false; }
    bool impulsion_en_cours() const { return impulsion; }

    // Pulses each word needs, and its pulse record.
    int impulsions_necessaires_programme(int mot) const;
    int impulsions_necessaires_id(int i) const;
    int impulsions_necessaires_config() const;
    const Suivi_impulsions& suivi_programme(int mot) const;
    const Suivi_impulsions& suivi_id(int i) const;
    const Suivi_impulsions& suivi_config() const;

  protected:
    void entree_programmation(int64_t t) override;
    void sortie_programmation(int64_t t) override;
    Suite_commande commande(int code, int64_t t) override;
    void charge(int code, uint16_t valeur, int64_t t) override;
    void contenu_remplace() override;

  private:
    enum class Zone { programme, id, config, reservee, absente };
    struct Cible {
        Zone zone;
        int index;
    };

    Cible cible(int adresse) const;
    int case_de(const Cible& c) const; // index in the per-word tables, -1 for none
    uint16_t* cellule(const Cible& c);
    int besoin(int case_mot) const;
    void termine_impulsion(int64_t t);
    uint16_t lit();

    uint16_t latch = 0x3FFF;
    bool impulsion = false;
    int64_t debut_impulsion = 0;
    int pc_impulsion = 0;
    uint16_t latch_impulsion = 0;
    // Per word: program words, then the 4 IDs, then the config word.
    std::vector<std::array<uint32_t, 14>> charges; // ns delivered to each bit, saturating
    std::vector<Suivi_impulsions> suivis;
    std::vector<uint8_t> besoins;
};
