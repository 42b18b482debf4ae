// SPDX-License-Identifier: GPL-2.0-or-later
// Base of the PIC models: pin watching, program-mode entry, the serial decoder (6-bit commands,
// 16-clock data frames in and out), the chip contents, code protection, the state file and the
// record of protocol violations. Classes 1 (puce_flash.h) and 2/3 (puce_eprom.h) add their
// command sets.
//
// Entry: VPP rising with VDD on and CLK = DATA = 0 (VPP-first parts also take VDD rising under
// VPP, at least tPPDP after it); a clock or data change sooner than tHLD0 after that last supply
// edge drops the entry (a violation; the chip stays in run mode, its data line released). VDD
// is the board's: its decoupling capacitor holds it for t_maintien_vdd_ns after the supply line
// goes off, so a re-entry sooner than that is VDD first. Read frames: the chip drives each
// data bit from the rising edge of its clock until the next rising edge, leaves the start and
// stop bits released, and releases the line after the 16th falling edge.
#pragma once

#include "sim/modele/puce.h"
#include "sim/puces/caracteristiques_pic.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class Mode_puce {
    eteinte,       // no VDD
    execution,     // powered, not in programming mode: clocks are ignored
    programmation, // programming mode
};

enum class Genre_violation {
    entree_refusee,         // VPP raised with CLK or DATA high, or VDD raised under VPP on a
                            // VDD-first part: the chip stays in run mode
    commande_pendant_cycle, // clock during a self-timed write cycle (ignored, target left erased)
    cycle_interrompu,       // programming mode left during a write cycle (target left erased)
    commande_inconnue,      // a command code the part does not have (ignored)
    ecriture_interdite,     // write to a reserved, read-only or unimplemented location (ignored)
    impulsion_longue,       // EPROM programming pulse over 1 ms
    tension_excessive,      // programming voltage above the part's maximum: the part is dead
};

const char* nom_violation(Genre_violation g);
const char* nom_violations(Genre_violation g); // plural: "commandes inconnues"

struct Violation {
    Genre_violation genre;
    int64_t t_ns;
    int adresse;   // address counter at that moment
    int code = -1; // the command's code (commande_inconnue)
};

struct Options_puce {
    uint64_t graine = 0;            // per-chip randomness (pulses needed, calibration, revision);
                                    // 0: derived from the device name
    int64_t t_ecriture_ns = 0;      // class 1 write and erase cycle; 0: the device's typical time
    bool lecture_brouillee = false; // class 2: protected words read ~(hi7 ^ lo7) in both halves
                                    // instead of 0 (older parts)
};

// What the chip stores. Words hold 14 bits (12 on class 3); config as the chip reads it back.
struct Contenu_pic {
    std::vector<uint16_t> programme;
    std::vector<uint8_t> donnees; // data EEPROM
    std::array<uint16_t, 4> ids{};
    uint16_t config = 0;
    uint16_t config2 = 0x3FFF; // second configuration word (ID0 + 8) of the parts that have one
    // Factory calibration words of the configuration space, on the parts that have them.
    std::array<uint16_t, 2> calibration_config{0x3FFF, 0x3FFF};
    bool operator==(const Contenu_pic&) const = default;
};

// State file records (Intel HEX): one data record of words at a byte address.
void ajoute_mots_etat(std::string& s, int adresse, const uint16_t* mots, std::size_t n);
// Walks a state file: its header line "; puce <nom>", then records up to the end record, each
// word given to mot with its byte address (extended linear addresses applied). False when a line
// is malformed, the header or the end is missing, or mot refuses a word.
bool parcourt_etat(const std::string& texte, const std::string& nom,
                   const std::function<bool(int adresse, uint16_t mot)>& mot);

class Puce_pic : public Modele_puce {
  public:
    // Program word hit by cellule_morte and cellule_lente, data bit forced to 0 by bit_colle.
    static constexpr int adresse_panne = 0;
    static constexpr int bit_panne = 0;

    // VDD stays above the chip's reset threshold this long after the supply line goes off.
    static constexpr int64_t t_maintien_vdd_ns = 5'000'000;
    // Shortest VPP-to-VDD delay of a VPP-first entry (tPPDP), and shortest hold of CLK and DATA
    // after the last supply edge of an entry (tHLD0; a part's facts may ask more, t_entree_ns).
    static constexpr int64_t t_ppdp_min_ns = 5'000;
    static constexpr int64_t t_hld0_min_ns = 5'000;

    Puce_pic(const Desc_PIC& d, const Pannes_puce& p, const Options_puce& o);

    // The board's lines; the chip sees them through broches_vues, VDD held after the line.
    void broches(const Broches& b, int64_t t_ns) final;
    bool sortie(int64_t t_ns) override;
    const Desc_PIC& description() const override { return desc; }
    std::string etat_hex() const override;
    bool charge_etat_hex(const std::string& texte) override;

    Mode_puce mode() const { return mode_; }
    int compteur() const { return pc; } // address counter
    int largeur() const { return largeur_; }
    uint16_t masque_mot() const { return static_cast<uint16_t>((1u << largeur_) - 1); }
    uint16_t mot_vierge() const { return masque_mot(); }
    uint16_t config_vierge() const { return normalise_config(masque_mot()); }
    const Pannes_puce& pannes() const { return pannes_; }
    uint64_t graine() const { return graine_; }

