// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated programmer with real chip models, driven through the line driver as the
// command layer drives it: what the user sees with each fault, the chip kept between runs.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/etat_puce.h"
#include "sim/puces/fabrique.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"
#include "sim/simulateur.h"

namespace {

// Serial programming commands.
constexpr int LOAD_DATA_PM = 2;
constexpr int READ_DATA_PM = 4;
constexpr int INCREMENT = 6;
constexpr int BEGIN_PROG = 8;
constexpr int END_PROG = 14;

void envoie_bit(bool bit) {
    clock_a_1();
    bit ? data_a_1() : data_a_0();
    attente(1);
    clock_a_0();
    attente(1);
}

void commande(int code) {
    data_a_1();
    attente(2);
    for (int i = 0; i < 6; ++i) envoie_bit(((code >> i) & 1) != 0);
}

void charge(uint16_t mot) {
    commande(LOAD_DATA_PM);
    data_a_1();
    attente(2);
    envoie_bit(false);
    for (int i = 0; i < 14; ++i) envoie_bit(((mot >> i) & 1) != 0);
    envoie_bit(false);
}

uint16_t lit() {
    commande(READ_DATA_PM);
    data_a_1();
    attente(1);
    uint16_t mot = 0;
    for (int i = 0; i < 16; ++i) {
        clock_a_1();
        attente(1);
        clock_a_0();
        attente(1);
        if (i >= 1 && i <= 14) mot = static_cast<uint16_t>(mot | (get_b_data() << (i - 1)));
    }
    return mot;
}

// The programmer detection's steps: DATA_IN must follow DATA_OUT.
bool programmateur_detecte() {
    init_port();
    attente(10);
    data_a_1();
    attente(1);
    if (get_b_data() != 1) return false;
    data_a_0();
    attente(1);
    return get_b_data() == 0;
}

void entre_en_programmation() {
    init_port();
    Power_on();
    attente(100);
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_1();
    attente(100);
}

void sort_de_programmation() {
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_0();
    Power_off();
}

// Algorithm 1 on one word at the address counter: load, one self-timed cycle, read back.
uint16_t ecrit_flash(uint16_t mot, int attente_us = 10000) {
    charge(mot);
    commande(BEGIN_PROG);
    attente(attente_us);
    return lit();
}

// Algorithm 2 on one word: 100 us pulses until it reads back, at most max; the pulses used,
// -1 when the word never took.
int ecrit_eprom(uint16_t mot, int max) {
    charge(mot);
    for (int n = 1; n <= max; ++n) {
        commande(BEGIN_PROG);
        attente(100);
        commande(END_PROG);
        if (lit() == mot) return n;
    }
    return -1;
}

class Simulateur_puces : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        ASSERT_TRUE(lire_catalogue_fichier(test::fichier_source("data/conf_PICS")));
        selectionne("PIC16F84");
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }

    void selectionne(const std::string& nom) {
        pic_select = cherche_pic(nom);
        ASSERT_GE(pic_select, 0) << nom;
    }

    // The simulator as a front end sets it up, with these faults.
    void installe(std::vector<std::string> pannes, const std::string& puce = "",
                  const std::string& fichier = "") {
        Options_simulateur o;
        o.pannes = std::move(pannes);
        o.puce = puce;
        o.fichier_etat = fichier;
        ASSERT_TRUE(installe_simulateur(o));
        carte = carte_simulee_installee();
        ASSERT_NE(carte, nullptr);
    }

    test::Enregistreur_messages messages;
    test::Repertoire_temp rep;
    Carte_simulee* carte = nullptr;
};

TEST_F(Simulateur_puces, puce_saine_ecrite_et_relue) {
    installe({});
    EXPECT_TRUE(programmateur_detecte());
    entre_en_programmation();
    EXPECT_EQ(lit(), 0x3FFF);
    EXPECT_EQ(ecrit_flash(0x1234), 0x1234);
    commande(INCREMENT);
    EXPECT_EQ(ecrit_flash(0x0A5A), 0x0A5A);
    sort_de_programmation();
    EXPECT_TRUE(messages.messages().empty());
    // Two words, each with its 10 ms cycle, as on the bench.
    EXPECT_GT(carte->temps_ecoule_ns(), 20'000'000);
    EXPECT_LT(carte->temps_ecoule_ns(), 25'000'000);
}

TEST_F(Simulateur_puces, sans_programmateur_non_detecte) {
    installe({"sans-programmateur"});
    EXPECT_FALSE(programmateur_detecte());
}

TEST_F(Simulateur_puces, sans_puce_tout_se_lit_vierge) {
    installe({"sans-puce"});
    EXPECT_TRUE(programmateur_detecte());
    entre_en_programmation();
    EXPECT_EQ(lit(), 0x3FFF);
    EXPECT_EQ(ecrit_flash(0x0000), 0x3FFF);
}

TEST_F(Simulateur_puces, mauvaise_position_la_puce_ne_repond_pas) {
    installe({"mauvaise-position"});
    EXPECT_TRUE(programmateur_detecte());
    entre_en_programmation();
    EXPECT_EQ(ecrit_flash(0x0000), 0x3FFF);
    sort_de_programmation();
    auto* puce = dynamic_cast<Puce_pic*>(carte->puce());
    ASSERT_NE(puce, nullptr);
    EXPECT_EQ(puce->contenu().programme[0], 0x3FFF);
}

TEST_F(Simulateur_puces, autre_puce_dans_le_support) {
    // A 40-pin part where an 18-pin one is selected: VPP goes to the other position.
    installe({}, "PIC16F877");
    entre_en_programmation();
    EXPECT_EQ(ecrit_flash(0x0000), 0x3FFF);
    sort_de_programmation();

    // The same chip selected: VPP2 reaches it.
    selectionne("PIC16F877");
    installe({}, "PIC16F877");
    entre_en_programmation();
    EXPECT_EQ(ecrit_flash(0x0000), 0x0000);
}

