// SPDX-License-Identifier: GPL-2.0-or-later
// I2C protocol end to end: the line driver on the simulated board with a 24xx model.
#include "banc_eeprom.h"

#include "core/etat.h"
#include "core/messages.h"
#include "eeprom/eeprom.h"

namespace {

using test_eeprom::Banc;
using test_eeprom::jetons_I2C;
using test_eeprom::motif;

const std::string ERREUR = "Une erreur est survenue lors de la communication avec l'eeprom";
const std::string ACK1 = "Un problème avec l'ack pour l'addresse1\n";
const std::string ACK2 = "Un problème avec l'ack pour l'addresse2\n";
const std::string ACK3 = "Un problème avec l'ack pour l'addresse3\n";
const std::string ACK_DONNEES = "Un problème avec l'ack pour les donnees\n";

// Passes a 24xx through, but withholds the acknowledge of one byte: byte `octet` after the
// `segment`-th START of a transaction (0: first START, 1: the repeated one), in every transaction
// from number `a_partir` on (transactions counted from 0, each begun by a START after a STOP).
class Refus_ack : public Modele_puce {
  public:
    Refus_ack(std::unique_ptr<Modele_puce> p, int seg, int oct, int depuis)
        : interne(std::move(p)), segment(seg), octet(oct), a_partir(depuis) {}
    void broches(const Broches& b, int64_t t) override {
        if (b.vcc && prec.vcc && prec.clk && b.clk && prec.data != b.data) {
            if (!b.data) {
                if (ouverte) {
                    ++seg_courant;
                } else {
                    ++transaction;
                    seg_courant = 0;
                }
                ouverte = true;
            } else {
                ouverte = false;
            }
            montees = 0;
        } else if (b.vcc && !prec.clk && b.clk) {
            ++montees;
        }
        prec = b;
        interne->broches(b, t);
    }
    bool sortie(int64_t t) override {
        bool refuse = ouverte && transaction >= a_partir && seg_courant == segment &&
                      montees == 9 * (octet + 1) && prec.clk;
        return refuse || interne->sortie(t);
    }
    const Desc_PIC& description() const override { return interne->description(); }
    std::string etat_hex() const override { return interne->etat_hex(); }
    bool charge_etat_hex(const std::string& t) override { return interne->charge_etat_hex(t); }

  private:
    std::unique_ptr<Modele_puce> interne;
    int segment, octet, a_partir;
    Broches prec;
    bool ouverte = false;
    int transaction = -1, seg_courant = 0, montees = 0;
};

// Acknowledges nothing before its n-th START, then answers as the 24xx inside.
class Reveil_tardif : public Modele_puce {
  public:
    Reveil_tardif(std::unique_ptr<Modele_puce> p, int n) : interne(std::move(p)), n_depart(n) {}
    void broches(const Broches& b, int64_t t) override {
        if (b.vcc && prec.vcc && prec.clk && b.clk && prec.data && !b.data) ++departs;
        prec = b;
        interne->broches(b, t);
    }
    bool sortie(int64_t t) override { return departs < n_depart || interne->sortie(t); }
    const Desc_PIC& description() const override { return interne->description(); }
    std::string etat_hex() const override { return interne->etat_hex(); }
    bool charge_etat_hex(const std::string& t) override { return interne->charge_etat_hex(t); }
    int departs = 0;