    const Contenu_pic& contenu() const { return mem; }
    // Direct access that bypasses the pins (test set-up). Keep words within largeur() bits.
    Contenu_pic& contenu() { return mem; }
    // Factory calibration word (0x0Ckk on class 3, 0x34kk on class 2), -1 without osc_cal.
    int mot_calibration() const { return calibration; }
    // Word read at 0x2006 (ID and revision), -1 when the part has none.
    int mot_id_composant() const;

    // Code protection as set by the stored configuration word.
    bool programme_protege(int mot) const;
    bool donnees_protegees() const;

    // A self-timed cycle is running at t_ns (class 1; never on EPROM parts).
    virtual bool en_cycle(int64_t t_ns) const = 0;

    // Protocol violations seen so far (the first 10000; nombre_violations counts them all).
    const std::vector<Violation>& violations() const { return journal; }
    int nombre_violations() const { return total_violations; }
    int nombre_violations(Genre_violation g) const;
    void efface_violations();

  protected:
    enum class Phase_donnees { aucune, chargement, lecture };
    struct Suite_commande {
        Phase_donnees phase = Phase_donnees::aucune;
        uint16_t valeur = 0; // word to send out on a read
    };

    // The pins as the chip sees them (VDD held by the board), in time order.
    virtual void broches_vues(const Broches& b, int64_t t);
    // Class hooks. entree_programmation sets the counter; sortie_programmation drops volatile
    // state (PC, latches) and settles a cycle or pulse in progress.
    virtual void entree_programmation(int64_t t) = 0;
    virtual void sortie_programmation(int64_t t) = 0;
    // Completes timed work up to t (end of a write cycle).
    virtual void avance(int64_t /*t*/) {}
    // True when the chip is busy and must not take this clock edge (the hook records it).
    virtual bool horloge_refusee(int64_t /*t*/) { return false; }
    // A decoded command (4 or 6 bits as the part decodes them).
    virtual Suite_commande commande(int code, int64_t t) = 0;
    // The 14 data bits of a load frame for that command.
    virtual void charge(int code, uint16_t valeur, int64_t t) = 0;
    // Contents were replaced from a state file.
    virtual void contenu_remplace() {}

    void signale(Genre_violation g, int64_t t, int code = -1);
    uint16_t normalise_config(uint16_t v) const; // unimplemented bits to 1, "0" bits to 0
    uint16_t masque_protection() const {
        return static_cast<uint16_t>(masque_cp0 | masque_cp1 | masque_cpd);
    }
    void met_a_blanc(); // blank contents, factory calibration kept

    // Where a write at the counter lands on the 14-bit flash parts: the data byte when the last
    // load was a data load, else a program word, an ID or the configuration word. A write to
    // protected memory is blocked, one to a location the part does not have is recorded as a
    // violation: both give aucune.
    enum class Zone_flash { aucune, programme, id, config, donnee };
    struct Cible_flash {
        Zone_flash zone = Zone_flash::aucune;
        int index = 0; // data byte, program word or ID
    };
    Cible_flash cible_flash(bool donnee, int64_t t);
    // Reads at the counter on the flash parts: the program word (0 when protected), an ID, the
    // device ID, the configuration word, 0x3FFF elsewhere; the data byte (0 when protected).
    uint16_t lit_programme_flash() const;
    uint16_t lit_donnee_flash() const;
    // The commands all flash parts share: the loads (0, 2, 3), the reads (4, 5) and Increment
    // Address (6). False, s untouched, for another code.
    bool commande_flash(int code, Suite_commande& s);
    // The data latch of the flash parts, and which latch the last load filled.
    struct Latch_donnee_flash {
        uint8_t octet = 0xFF;
        bool dernier = false; // the last load was Load Data for Data Memory
    };
    // A load frame on the flash parts: Load Data for Data Memory (3) fills l; the others are
    // for the program latch (true), Load Configuration (0) moving the counter to 0x2000 first.
    bool charge_flash(int code, uint16_t valeur, Latch_donnee_flash& l);
    uint64_t alea(uint64_t n) const; // deterministic hash of n for this chip
    // Programming mode entered another way than by VPP (the low-voltage key).
    void passe_en_programmation(int64_t t);

    Desc_PIC desc;
    Caracteristiques_pic carac;
    Pannes_puce pannes_;
    Options_puce options;
    uint64_t graine_;
    int largeur_;
    Contenu_pic mem;
    int calibration = -1;
    int pc = 0;

  private:
    void quitte_programmation(int64_t t);
    void front_descendant(int64_t t);
    void front_montant();
    int adresse_id_hex() const;
    int adresse_config_hex() const;

    uint16_t masque_un = 0;   // config bits that read 1
    uint16_t masque_zero = 0; // config bits that read 0
    uint16_t masque_cp0 = 0, masque_cp1 = 0, masque_cpd = 0;

    Broches prec;           // as the chip saw them
    bool ligne_vcc = false; // the supply line itself
    int64_t t_coupure_vcc = 0, t_montee_vpp = 0, t_entree = 0;
    Mode_puce mode_ = Mode_puce::eteinte;
    Phase_donnees phase = Phase_donnees::aucune;
    int nb_fronts = 0;     // clocks taken in the current command or frame
    uint32_t registre = 0; // bits taken, LSB first
    int code_charge = 0;   // command whose load frame is being clocked in
    uint16_t trame = 0;    // read frame: start bit, 14 data bits, stop bit
    bool niveau = true;    // chip's data output; true = released

    std::vector<Violation> journal;
    int total_violations = 0;
};
