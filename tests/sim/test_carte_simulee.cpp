// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated board: wiring, data line, socket positions, board faults and virtual clock.
#include "commun/outils.h"
#include "puce_factice.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/carte_simulee.h"

#include <functional>

namespace {

using test::Puce_factice;

class Carte : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        Desc_PIC p18;
        p18.nom = "PIC16F84";
        p18.vpp40 = 0;
        Desc_PIC p40;
        p40.nom = "PIC16F877";
        p40.vpp40 = 1;
        tab_pic = {p18, p40};
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }

    // A board under the line driver with a stand-in chip in its socket.
    void monte(const Pannes_simulateur& pannes = {}, const Brochage& cablage = brochage_korval,
               int vpp40 = 0, int64_t cout_acces_ns = 1000) {
        auto f = std::make_unique<Puce_factice>(vpp40 ? "PIC16F877" : "PIC16F84", vpp40);
        puce = f.get();
        auto c = std::make_unique<Carte_simulee>(std::move(f), pannes, cablage, cout_acces_ns);
        carte = c.get();
        installe_backend(std::move(c));
    }

    // The steps by which programmer detection decides that DATA_IN follows DATA_OUT.
    static bool donnee_rebouclee() {
        init_port();
        attente(10);
        data_a_1();
        attente(1);
        if (get_b_data() != 1) return false;
        data_a_0();
        attente(1);
        return get_b_data() == 0;
    }

    Puce_factice* puce = nullptr;
    Carte_simulee* carte = nullptr;
};

Broches niveaux(bool vcc, bool vpp, bool clk, bool data, bool select, bool data_93) {
    Broches b;
    b.vcc = vcc;
    b.vpp = vpp;
    b.clk = clk;
    b.data = data;
    b.select = select;
    b.data_93 = data_93;
    return b;
}

// Wiring: each routine of the driver reaches exactly its own pin of the socket.

TEST_F(Carte, chaque_ligne_atteint_sa_broche_sur_les_deux_cablages_fixes) {
    struct Cas {
        const char* nom;
        Brochage cablage;
        bool select_repos; // inverted SELECT and DATA_93 stand at 1 after init_port
        bool lignes_eeprom;
    };
    for (const Cas& cas : {Cas{"KORVAL", brochage_korval, true, true},
                           Cas{"P16Pro", brochage_p16pro, false, false}}) {
        SCOPED_TRACE(cas.nom);
        monte({}, cas.cablage);
        c_u = cas.cablage;
        init_port();
        Broches attendu = niveaux(false, false, false, false, cas.select_repos, cas.select_repos);
        EXPECT_EQ(carte->broches_support(), attendu);
        EXPECT_EQ(puce->appels.back().b, attendu);

        struct Pas {
            std::function<void()> routine;
            bool Broches::*broche;
            bool niveau;
        };
        const Pas pas[] = {
            {Power_on, &Broches::vcc, true},        {Vtest_Mode_a_1, &Broches::vpp, true},
            {clock_a_1, &Broches::clk, true},       {data_a_1, &Broches::data, true},
            {clock_a_0, &Broches::clk, false},      {data_a_0, &Broches::data, false},
            {Vtest_Mode_a_0, &Broches::vpp, false}, {Power_off, &Broches::vcc, false},
            {s_a_0, &Broches::select, false},       {data_93_a_0, &Broches::data_93, false},
            {s_a_1, &Broches::select, true},        {data_93_a_1, &Broches::data_93, true},
        };
        for (const Pas& p : pas) {
            bool sans_ligne = !cas.lignes_eeprom &&
                              (p.broche == &Broches::select || p.broche == &Broches::data_93);
            if (!sans_ligne) attendu.*p.broche = p.niveau;
            p.routine();
            EXPECT_EQ(carte->broches_support(), attendu);
        }
    }
}

TEST_F(Carte, octet_du_registre_decode_selon_le_cablage_de_la_carte) {
    // 0x00 drives every active-low KORVAL line; on a P16Pro only the active-low data and clock.
    monte({}, brochage_korval);
    carte->ouvre(0x378);
    carte->ecrit_donnee(0x00);
    EXPECT_EQ(carte->broches_support(), niveaux(true, true, true, true, true, true));
    carte->ecrit_donnee(0xFF);
    EXPECT_EQ(carte->broches_support(), niveaux(false, false, false, false, false, false));

    monte({}, brochage_p16pro);
    carte->ouvre(0x378);
    carte->ecrit_donnee(0x00);
    EXPECT_EQ(carte->broches_support(), niveaux(false, false, true, true, false, false));
    carte->ecrit_donnee(0x0C); // VCC and VPP1
    EXPECT_EQ(carte->broches_support(), niveaux(true, true, true, true, false, false));
}

TEST_F(Carte, reglage_korval_sur_carte_p16pro_alimente_la_puce_au_repos) {
    monte({}, brochage_p16pro);
    c_u = brochage_korval;
    init_port();
    EXPECT_TRUE(carte->broches_support().vcc);
    EXPECT_TRUE(carte->broches_support().vpp);
    Power_on();
    EXPECT_FALSE(carte->broches_support().vcc);
    // Data and clock are wired alike on both boards: the programmer is still detected.
    EXPECT_TRUE(donnee_rebouclee());
}

