// SPDX-License-Identifier: GPL-2.0-or-later
// Class 1 model: electrically erasable 14-bit PICs (16C84, 16F83/84/84A, 16F62x, 16F87x) with
// self-timed erase-then-write cycles.
//
// Begin Programming (8) writes the latch loaded last (program or data) at the counter; the chip
// is busy for duree_cycle() and the new value appears at the end. A clock edge during the cycle
// is ignored, flagged, and leaves the target erased. Erase: 9 / 11 arm an erase of program /
// data memory run by the next 8 (16F84A: erase at once; 16F87x: no such commands), program
// erase takes the IDs too when the counter is in configuration space; each pair 1, 7 toggles
// erase mode, where 8 blanks the whole chip (counter in configuration space, protection lifted)
// or the memory of the last load (program space, not when protected).
#pragma once

#include "sim/puces/puce_pic.h"

class Puce_flash : public Puce_pic {
  public:
    explicit Puce_flash(const Desc_PIC& d, const Pannes_puce& p = {}, const Options_puce& o = {});

    bool en_cycle(int64_t t_ns) const override;
    // Time of one write or erase cycle, and of a write to the slow cell (cellule_lente): twice
    // the device's maximum cycle, so that a programmer waiting the maximum is caught.
    int64_t duree_cycle() const { return t_cycle; }
    int64_t duree_cycle_lent() const;
    // End of the running cycle (meaningless when none runs; never reached with occupee).
    int64_t fin_cycle() const { return cycle.fin; }

  protected:
    void entree_programmation(int64_t t) override;
    void sortie_programmation(int64_t t) override;
    void avance(int64_t t) override;
    bool horloge_refusee(int64_t t) override;
    Suite_commande commande(int code, int64_t t) override;
    void charge(int code, uint16_t valeur, int64_t t) override;

  private:
    enum class Genre_cycle { ecriture, programmation_seule, effacement };
    using Zone = Zone_flash;
    enum class Armement { aucun, programme, donnees };
    struct Cycle {
        bool actif = false;
        int64_t fin = 0;
        Genre_cycle genre = Genre_cycle::ecriture;
        Zone zone = Zone::aucune; // what the write hits
        int index = 0;
        uint16_t valeur = 0;
        bool efface_programme = false, efface_ids = false, efface_donnees = false,
             efface_config = false;
        bool interrompu = false; // a clock came during the cycle: target left erased
    };

    void demarre_cycle(Genre_cycle g, int64_t t);
    void termine_cycle();
    void efface(bool programme, bool ids, bool donnees, bool config);
    void cible_ecriture(Cycle& c, int64_t t);
    bool protection_programme() const { return programme_protege(desc.taille_prog - 1); }
    uint16_t config_ecrite(uint16_t v) const;

    int64_t t_cycle;
    Cycle cycle;
    uint16_t latch_programme = 0x3FFF;
    Latch_donnee_flash latch_donnee;
    bool apres_1 = false;         // the previous command was 1
    bool mode_effacement = false; // toggled by each 1, 7 pair
    Armement armement = Armement::aucun;
};
