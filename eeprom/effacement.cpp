// SPDX-License-Identifier: GPL-2.0-or-later
// Erasing a serial EEPROM by its bus's row (eeprom/bus.cpp): ERAL on Microwire, every byte set to
// 0xFF (and verified) on I2C and SPI.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "eeprom/bus.h"
#include "eeprom/eeprom.h"

#include <utility>
#include <vector>

namespace {

// Sets the data range to the whole array for the life of the object.
class Plage_entiere {
  public:
    explicit Plage_entiere(int taille)
        : deb(std::exchange(le_data_deb, 0)), fin(std::exchange(le_data_fin, taille - 1)) {}
    ~Plage_entiere() {
        le_data_deb = deb;
        le_data_fin = fin;
    }
    Plage_entiere(const Plage_entiere&) = delete;
    Plage_entiere& operator=(const Plage_entiere&) = delete;

  private:
    int deb;
    int fin;
};

// Shows the progress of the protocol's writes under the caption "Effacement" while it lives.
class Legende_effacement {
  public:
    Legende_effacement() : precedent(puits_progression_installe()) {
        if (!precedent) return;
        installe_puits_progression([this](float fraction, const char*, int kind) {
            precedent(fraction, "Effacement", kind);
        });
    }
    ~Legende_effacement() {
        if (precedent) installe_puits_progression(precedent);
    }
    Legende_effacement(const Legende_effacement&) = delete;
    Legende_effacement& operator=(const Legende_effacement&) = delete;

  private:
    Puits_progression precedent;
};

} // namespace

int Efface_EEPROM() {
    const Desc_PIC* p = pic_courant();
    if (!p || !est_eeprom(*p)) return -1;
    // As for the PICs, an area that the settings disable is kept.
    if (le_data_enable == 0) {
        message_erreur("La zone des données est désactivée dans les réglages : l'eeprom " + p->nom +
                           " n'est pas effacée",
                       0);
        return 0;
    }
    const Operations_bus* bus = operations_bus(bus_eeprom(*p));
    if (!bus) {
        message_erreur("L'adressage de l'eeprom " + p->nom + " n'est pas connu : rien n'a été fait",
                       0);
        return -1;
    }
    const Legende_effacement legende;
    return bus->efface(*p);
}

int efface_par_ecriture(const Desc_PIC& p) {
    const Operations_bus* bus = operations_bus(bus_eeprom(p));
    if (!bus) return -1;
    const std::vector<uint8_t> vierge(TAILLE_DONNEE_MAX, 0xFF);
    const Plage_entiere plage(p.taille_donnee);
    return bus->charge(p, vierge.data());
}