TEST_F(Simulateur_puces, bit_colle_a_zero_dans_chaque_mot_lu) {
    installe({"bit-colle"});
    entre_en_programmation();
    uint16_t masque = static_cast<uint16_t>(~(1u << Puce_pic::bit_panne) & 0x3FFF);
    EXPECT_EQ(lit(), masque);
    EXPECT_EQ(ecrit_flash(0x3FFF), masque);
    commande(INCREMENT);
    EXPECT_EQ(ecrit_flash(0x1235), 0x1235 & masque);
}

TEST_F(Simulateur_puces, cellule_morte_flash) {
    installe({"cellule-morte"});
    entre_en_programmation();
    for (int a = 0; a < Puce_pic::adresse_panne; ++a) commande(INCREMENT);
    EXPECT_NE(ecrit_flash(0x0000), 0x0000);
    EXPECT_NE(ecrit_flash(0x0000, 1'000'000), 0x0000); // waiting longer does not help
    commande(INCREMENT);
    EXPECT_EQ(ecrit_flash(0x0000), 0x0000);
}

TEST_F(Simulateur_puces, cellule_lente_flash) {
    installe({"cellule-lente"});
    auto* puce = dynamic_cast<Puce_flash*>(carte->puce());
    ASSERT_NE(puce, nullptr);
    entre_en_programmation();
    for (int a = 0; a < Puce_pic::adresse_panne; ++a) commande(INCREMENT);
    // The 10 ms wait of the algorithm is too short: the read comes during the cycle.
    EXPECT_NE(ecrit_flash(0x1234), 0x1234);
    // Once the spoilt cycle is over, and given the time the cell needs, it takes the word.
    int lent_us = static_cast<int>(puce->duree_cycle_lent() / 1000) + 1;
    attente(lent_us);
    EXPECT_EQ(ecrit_flash(0x1234, lent_us), 0x1234);
    commande(INCREMENT);
    EXPECT_EQ(ecrit_flash(0x1234), 0x1234);
}

TEST_F(Simulateur_puces, occupee_le_cycle_ne_finit_jamais) {
    installe({"occupee"});
    entre_en_programmation();
    EXPECT_NE(ecrit_flash(0x1234), 0x1234);
    attente(1'000'000);
    EXPECT_NE(lit(), 0x1234);
}

TEST_F(Simulateur_puces, cellules_eprom) {
    selectionne("PIC16C61");
    struct Cas {
        const char* panne;
        int min, max; // pulses the first word takes, -1: never within 25
    };
    for (const Cas& c : {Cas{"", 1, 8}, Cas{"cellule-lente", 9, 25}, Cas{"cellule-morte", -1, -1},
                         Cas{"occupee", -1, -1}}) {
        SCOPED_TRACE(c.panne);
        installe(*c.panne ? std::vector<std::string>{c.panne} : std::vector<std::string>{});
        entre_en_programmation();
        int n = ecrit_eprom(0x0000, 25);
        EXPECT_GE(n, c.min);
        EXPECT_LE(n, c.max);
        sort_de_programmation();
    }
}

TEST_F(Simulateur_puces, puce_gardee_entre_deux_sessions) {
    std::string fichier = rep.fichier("16f84.hex");
    installe({}, "", fichier);
    entre_en_programmation();
    ecrit_flash(0x1234);
    sort_de_programmation();
    EXPECT_GT(termine_simulateur(), 10'000'000);
    EXPECT_EQ(nom_puce_etat(test::lit_fichier(fichier)), "PIC16F84");

    installe({}, "", fichier);
    entre_en_programmation();
    EXPECT_EQ(lit(), 0x1234);
    sort_de_programmation();
    EXPECT_TRUE(messages.messages().empty());

    // The file of a PIC16F84 for a PIC16F628 in the socket: refused with a message, the file
    // left as it is.
    const std::string avant = test::lit_fichier(fichier);
    Options_simulateur o;
    o.puce = "PIC16F628";
    o.fichier_etat = fichier;
    EXPECT_FALSE(installe_simulateur(o));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].texte.find("PIC16F84"), std::string::npos);
    EXPECT_EQ(carte_simulee_installee(), carte);
    EXPECT_EQ(test::lit_fichier(fichier), avant);
}

TEST_F(Simulateur_puces, puce_vierge_avec_sa_calibration) {
    selectionne("PIC12C508");
    std::string fichier = rep.fichier("12c508.hex");
    installe({}, "", fichier);
    auto* puce = dynamic_cast<Puce_pic*>(carte->puce());
    ASSERT_NE(puce, nullptr);
    int calibration = puce->mot_calibration();
    ASSERT_GE(calibration, 0);
    EXPECT_EQ(puce->contenu().programme.back(), calibration);
    termine_simulateur();

    // The blank chip was saved with its word: a chip of another seed, thus another
    // calibration, takes it from the file.
    Options_puce autre;
    autre.graine = puce->graine() + 1;
    std::unique_ptr<Modele_puce> relue = cree_puce(*pic_courant(), {}, autre);
    auto* pic = dynamic_cast<Puce_pic*>(relue.get());
    ASSERT_NE(pic, nullptr);
    ASSERT_NE(pic->mot_calibration(), calibration);
    EXPECT_EQ(charge_etat_puce(*pic, fichier), Chargement_etat::charge);
    EXPECT_EQ(pic->contenu().programme.back(), calibration);
    EXPECT_TRUE(messages.messages().empty());
}

} // namespace
