// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated programmer: a board wired to the port's registers by its own pin map, with a
// chip model in its socket and a virtual clock.
#pragma once

#include "core/lignes.h"
#include "port/backend.h"
#include "sim/horloge_virtuelle.h"
#include "sim/pannes.h"
#include "sim/modele/puce.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

// Socket positions: VPP1 reaches the normal position, VPP2 the 28/40-pin one.
enum class Position_support { normale, quarante };

class Carte_simulee : public Backend_port {
  public:
    // A null chip, or the fault sans_puce, leaves the socket empty. Chip faults in pannes are
    // the model's business; the board only reads its own three.
    explicit Carte_simulee(std::unique_ptr<Modele_puce> puce, const Pannes_simulateur& pannes = {},
                           const Brochage& cablage = brochage_korval, int64_t cout_acces_ns = 1000);
    ~Carte_simulee() override;
    Carte_simulee(const Carte_simulee&) = delete;
    Carte_simulee& operator=(const Carte_simulee&) = delete;

    bool ouvre(int base) override;
    void ferme() override;
    bool ouvert() const override { return port_ouvert; }

    void ecrit_donnee(uint8_t octet) override;
    uint8_t lit_etat() override;

    int64_t horloge_ns() override { return horloge.t_ns; }
    void attend(int64_t debut_ns, int64_t duree_ns) override;

    std::optional<bool> niveau_bus() override { return ligne_donnee(); }

    // Virtual time since the board was built: what the same port traffic and waits would take
    // on a real programmer.
    int64_t temps_ecoule_ns() const { return horloge.t_ns; }
    int64_t nb_acces() const { return acces; }
    Horloge_virtuelle& horloge_carte() { return horloge; }

    // The chip the board holds (null when none); it may sit outside the socket (sans_puce).
    Modele_puce* puce() { return modele.get(); }
    const Modele_puce* puce() const { return modele.get(); }
    bool puce_dans_support() const { return branchee; }
    Position_support position_puce() const { return position; } // where it actually sits

    const Brochage& cablage_carte() const { return cablage; }

    // Levels at the socket's pins as the chip sees them (the data pin as the board drives it).
    const Broches& broches_support() const { return courant; }
    uint8_t registre_donnee() const { return registre; }

  private:
    bool ligne_donnee();

    std::unique_ptr<Modele_puce> modele;
    Pannes_simulateur pannes;
    Brochage cablage;
    Horloge_virtuelle horloge;
    Position_support position = Position_support::normale;
    bool branchee = false;
    bool port_ouvert = false;
    uint8_t registre = 0;
    Broches courant;                     // nothing driven before the first write
    std::array<Broches, 256> decodage{}; // data register byte -> socket pins
    uint8_t etat_haut = 0xFF;            // status register with the data line high
    uint8_t etat_bas = 0xFF;             // and low
    int64_t acces = 0;
};

// The board that installe_simulateur put under the line driver, also when a trace wraps it;
// null when none is alive.
Carte_simulee* carte_simulee_installee();
void retient_carte_installee(Carte_simulee* carte);
