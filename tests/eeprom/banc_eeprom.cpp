// SPDX-License-Identifier: GPL-2.0-or-later
#include "banc_eeprom.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "eeprom/eeprom.h"
#include "port/backend.h"

#include <cstdio>
#include <random>

namespace test_eeprom {

Espion::Espion(std::unique_ptr<Modele_puce> p, Desc_PIC d) : interne(std::move(p)), desc(d) {}

void Espion::broches(const Broches& b, int64_t t_ns) {
    if (enregistre && (journal.empty() || !(journal.back().b == b))) journal.push_back({b, t_ns});
    if (interne) interne->broches(b, t_ns);
}

Bus::Bus(Modele_puce& m, bool select) : p(m) {
    b.select = select;
    p.broches(b, t);
    alimentation(true);
}

void Bus::attend(int64_t ns) {
    t += ns;
    p.broches(b, t);
}

void Bus::start() {
    pose([](Broches& x) { x.clk = false; });
    pose([](Broches& x) { x.data = true; });
    pose([](Broches& x) { x.clk = true; });
    pose([](Broches& x) { x.data = false; });
    pose([](Broches& x) { x.clk = false; });
}

void Bus::stop() {
    pose([](Broches& x) { x.clk = false; });
    pose([](Broches& x) { x.data = false; });
    pose([](Broches& x) { x.clk = true; });
    pose([](Broches& x) { x.data = true; });
}

bool Bus::envoie(int octet) {
    for (int i = 7; i >= 0; --i) {
        pose([&](Broches& x) { x.data = (octet >> i) & 1; });
        pose([](Broches& x) { x.clk = true; });
        pose([](Broches& x) { x.clk = false; });
    }
    pose([](Broches& x) { x.data = true; });
    pose([](Broches& x) { x.clk = true; });
    bool ack = !ligne();
    pose([](Broches& x) { x.clk = false; });
    return ack;
}

uint8_t Bus::recoit(bool ack) {
    pose([](Broches& x) { x.data = true; });
    int v = 0;
    for (int i = 0; i < 8; ++i) {
        pose([](Broches& x) { x.clk = true; });
        v = (v << 1) | (ligne() ? 1 : 0);
        pose([](Broches& x) { x.clk = false; });
    }
    pose([&](Broches& x) { x.data = !ack; });
    pose([](Broches& x) { x.clk = true; });
    pose([](Broches& x) { x.clk = false; });
    pose([](Broches& x) { x.data = true; });
    return static_cast<uint8_t>(v);
}

bool Bus::impulsion(bool di) {
    pose([&](Broches& x) { x.data_93 = di; });
    pose([](Broches& x) { x.clk = true; });
    bool niveau = sortie();
    pose([](Broches& x) { x.clk = false; });
    return niveau;
}

void Bus::bits(const std::string& zeros_uns) {
    for (char c : zeros_uns) impulsion(c == '1');
}

uint8_t Bus::octet_microwire() {
    int v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 1) | (impulsion(false) ? 1 : 0);
    return static_cast<uint8_t>(v);
}

uint8_t Bus::octet_spi(int envoye) {
    int v = 0;
    for (int i = 7; i >= 0; --i) {
        pose([&](Broches& x) { x.data_93 = (envoye >> i) & 1; });
        v = (v << 1) | (sortie() ? 1 : 0);
        pose([](Broches& x) { x.clk = true; });
        pose([](Broches& x) { x.clk = false; });
    }
    return static_cast<uint8_t>(v);
}

std::vector<std::string> jetons_I2C(const std::vector<Pas>& j) {
    std::vector<std::string> jetons;
    bool ouverte = false;
    int rang = 0, octet = 0;
    for (std::size_t i = 1; i < j.size(); ++i) {
        const Broches& a = j[i - 1].b;
        const Broches& b = j[i].b;
        if (!b.vcc || !a.vcc) {
            ouverte = false;
            continue;
        }
        if (a.clk && b.clk && a.data != b.data) {
            if (!b.data) {
                jetons.push_back(ouverte ? "Sr" : "S");
                ouverte = true;
            } else {
                jetons.push_back("P");
                ouverte = false;
            }
            rang = octet = 0;
        } else if (!a.clk && b.clk && ouverte) {
            if (++rang <= 8) octet = (octet << 1) | (b.data ? 1 : 0);
            if (rang == 8) {
                char t[3];
                std::snprintf(t, sizeof t, "%02X", octet);
                jetons.push_back(t);
            }
            if (rang == 9) rang = octet = 0;
        }
    }
    return jetons;
}

std::vector<std::string> trames_microwire(const std::vector<Pas>& j) {
    std::vector<std::string> trames;
    std::optional<std::string> trame;
    for (std::size_t i = 1; i < j.size(); ++i) {
        const Broches& a = j[i - 1].b;
        const Broches& b = j[i].b;
        if (!b.vcc) continue;
        if (b.select && !a.select) trame = "";
        if (!b.select && a.select && trame) {
            trames.push_back(*trame);
            trame.reset();
        }
        if (b.select && a.select && b.clk && !a.clk && trame) *trame += b.data_93 ? '1' : '0';
    }
    if (trame) trames.push_back(*trame);
    return trames;
}