  private:
    std::unique_ptr<Modele_puce> interne;
    int n_depart;
    Broches prec;
};

std::unique_ptr<Modele_puce> modele(const std::string& nom, Pannes_puce p = {}) {
    return cree_eeprom(tab_pic[static_cast<std::size_t>(cherche_pic(nom))], p);
}

class I2C : public Banc {
  protected:
    // The failure path: the text on standard output, the error window, the supply off, and the
    // operation stopped without a STOP.
    void verifie_echec(const std::string& sortie, const std::string& attendu,
                       bool puce_presente = true) {
        EXPECT_EQ(sortie, attendu);
        ASSERT_EQ(journal->messages().size(), 1u);
        EXPECT_EQ(journal->messages()[0].texte, ERREUR);
        EXPECT_EQ(journal->messages()[0].fin, 0);
        EXPECT_FALSE(carte->broches_support().vcc);
        if (!puce_presente) return;
        auto jetons = jetons_I2C(espion->journal);
        ASSERT_FALSE(jetons.empty());
        EXPECT_NE(jetons.back(), "P");
    }
};

std::string hex2(int v) {
    char t[3];
    std::snprintf(t, sizeof t, "%02X", v & 0xFF);
    return t;
}

using Jetons = std::vector<std::string>;

// The tokens begin with debut and end with fin (polling attempts may come between).
void encadre(const Jetons& j, const Jetons& debut, const Jetons& fin) {
    ASSERT_GE(j.size(), debut.size() + fin.size());
    EXPECT_EQ(Jetons(j.begin(), j.begin() + static_cast<std::ptrdiff_t>(debut.size())), debut);
    EXPECT_EQ(Jetons(j.end() - static_cast<std::ptrdiff_t>(fin.size()), j.end()), fin);
}

TEST_F(I2C, octets_de_controle_et_adresses_sur_le_bus) {
    // algo -1, address 0x5A3: control 0xAA, address byte 0xA3, read control 0xAB.
    auto& p16 = monte("24C16");
    le_data_deb = le_data_fin = 0x5A3;
    auto source = motif(2048, 1);
    EXPECT_EQ(ecrit(source), 0);
    // The write, then its read-back, polled through the write cycle.
    encadre(jetons_I2C(espion->journal), {"S", "AA", "A3", hex2(source[0x5A3]), "P", "S", "AA"},
            {"Sr", "AA", "A3", "Sr", "AB", "FF", "P"});
    EXPECT_EQ(p16.contenu()[0x5A3], source[0x5A3]);
    espion->journal.clear();
    EXPECT_EQ(lit()[0x5A3], source[0x5A3]);
    // The master's view of the data byte read is its released line: FF.
    EXPECT_EQ(jetons_I2C(espion->journal), (Jetons{"S", "AA", "A3", "Sr", "AB", "FF", "P"}));

    // algo -2, address 0x1234: A0 12 34, and for a read a STOP before each attempt and A1 after
    // the repeated START.
    auto& p256 = monte("24C256");
    le_data_deb = le_data_fin = 0x1234;
    source = motif(32768, 2);
    EXPECT_EQ(ecrit(source), 0);
    encadre(jetons_I2C(espion->journal),
            {"S", "A0", "12", "34", hex2(source[0x1234]), "P", "P", "S", "A0"},
            {"P", "S", "A0", "12", "34", "Sr", "A1", "FF", "P"});
    EXPECT_EQ(p256.contenu()[0x1234], source[0x1234]);
    espion->journal.clear();
    EXPECT_EQ(lit()[0x1234], source[0x1234]);
    EXPECT_EQ(jetons_I2C(espion->journal),
              (Jetons{"P", "S", "A0", "12", "34", "Sr", "A1", "FF", "P"}));
}

TEST_F(I2C, la_scrutation_de_l_acquittement_attend_le_cycle_d_ecriture) {
    auto& p = monte("24C02");
    le_data_deb = 0;
    le_data_fin = 1;
    EXPECT_EQ(ecrit({0x12, 0x34}), 0);
    EXPECT_EQ(p.contenu()[0], 0x12);
    EXPECT_EQ(p.contenu()[1], 0x34);
    // The read-back's control byte went unanswered while each byte was being written: several
    // START + A0 attempts, then the address and the byte read.
    auto j = jetons_I2C(espion->journal);
    int tentatives = static_cast<int>(std::count(j.begin(), j.end(), "S") +
                                      std::count(j.begin(), j.end(), "Sr"));
    EXPECT_GT(tentatives, 10);
    // Two 5 ms write cycles and the final 10 ms, with a few transactions more.
    EXPECT_GE(carte->temps_ecoule_ns(), 2 * 5'000'000 + 10'000'000);
    EXPECT_LT(carte->temps_ecoule_ns(), 2 * 5'500'000 + 10'200'000);
}

TEST_F(I2C, plages_d_adresses) {
    auto& p = monte("24C02");
    auto m = motif(256, 3);
    p.remplit(m);
    le_data_deb = 16;
    le_data_fin = 31;
    auto lu = lit(0x55);
    for (int a = 0; a < 256; ++a)
        EXPECT_EQ(lu[static_cast<std::size_t>(a)],
                  a >= 16 && a <= 31 ? m[static_cast<std::size_t>(a)] : 0x55)
            << a;

    auto source = motif(256, 4);
    EXPECT_EQ(ecrit(source), 0);
    for (int a = 0; a < 256; ++a)
        EXPECT_EQ(p.contenu()[static_cast<std::size_t>(a)],
                  a >= 16 && a <= 31 ? source[static_cast<std::size_t>(a)]
                                     : m[static_cast<std::size_t>(a)])
            << a;

    // A negative start counts as 0.
    le_data_deb = -5;
    le_data_fin = 2;
    lu = lit(0x55);
    EXPECT_EQ(lu[0], m[0]);
    EXPECT_EQ(lu[2], m[2]);
    EXPECT_EQ(lu[3], 0x55);
}

TEST_F(I2C, plage_vide_alimente_quand_meme_et_attend_dix_millisecondes_en_ecriture) {
    struct Plage {
        int deb, fin;
    };
    for (Plage pl : {Plage{5, 4}, Plage{256, 300}, Plage{0, -1}, Plage{-3, -2}}) {
        SCOPED_TRACE(std::to_string(pl.deb) + ".." + std::to_string(pl.fin));
        monte("24C02");
        le_data_deb = pl.deb;
        le_data_fin = pl.fin;
        auto lu = lit(0x55);
        EXPECT_TRUE(std::all_of(lu.begin(), lu.end(), [](uint8_t v) { return v == 0x55; }));
        EXPECT_TRUE(jetons_I2C(espion->journal).empty());
        int64_t t_lecture = carte->temps_ecoule_ns();
        EXPECT_LT(t_lecture, 1'000'000);
        EXPECT_EQ(ecrit(std::vector<uint8_t>(256, 0)), 0);
        EXPECT_TRUE(jetons_I2C(espion->journal).empty());
        EXPECT_GE(carte->temps_ecoule_ns() - t_lecture, 10'000'000);
        EXPECT_EQ(puce->contenu(), std::vector<uint8_t>(256, 0xFF));
        // Supply on, then off, for each operation.
        int allumages = 0;
        for (std::size_t i = 1; i < espion->journal.size(); ++i)
            allumages += espion->journal[i].b.vcc && !espion->journal[i - 1].b.vcc;
        EXPECT_EQ(allumages, 2);
        EXPECT_FALSE(carte->broches_support().vcc);
    }
}

TEST_F(I2C, acquittement_a_la_dix_milleme_tentative) {
    for (int n : {10000, 10001}) {
        SCOPED_TRACE(n);
        auto r = std::make_unique<Reveil_tardif>(modele("24C02"), n);
        auto* reveil = r.get();
        journal->vide();
        monte_puce("24C02", std::move(r));
        le_data_deb = le_data_fin = 7;
        testing::internal::CaptureStdout();
        auto lu = lit(0x55);
        std::string sortie = testing::internal::GetCapturedStdout();
        EXPECT_EQ(lecture_reussie, n == 10000);
        if (n == 10000) {
            EXPECT_EQ(lu[7], 0xFF);
            EXPECT_EQ(sortie, "");
            EXPECT_TRUE(textes().empty());
            EXPECT_EQ(reveil->departs, 10001); // plus the repeated START
        } else {
            EXPECT_EQ(lu[7], 0x55);
            verifie_echec(sortie, ACK1);
            EXPECT_EQ(reveil->departs, 10000);
        }
    }
}

TEST_F(I2C, pannes_de_l_acquittement) {
    struct Cas {
        const char* nom;
        bool lecture;
        int segment, octet;
        const std::string& texte;
    };
    const Cas cas[] = {
        {"24C02", true, 0, 1, ACK2},         {"24C256", true, 0, 1, ACK2},
        {"24C256", true, 0, 2, ACK2},        {"24C02", true, 1, 0, ACK3},
        {"24C02", false, 0, 1, ACK2},        {"24C256", false, 0, 2, ACK2},
        {"24C02", false, 0, 2, ACK_DONNEES}, {"24C256", false, 0, 3, ACK_DONNEES},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.nom) + (c.lecture ? " lecture " : " écriture ") +
                     std::to_string(c.segment) + "/" + std::to_string(c.octet));
        journal->vide();
        // No write cycle: one attempt per address phase, so transactions are easy to count.
        Options_eeprom o;
        o.duree_ecriture_ns = 0;
        auto m = cree_eeprom(tab_pic[static_cast<std::size_t>(cherche_pic(c.nom))], {}, o);
        auto* p = dynamic_cast<Eeprom_simulee*>(m.get());
        auto initial = motif(p->taille(), 5);
        p->remplit(initial);
        // Two addresses go through (a write is a write and a read-back transaction per address);
        // the third address fails.
        monte_puce(c.nom, std::make_unique<Refus_ack>(std::move(m), c.segment, c.octet,
                                                      c.lecture ? 2 : 4));
        le_data_deb = 0;
        le_data_fin = 9;
        auto source = motif(p->taille(), 6);
        testing::internal::CaptureStdout();
        if (c.lecture) {
            auto lu = lit(0x55);
            EXPECT_FALSE(lecture_reussie);
            EXPECT_EQ(lu[0], initial[0]);
            EXPECT_EQ(lu[1], initial[1]);
            EXPECT_EQ(lu[2], 0x55);
        } else {
            EXPECT_EQ(ecrit(source), -1);
            EXPECT_EQ(p->contenu()[0], source[0]);
            EXPECT_EQ(p->contenu()[1], source[1]);
            EXPECT_EQ(p->contenu()[3], initial[3]);
        }
        verifie_echec(testing::internal::GetCapturedStdout(), c.texte);
    }
}

