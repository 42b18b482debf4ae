// SPDX-License-Identifier: GPL-2.0-or-later
// GPIO chip of the Linux character device through libgpiod 1.6: every libgpiod call of the
// program is in this file (another file would hold the 2.x API). One request for the output
// lines, one for DATA_IN; values are electrical levels, polarity coming from the pin maps.
#include "core/messages.h"
#include "port/adaptateurs.h"

#include <gpiod.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr const char* consommateur = "korval";

class Adaptateur_gpio final : public Backend_port {
  public:
    Adaptateur_gpio(std::string p, const Cablage_adaptateur& c)
        : nom_puce(std::move(p)), cablage(c) {}
    ~Adaptateur_gpio() override { ferme(); }

    bool ouvre(int) override {
        if (puce) return true;
        puce = gpiod_chip_open_lookup(nom_puce.c_str());
        if (!puce) return echec("puce GPIO introuvable");
        std::vector<unsigned> decalages;
        std::vector<int> repos;
        for (int l = 0; l < NB_LIGNES; ++l) {
            const Broche_adaptateur& b = cablage.lignes[static_cast<std::size_t>(l)];
            if (l == L_DATA_IN || b.broche < 0) continue;
            decalages.push_back(static_cast<unsigned>(b.broche));
            lignes_sorties.push_back(static_cast<Num_ligne>(l));
            repos.push_back(niveau_broche(0, cablage, static_cast<Num_ligne>(l)) ? 1 : 0);
        }
        gpiod_line_bulk_init(&sorties);
        // The lines come out at their resting levels: the request sets them as it enables them.
        if (!decalages.empty() &&
            (gpiod_chip_get_lines(puce, decalages.data(), static_cast<unsigned>(decalages.size()),
                                  &sorties) < 0 ||
             gpiod_line_request_bulk_output(&sorties, consommateur, repos.data()) < 0))
            return echec_ferme("lignes de sortie refusées");
        sorties_prises = !decalages.empty();
        const int p = cablage.lignes[L_DATA_IN].broche;
        if (p >= 0) {
            entree = gpiod_chip_get_line(puce, static_cast<unsigned>(p));
            if (!entree || gpiod_line_request_input(entree, consommateur) < 0) {
                entree = nullptr;
                return echec_ferme("ligne DATA_IN refusée");
            }
        }
        return true;
    }

    void ferme() override {
        if (!puce) return;
        if (sorties_prises) gpiod_line_release_bulk(&sorties);
        if (entree) gpiod_line_release(entree);
        gpiod_chip_close(puce);
        puce = nullptr;
        entree = nullptr;
        sorties_prises = false;
        lignes_sorties.clear();
    }

    bool ouvert() const override { return puce != nullptr; }

    void ecrit_donnee(uint8_t octet) override {
        if (!sorties_prises) return;
        int valeurs[NB_LIGNES] = {};
        for (std::size_t i = 0; i < lignes_sorties.size(); ++i)
            valeurs[i] = niveau_broche(octet, cablage, lignes_sorties[i]) ? 1 : 0;
        if (gpiod_line_set_value_bulk(&sorties, valeurs) < 0 && !erreur_dite)
            erreur_dite = !echec("écriture refusée");
    }

    uint8_t lit_etat() override {
        if (!entree) return 0xFF;
        const int v = gpiod_line_get_value(entree);
        if (v < 0) {
            if (!erreur_dite) erreur_dite = !echec("lecture refusée");
            return 0xFF;
        }
        return etat_pour_entree(v != 0, cablage);
    }

    int64_t horloge_ns() override { return horloge_monotone_ns(); }

  private:
    bool echec(const char* quoi) {
        message_erreur(
            "Adaptateur GPIO " + nom_puce + " : " + quoi + " (" + std::strerror(errno) + ")", 0);
        return false;
    }
    bool echec_ferme(const char* quoi) {
        echec(quoi);
        ferme();
        return false;
    }

    std::string nom_puce;
    Cablage_adaptateur cablage;
    gpiod_chip* puce = nullptr;
    gpiod_line_bulk sorties{};
    bool sorties_prises = false;
    std::vector<Num_ligne> lignes_sorties;
    gpiod_line* entree = nullptr;
    bool erreur_dite = false;
};

} // namespace

std::unique_ptr<Backend_port> cree_adaptateur_gpio(const std::string& puce,
                                                   const Cablage_adaptateur& cablage) {
    return std::make_unique<Adaptateur_gpio>(puce, cablage);
}