std::vector<std::string> trames_SPI(const std::vector<Pas>& j) {
    std::vector<std::string> trames;
    bool ouverte = false;
    std::string texte;
    int rang = 0, octet = 0;
    auto ferme = [&] {
        if (rang) texte += (texte.empty() ? "+" : " +") + std::to_string(rang);
        trames.push_back(texte);
        ouverte = false;
    };
    for (std::size_t i = 1; i < j.size(); ++i) {
        const Broches& a = j[i - 1].b;
        const Broches& b = j[i].b;
        if (!b.vcc) {
            if (ouverte) ferme();
            continue;
        }
        if (!b.select && a.select && a.vcc) {
            ouverte = true;
            texte.clear();
            rang = octet = 0;
        } else if (b.select && !a.select && ouverte) {
            ferme();
        } else if (ouverte && !b.select && b.clk && !a.clk) {
            octet = (octet << 1) | (b.data_93 ? 1 : 0);
            if (++rang == 8) {
                char t[4];
                std::snprintf(t, sizeof t, texte.empty() ? "%02X" : " %02X", octet);
                texte += t;
                rang = octet = 0;
            }
        }
    }
    if (ouverte) ferme();
    return trames;
}

std::vector<uint8_t> motif(int taille, unsigned graine) {
    std::mt19937 alea(graine);
    std::vector<uint8_t> v(static_cast<std::size_t>(taille));
    for (auto& o : v) o = static_cast<uint8_t>(alea());
    return v;
}

void Banc::SetUp() {
    Etat_propre::SetUp();
    journal.emplace();
    testing::internal::CaptureStdout();
    bool lu = lire_catalogue_fichier(test::fichier_source("data/conf_PICS"));
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(lu);
}

void Banc::TearDown() {
    installe_backend(nullptr);
    journal.reset();
    Etat_propre::TearDown();
}

Eeprom_simulee& Banc::monte(const std::string& nom, const Options_eeprom& o,
                            const Pannes_simulateur& pannes, const std::string& nom_puce) {
    int i = cherche_pic(nom.empty() ? nom_puce : nom);
    int j = cherche_pic(nom_puce.empty() ? nom : nom_puce);
    EXPECT_GE(i, 0) << nom;
    EXPECT_GE(j, 0) << nom_puce;
    pic_select = i;
    auto m = cree_eeprom(tab_pic[static_cast<std::size_t>(j)], pannes.puce, o);
    puce = dynamic_cast<Eeprom_simulee*>(m.get());
    EXPECT_NE(puce, nullptr);
    monte_puce(nom, std::move(m), pannes);
    return *puce;
}

void Banc::monte_puce(const std::string& nom, std::unique_ptr<Modele_puce> p,
                      const Pannes_simulateur& pannes) {
    int i = cherche_pic(nom);
    if (i >= 0) pic_select = i;
    auto e = std::make_unique<Espion>(std::move(p));
    espion = e.get();
    auto c = std::make_unique<Carte_simulee>(std::move(e), pannes);
    carte = c.get();
    installe_backend(std::move(c));
}

void Banc::choisit(const std::string& nom, int taille, int algo) {
    Desc_PIC d;
    d.nom = nom;
    d.taille_donnee = taille;
    d.algo = algo;
    d.famille = 31;
    tab_pic.push_back(d);
    pic_select = static_cast<int>(tab_pic.size()) - 1;
}

int Banc::ecrit(const std::vector<uint8_t>& source) {
    std::vector<uint8_t> image(TAILLE_DONNEE_MAX, 0xFF);
    std::copy(source.begin(), source.end(), image.begin());
    const Desc_PIC* d = pic_courant();
    int algo = d ? d->algo : -1;
    int taille = d ? d->taille_donnee : 0;
    switch (algo) {
    case -3:
        return Charge_EEPROM_serie(image.data(), bits_adresse_serie(taille));
    case -4:
        return Charge_EEPROM_SPI(image.data(), bits_adresse_SPI(taille));
    default:
        return Charge_EEPROM_I2C(image.data());
    }
}

std::vector<uint8_t> Banc::lit(uint8_t remplissage) {
    std::vector<uint8_t> tampon(TAILLE_DONNEE_MAX, remplissage);
    const Desc_PIC* d = pic_courant();
    int algo = d ? d->algo : -1;
    int taille = d ? d->taille_donnee : 0;
    uint8_t* r = nullptr;
    switch (algo) {
    case -3:
        r = Lire_EEPROM_serie(tampon.data(), bits_adresse_serie(taille));
        break;
    case -4:
        r = Lire_EEPROM_SPI(tampon.data(), bits_adresse_SPI(taille));
        break;
    default:
        r = Lire_EEPROM_I2C(tampon.data());
        break;
    }
    // The buffer given, or null after a failure.
    lecture_reussie = r != nullptr;
    if (r) {
        EXPECT_EQ(r, tampon.data());
    }
    return tampon;
}

std::vector<std::string> Banc::textes() const {
    std::vector<std::string> t;
    for (const auto& m : journal->messages()) t.push_back(m.texte);
    return t;
}

} // namespace test_eeprom
