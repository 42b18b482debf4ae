// SPDX-License-Identifier: GPL-2.0-or-later
// A PIC from the shipped catalogue in the simulated programmer's socket.
#pragma once

#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "sim/carte_simulee.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_pic.h"
#include "sim/simulateur.h"

#include <optional>
#include <string>
#include <vector>

namespace test {

class Simulateur_pic : public Etat_propre {
  protected:
    Repertoire_temp rep;
    std::optional<Enregistreur_messages> messages;

    void SetUp() override {
        Etat_propre::SetUp();
        messages.emplace();
        ASSERT_TRUE(lire_catalogue_fichier(fichier_source("data/conf_PICS")));
    }
    void TearDown() override {
        termine_simulateur();
        messages.reset();
        Etat_propre::TearDown();
    }

    // Selects the device and puts it (or the chip named dans_support) into the socket.
    void prepare(const std::string& nom, std::vector<std::string> pannes = {},
                 const std::string& dans_support = "") {
        pic_select = cherche_pic(nom);
        ASSERT_GE(pic_select, 0) << nom;
        Options_simulateur o;
        o.puce = dans_support;
        o.pannes = std::move(pannes);
        ASSERT_TRUE(installe_simulateur(o));
    }

    Carte_simulee& carte() { return *carte_simulee_installee(); }
    Puce_pic& puce() { return dynamic_cast<Puce_pic&>(*carte().puce()); }
    Puce_eprom& eprom() { return dynamic_cast<Puce_eprom&>(*carte().puce()); }

    // Logical level of a line in the data register as the programmer left it.
    bool ligne(int l) const {
        const Ligne& p = c_u.l[l];
        const uint8_t r = carte_simulee_installee()->registre_donnee();
        return ((r & p.masque) != 0) != (p.inverse != 0);
    }
    bool hors_tension() const { return !ligne(L_VCC) && !ligne(L_VPP1) && !ligne(L_VPP2); }

    const std::vector<Message>& recus() const { return messages->messages(); }
    std::string dernier_message() const { return recus().empty() ? "" : recus().back().texte; }
};

} // namespace test