TEST_F(Carte, reglage_qui_ne_correspond_pas_ne_relit_rien) {
    struct Cas {
        const char* nom;
        Num_ligne ligne;
        Ligne valeur;
    };
    const Cas cas[] = {
        {"DATA_IN sur un autre bit", L_DATA_IN, {0x80, 1}},
        {"DATA_IN de polarité inverse", L_DATA_IN, {0x40, 0}},
        {"DATA_OUT sur un autre bit", L_DATA_OUT, {0x80, 1}},
        {"DATA_OUT absent", L_DATA_OUT, {0x00, 1}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        monte();
        c_u = brochage_korval;
        EXPECT_TRUE(donnee_rebouclee());
        c_u.l[c.ligne] = c.valeur;
        EXPECT_FALSE(donnee_rebouclee());
    }
}

TEST_F(Carte, cablage_personnalise) {
    Brochage perso = {{
        {0x80, 0}, // DATA_OUT
        {0x80, 0}, // DATA_IN (status bit 7)
        {0x40, 0}, // CLK
        {0x01, 0}, // VCC
        {0x02, 1}, // VPP1
        {0x04, 1}, // VPP2
        {0x00, 0}, // SELECT
        {0x00, 0}, // DATA_93
    }};
    monte({}, perso);
    c_u = perso;
    EXPECT_TRUE(donnee_rebouclee());
    Power_on();
    Vtest_Mode_a_1();
    clock_a_1();
    EXPECT_EQ(carte->broches_support(), niveaux(true, true, true, false, false, false));
    EXPECT_EQ(carte->registre_donnee(), 0x41 | 0x04); // VPP2 inactive = bit set

    c_u = brochage_korval;
    EXPECT_FALSE(donnee_rebouclee());
}

// The data line: wired-AND of DATA_OUT and the chip's output.

TEST_F(Carte, ligne_de_donnees_en_et_cable) {
    monte();
    init_port();
    Power_on();
    data_a_1();
    EXPECT_EQ(get_b_data(), 1);
    EXPECT_EQ(carte->niveau_bus(), std::optional<bool>(true));

    puce->tire_bas = true;
    EXPECT_EQ(get_b_data(), 0);
    EXPECT_EQ(carte->niveau_bus(), std::optional<bool>(false));
    // The chip's pin shows what the programmer drives, not the result.
    EXPECT_TRUE(carte->broches_support().data);

    puce->tire_bas = false;
    data_a_0();
    EXPECT_EQ(get_b_data(), 0);
    EXPECT_EQ(carte->niveau_bus(), std::optional<bool>(false));
}

TEST_F(Carte, lecture_de_l_etat_interroge_la_puce_a_l_heure_virtuelle) {
    monte();
    init_port();
    data_a_1();
    puce->sorties.clear();
    attente(100);
    int64_t avant = carte->horloge_ns();
    get_b_data();
    ASSERT_EQ(puce->sorties.size(), 1u);
    EXPECT_EQ(puce->sorties[0], avant + carte->horloge_carte().cout_acces_ns);
}

// Socket positions: VPP1 reaches the normal position, VPP2 the 28/40-pin one.

TEST_F(Carte, vpp_atteint_la_puce_seulement_dans_sa_position) {
    for (int vpp40_puce : {0, 1})
        for (int selection : {0, 1}) // tab_pic: 0 vpp40 = 0, 1 vpp40 = 1
            for (bool mauvaise : {false, true}) {
                SCOPED_TRACE(testing::Message() << "puce vpp40 " << vpp40_puce << ", sélection "
                                                << selection << ", mauvaise " << mauvaise);
                Pannes_simulateur p;
                p.mauvaise_position = mauvaise;
                monte(p, brochage_korval, vpp40_puce);
                bool quarante = (vpp40_puce != 0) != mauvaise;
                EXPECT_EQ(carte->position_puce(),
                          quarante ? Position_support::quarante : Position_support::normale);
                pic_select = selection;
                init_port();
                Power_on();
                Vtest_Mode_a_1();
                EXPECT_EQ(carte->broches_support().vpp, selection == vpp40_puce && !mauvaise);
                EXPECT_EQ(puce->appels.back().b.vpp, selection == vpp40_puce && !mauvaise);
            }
}

TEST_F(Carte, mauvaise_position_sans_vpp_meme_avec_les_deux_lignes) {
    Pannes_simulateur p;
    p.mauvaise_position = true;
    monte(p);
    carte->ouvre(0x378);
    carte->ecrit_donnee(0x00); // every KORVAL line active, VPP1 and VPP2 included
    EXPECT_FALSE(carte->broches_support().vpp);
    EXPECT_TRUE(carte->broches_support().vcc);
}

// Board faults.

TEST_F(Carte, sans_programmateur_l_entree_ne_suit_jamais_la_ligne) {
    for (const Brochage& cablage : {brochage_korval, brochage_p16pro}) {
        Pannes_simulateur p;
        p.sans_programmateur = true;
        monte(p, cablage);
        c_u = cablage;
        EXPECT_FALSE(donnee_rebouclee());
        init_port();
        Power_on();
        int lu = -1;
        for (bool donnee : {true, false})
            for (bool tire : {true, false}) {
                puce->tire_bas = tire;
                donnee ? data_a_1() : data_a_0();
                uint8_t etat = carte->lit_etat();
                if (lu < 0) lu = etat;
                EXPECT_EQ(etat, lu);
            }
        // The chip itself is still there and driven.
        EXPECT_TRUE(carte->broches_support().vcc);
        EXPECT_TRUE(puce->appels.back().b.vcc);
    }
}

TEST_F(Carte, sans_puce_la_ligne_ne_porte_que_data_out) {
    Pannes_simulateur p;
    p.sans_puce = true;
    monte(p);
    puce->tire_bas = true; // would hold the line low if it were in the socket
    EXPECT_FALSE(carte->puce_dans_support());
    // An empty socket does not hide the programmer.
    EXPECT_TRUE(donnee_rebouclee());
    Power_on();
    data_a_1();
    EXPECT_EQ(get_b_data(), 1);
    EXPECT_EQ(carte->niveau_bus(), std::optional<bool>(true));
    EXPECT_TRUE(puce->appels.empty());
    EXPECT_TRUE(puce->sorties.empty());
}

TEST_F(Carte, support_vide_sans_modele) {
    auto c = std::make_unique<Carte_simulee>(nullptr);
    Carte_simulee* brute = c.get();
    installe_backend(std::move(c));
    EXPECT_FALSE(brute->puce_dans_support());
    EXPECT_TRUE(donnee_rebouclee());
    data_a_1();
    attente(10);
    EXPECT_EQ(get_b_data(), 1);
}

TEST_F(Carte, port_ferme_les_ecritures_n_atteignent_pas_la_carte) {
    monte();
    carte->ecrit_donnee(0x00);
    EXPECT_EQ(carte->lit_etat(), 0xFF);
    EXPECT_TRUE(puce->appels.empty());
    EXPECT_EQ(carte->nb_acces(), 0);
    EXPECT_EQ(carte->horloge_ns(), 0);
    EXPECT_TRUE(carte->ouvre(0x278)); // no privileges needed
    carte->ecrit_donnee(0x00);
    EXPECT_EQ(puce->appels.size(), 1u);
    carte->ferme();
    EXPECT_FALSE(carte->ouvert());
    carte->ecrit_donnee(0xFF);
    EXPECT_EQ(puce->appels.size(), 1u);
}

// Virtual clock.

TEST_F(Carte, chaque_acces_au_port_coute_son_temps) {
    for (int64_t cout : {int64_t{1000}, int64_t{250}}) {
        SCOPED_TRACE(cout);
        monte({}, brochage_korval, 0, cout);
        carte->ouvre(0x378);
        carte->ecrit_donnee(0xFF);
        carte->ecrit_donnee(0xFB);
        carte->lit_etat();
        carte->ecrit_donnee(0xFB);
        carte->lit_etat();
        EXPECT_EQ(carte->horloge_ns(), 5 * cout);
        EXPECT_EQ(carte->temps_ecoule_ns(), 5 * cout);
        EXPECT_EQ(carte->nb_acces(), 5);
        ASSERT_EQ(puce->appels.size(), 3u);
        EXPECT_EQ(puce->appels[0].t_ns, cout);
        EXPECT_EQ(puce->appels[1].t_ns, 2 * cout);
        EXPECT_EQ(puce->appels[2].t_ns, 4 * cout);
    }
}

TEST_F(Carte, attente_saute_l_horloge_et_previent_la_puce) {
    monte();
    init_port();
    Power_on();
    Broches avant = carte->broches_support();
    int64_t t0 = carte->horloge_ns();
    std::size_t appels = puce->appels.size();

    attente(10000);
    EXPECT_EQ(carte->horloge_ns(), t0 + 10'000'000);
    ASSERT_EQ(puce->appels.size(), appels + 1);
    EXPECT_EQ(puce->appels.back().t_ns, t0 + 10'000'000);
    EXPECT_EQ(puce->appels.back().b, avant);

    val_tempo = 5;
    t0 = carte->horloge_ns();
    attente(100);
    EXPECT_EQ(carte->horloge_ns(), t0 + 105'000);
}

TEST_F(Carte, attente_deja_ecoulee_coute_une_lecture_d_horloge) {
    monte();
    carte->ouvre(0x378);
    int64_t debut = carte->horloge_ns();
    carte->ecrit_donnee(0xFF);
    carte->ecrit_donnee(0xFF);
    int64_t t = carte->horloge_ns();
    carte->attend(debut, 1500); // 2000 ns of port accesses already passed
    EXPECT_EQ(carte->horloge_ns(), t + carte->horloge_carte().cout_lecture_ns);

    val_tempo = -3;
    t = carte->horloge_ns();
    attente(2); // n + val_tempo below 0: returns after its second clock reading
    EXPECT_EQ(carte->horloge_ns(), t + carte->horloge_carte().cout_lecture_ns);
}

} // namespace