TEST_F(I2C, support_vide_ou_puce_toujours_occupee) {
    Pannes_simulateur vide;
    vide.sans_puce = true;
    monte("24C02", {}, vide);
    testing::internal::CaptureStdout();
    auto lu = lit(0x55);
    EXPECT_FALSE(lecture_reussie);
    EXPECT_TRUE(std::all_of(lu.begin(), lu.end(), [](uint8_t v) { return v == 0x55; }));
    verifie_echec(testing::internal::GetCapturedStdout(), ACK1, false);

    journal->vide();
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(std::vector<uint8_t>(256, 0)), -1);
    verifie_echec(testing::internal::GetCapturedStdout(), ACK1, false);

    // The first write cycle never ends: its read-back fails after 10000 attempts.
    journal->vide();
    Pannes_simulateur occupee;
    occupee.puce.occupee = true;
    auto& p = monte("24C02", {}, occupee);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(std::vector<uint8_t>(256, 0)), -1);
    verifie_echec(testing::internal::GetCapturedStdout(), ACK1);
    EXPECT_EQ(p.contenu(), std::vector<uint8_t>(256, 0xFF));
}

TEST_F(I2C, une_puce_d_une_autre_taille_dans_le_support) {
    // 24C16 selected, 24C02 in the socket: its chip-select bits refuse the block bits of 0x100.
    auto& p = monte("24C16", {}, {}, "24C02");
    le_data_deb = 0xFE;
    le_data_fin = 0x101;
    auto source = motif(2048, 7);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ecrit(source), -1);
    verifie_echec(testing::internal::GetCapturedStdout(), ACK1);
    EXPECT_EQ(p.contenu()[0xFE], source[0xFE]);
    EXPECT_EQ(p.contenu()[0xFF], source[0xFF]);
}

