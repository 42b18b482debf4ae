// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/adaptateur_simule.h"

namespace {

// An FTDI chip in synchronous bit-bang mode wired to the board: each byte goes to the data
// register one period after the one before, and the status register is sampled just before.
class Transport_simule final : public Transport_synchrone {
  public:
    Transport_simule(std::unique_ptr<Carte_simulee> c, const Modele_adaptateur& m)
        : carte(std::move(c)), modele(m) {
        carte->horloge_carte().cout_acces_ns = 0;
    }

    bool ouvre() override { return carte->ouvre(0); }
    void ferme() override { carte->ferme(); }

    bool echange(std::span<const uint8_t> sortie, std::span<uint8_t> entree) override {
        Horloge_virtuelle& h = carte->horloge_carte();
        for (std::size_t k = 0; k < sortie.size(); ++k) {
            h.t_ns += modele.rythme.periode_octet_ns;
            entree[k] = carte->lit_etat();
            carte->ecrit_donnee(sortie[k]);
        }
        h.t_ns += modele.aller_retour_ns;
        return true;
    }

    int64_t horloge_ns() override { return carte->horloge_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override { carte->attend(debut_ns, duree_ns); }

  private:
    std::unique_ptr<Carte_simulee> carte;
    Modele_adaptateur modele;
};

} // namespace

bool genre_adaptateur(const std::string& nom, Genre_adaptateur& genre) {
    if (nom.empty())
        genre = Genre_adaptateur::parallele;
    else if (nom == "ftdi")
        genre = Genre_adaptateur::ftdi;
    else if (nom == "gpio")
        genre = Genre_adaptateur::gpio;
    else
        return false;
    return true;
}

std::unique_ptr<Backend_port> branche_adaptateur(std::unique_ptr<Carte_simulee> carte,
                                                 Genre_adaptateur genre,
                                                 const Modele_adaptateur& modele) {
    switch (genre) {
    case Genre_adaptateur::ftdi:
        return std::make_unique<Backend_file>(
            std::make_unique<Transport_simule>(std::move(carte), modele), modele.rythme);
    case Genre_adaptateur::gpio:
        carte->horloge_carte().cout_acces_ns = modele.ecriture_gpio_ns;
        carte->horloge_carte().cout_etat_ns = modele.lecture_gpio_ns;
        return carte;
    case Genre_adaptateur::parallele:
        break;
    }
    return carte;
}
