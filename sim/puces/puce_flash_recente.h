// SPDX-License-Identifier: GPL-2.0-or-later
// Model of the later flash PICs, whose cells are program-only (a write stores old AND new, only
// an erase brings bits back to 1):
//   16F627A/628A/648A: 8 programs one word (internally timed), 9 / 11 bulk erase;
//   16F873A..877A: program memory through an eight-word latch indexed by address bits 2..0,
//     0x18 programs the latch into the aligned group until 0x17 (at least 1 ms; earlier, or any
//     other command first, cuts it short: the group stays unwritten), 8 erases and programs
//     (the group from the latch, or one data byte, ID or configuration word), 0x1F chip erase;
//   12F629/675, 16F630/676: 8 or 0x18 .. 0x0A (at least 2 ms) program one word; OSCCAL at the
//     last program word and bandgap bits 13..12 of the configuration word come from the
//     factory, and a bulk erase with the counter in configuration space clears both.
// Bulk erase of program memory with the counter in configuration space (after Load
// Configuration) also clears the IDs and the configuration word and lifts protection, taking
// the data EEPROM with it when CPD was on; in program space it clears program memory only, and
// nothing on a protected chip. A part whose stored configuration selects the internal
// oscillator with MCLR disabled runs code as soon as it has VDD: VPP raised more than
// t_max_vdd_avant_vpp_ns after VDD rose is refused (the chip stays in run mode), and so is a
// re-entry while the board still holds VDD. The 16F87xA writes its configuration word only
// with the internally timed cycle (8): 0x18 .. 0x17 leaves it unchanged.
// The latched parts (16F87/88 and 16F818/819, 16F88x, 12F683 and 16F68x) load the latch slot of
// the counter's low bits; the programming cycle ANDs the latch into the aligned group and
// refills it with all ones. Configuration words, IDs and calibration words are written one
// word at a time. The 16F87/88 family erases only by 0x1F (everything, at any counter) and ends
// its cycles with 0x17; the others bulk erase from ID0 (program, IDs, configuration words,
// protection: their calibration words stay unless the counter is on one), from program memory
// (program and configuration words), and erase rows of 16 words with 0x11 (not when protected).
// The configuration words store only their implemented bits; the others read 0 (or 1, as the
// part's facts say).
#pragma once

#include "sim/puces/puce_pic.h"

#include <array>

class Puce_flash_recente : public Puce_pic {
  public:
    static constexpr int64_t t_max_vdd_avant_vpp_ns = 200'000;
    static constexpr uint16_t bandgap_usine = 0x2000; // BG1:BG0 = 10
    static constexpr uint16_t masque_bandgap = 0x3000;
    // Factory values of the calibration words in configuration space.
    static constexpr std::array<uint16_t, 2> calibration_usine{0x2A5C, 0x1F3E};

    explicit Puce_flash_recente(const Desc_PIC& d, const Pannes_puce& p = {},
                                const Options_puce& o = {});

    bool en_cycle(int64_t t_ns) const override;
    // 0x18 was decoded and its end command has not come yet.
    bool programmation_externe() const { return externe.actif; }
    // The eight-word latch (16F87xA).
    const std::array<uint16_t, 8>& latch() const { return latch_groupe; }
    // The stored configuration makes the chip run code whenever it has VDD.
    bool execute_des_la_mise_sous_tension() const;
    // Entries into programming mode made VPP first (VDD rising under VPP).
    int entrees_vpp_d_abord() const { return nb_entrees_vpp_d_abord; }

  protected:
    void broches_vues(const Broches& b, int64_t t) override;
    void entree_programmation(int64_t t) override;
    void sortie_programmation(int64_t t) override;
    void avance(int64_t t) override;
    bool horloge_refusee(int64_t t) override;
    Suite_commande commande(int code, int64_t t) override;
    void charge(int code, uint16_t valeur, int64_t t) override;

  private:
    enum class Zone { aucune, programme, groupe, id, config, config2, calibration, donnee };
    struct Ecriture {
        Zone zone = Zone::aucune;
        int index = 0;                // word, first word of the group, ID or data byte
        std::array<uint16_t, 8> mots; // value(s) to program
        bool efface_avant = false;    // 16F87xA's 8: erase then program
    };
    struct Effacement {
        bool programme = false, calibration = false, ids = false, config = false, donnees = false;
        bool calibration_config = false;
        int rangee = -1; // first word of the row that 0x11 erases
    };
    struct Cycle {
        bool actif = false;
        int64_t fin = 0;
        bool interrompu = false; // a clock came during the cycle
        Ecriture ecriture;
        Effacement effacement;
    };
    struct Externe {
        bool actif = false;
        int64_t debut = 0;
        int64_t duree_min = 0;
        Ecriture ecriture;
    };

    bool famille_b() const { return carac.variante == Variante_flash::pic16f87xa; }
    bool famille_c() const { return carac.variante == Variante_flash::pic12f6xx; }
    bool famille_d() const { return carac.variante == Variante_flash::pic16f8x; }
    bool latchee() const { return carac.mots_latch > 1; }
    // 8 erases then programs; cycles end with 0x17; 0x1F erases the chip.
    bool comme_87xa() const { return famille_b() || famille_d(); }
    int code_fin_externe() const { return comme_87xa() ? 0x17 : 0x0A; }
    int mots_config() const { return carac.masque_config2 != 0 ? 2 : 1; }
    // The configuration word as stored: implemented bits, the others as the part reads them.
    uint16_t stocke(uint16_t v, uint16_t masque) const;
    // Configuration-space words this model adds: second configuration word, calibration words.
    bool lit_espace_ajoute(uint16_t& mot) const;
    Zone zone_ajoutee() const;

    Ecriture cible(int64_t t);
    void applique(const Ecriture& e, bool interrompue);
    void programme_mot(uint16_t& cellule, uint16_t valeur, uint16_t vierge, bool efface_avant,
                       bool interrompue);
    Effacement effacement(int code) const;
    Effacement effacement_latchee(int code) const;
    void demarre_externe(int64_t t, int facteur); // 0x18 (or the 16F87/88's 8) at t
    std::size_t slot() const;                      // latch slot of the counter
    void applique(const Effacement& e);
    void termine_externe(int64_t t);
    bool lente(const Ecriture& e) const; // the slow cell (cellule_lente) is written
    int64_t duree_ecriture(const Ecriture& e) const;

    Cycle cycle;
    Externe externe;
    uint16_t latch_programme = 0x3FFF;
    std::array<uint16_t, 8> latch_groupe{}; // the first mots_latch slots are the latch
    Latch_donnee_flash latch_donnee;

    // Pins as last seen, VDD's rise, and a refused entry (VPP kept from the base model).
    bool vdd_vu = false, vpp_vu = false;
    int64_t debut_execution = 0;
    bool refus = false;
    int nb_entrees_vpp_d_abord = 0;
};