TEST_F(I2C, cellule_lente_attendue_cellule_morte_et_bit_colle) {
    Pannes_simulateur lente;
    lente.puce.cellule_lente = true;
    auto& p = monte("24C02", {}, lente);
    auto source = motif(256, 8);
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu(), source); // acknowledge polling waits for the slow cell

    // The byte read back shows the dead cell: the write stops there, supply off.
    Pannes_simulateur morte;
    morte.puce.cellule_morte = true;
    auto& q = monte("24C02", {}, morte);
    EXPECT_EQ(ecrit(source), -1);
    char attendu[80];
    std::snprintf(attendu, sizeof attendu,
                  "EEPROM : Adresse 80, Donnee envoyée %X, Donnée reçue FF",
                  static_cast<unsigned>(source[128]));
    EXPECT_EQ(textes(), std::vector<std::string>{attendu});
    EXPECT_FALSE(carte->broches_support().vcc);
    EXPECT_EQ(q.contenu()[127], source[127]);
    EXPECT_EQ(q.contenu()[128], 0xFF);
    EXPECT_EQ(q.contenu()[129], 0xFF);
    auto lu = lit();
    EXPECT_EQ(lu[128], 0xFF);
    EXPECT_EQ(lu[127], source[127]);

    Pannes_simulateur colle;
    colle.puce.bit_colle = true;
    auto& r = monte("24C02", {}, colle);
    r.remplit(std::vector<uint8_t>(256, 0xFF));
    lu = lit();
    EXPECT_TRUE(std::all_of(lu.begin(), lu.begin() + 256, [](uint8_t v) { return v == 0xFE; }));
    journal->vide();
    EXPECT_EQ(ecrit(std::vector<uint8_t>{0x12, 0x35}), -1);
    EXPECT_EQ(textes(),
              std::vector<std::string>{"EEPROM : Adresse 1, Donnee envoyée 35, Donnée reçue 34"});
}

} // namespace
