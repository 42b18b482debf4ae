// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"
#include "faux_port.h"

#include "core/catalogue.h"
#include "pic/commandes.h"
#include "port/port.h"

namespace {

class Commandes : public test::Etat_propre {
  protected:
    test::Faux_port* port = nullptr;
    test::Enregistreur_messages messages;

    void SetUp() override {
        Etat_propre::SetUp();
        auto p = std::make_unique<test::Faux_port>();
        port = p.get();
        installe_backend(std::move(p));
        tab_pic.push_back({"PIC16F84", 1024, 64, 1, 0, 1, 1, 0});
        init_port();
        port->ecritures.clear();
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }
};

TEST_F(Commandes, bits_des_commandes_et_des_donnees_poids_faible_d_abord) {
    put_command(6);
    EXPECT_EQ(port->bits_sur_fronts_descendants(), (std::vector<int>{0, 1, 1, 0, 0, 0}));
    port->ecritures.clear();
    put_data(0xFFFF);
    EXPECT_EQ(port->bits_sur_fronts_descendants(), std::vector<int>(14, 1));
    port->ecritures.clear();
    Load_Data_For_Program_Memory(0x2805);
    // DATA 1, the 6 command bits, DATA 1, start 0, 14 data bits, stop 0.
    std::vector<int> attendu = {0, 1, 0, 0, 0, 0, 0};
    for (int i = 0; i < 14; ++i) attendu.push_back((0x2805 >> i) & 1);
    attendu.push_back(0);
    EXPECT_EQ(port->bits_sur_fronts_descendants(), attendu);
}

TEST_F(Commandes, lecture_du_programme_sans_data_a_un) {
    data_a_0();
    port->ecritures.clear();
    port->entree = [](const test::Etat_lignes&) { return true; };
    EXPECT_EQ(Read_Data_From_Program_Memory(), 0x3FFF);
    // The first write is the first clock rise of the command: DATA_OUT was not raised first.
    ASSERT_FALSE(port->ecritures.empty());
    EXPECT_TRUE(port->ecritures[0].clk);
    EXPECT_FALSE(port->ecritures[0].data);
    // The read frame keeps DATA_OUT at 1 for its 16 clocks.
    std::vector<int> bits = port->bits_sur_fronts_descendants();
    ASSERT_EQ(bits.size(), 6u + 16u);
    for (std::size_t i = 6; i < bits.size(); ++i) EXPECT_EQ(bits[i], 1);

    port->ecritures.clear();
    Read_Data_From_Data_Memory();
    EXPECT_TRUE(port->ecritures[0].data);
    EXPECT_FALSE(port->ecritures[0].clk);
}

TEST_F(Commandes, mot_lu_bit_par_bit) {
    // The chip answers 0x2A5B: bit k after the k-th data clock of the frame.
    const uint16_t mot = 0x2A5B;
    int lectures = 0;
    port->entree = [&](const test::Etat_lignes&) { return ((mot >> lectures++) & 1) != 0; };
    EXPECT_EQ(Read_Data_From_Program_Memory(), mot);
    EXPECT_EQ(lectures, 14);
}

TEST_F(Commandes, attentes_des_commandes_de_programmation) {
    int64_t debut = port->maintenant;
    Begin_Programming();
    int64_t duree_10ms = port->maintenant - debut;
    debut = port->maintenant;
    Algo2_Begin_Programming();
    int64_t duree_100us = port->maintenant - debut;
    // Command prelude and bits cost a few µs; the wait after it dominates.
    EXPECT_GE(duree_10ms, 10000 * 1000);
    EXPECT_LT(duree_10ms, 10100 * 1000);
    EXPECT_GE(duree_100us, 100 * 1000);
    EXPECT_LT(duree_100us, 200 * 1000);
    val_tempo = 5;
    debut = port->maintenant;
    Algo2_Begin_Programming();
    // Each of the 1 + 12 bit waits and the pulse grow by 5 µs.
    EXPECT_EQ(port->maintenant - debut, duree_100us + 14 * 5000);
}

TEST_F(Commandes, detection_du_programmateur) {
    EXPECT_EQ(Detect_Programmateur(), 1);
    EXPECT_FALSE(port->ecritures.back().data);
    port->entree = [](const test::Etat_lignes&) { return true; };
    EXPECT_EQ(Detect_Programmateur(), 0);
    port->entree = [](const test::Etat_lignes&) { return false; };
    EXPECT_EQ(Detect_Programmateur(), 0);
}

TEST_F(Commandes, mode_programmation_par_la_bonne_vpp) {
    Power_on();
    Commence_Prog_Mode();
    EXPECT_TRUE(port->ecritures.back().vpp1);
    EXPECT_FALSE(port->ecritures.back().vpp2);
    EXPECT_FALSE(port->ecritures.back().clk);
    EXPECT_FALSE(port->ecritures.back().data);
    Fini_Prog_Mode();
    EXPECT_FALSE(port->ecritures.back().vpp1);
    EXPECT_TRUE(port->ecritures.back().vcc);
    tab_pic[0].vpp40 = 1;
    Commence_Prog_Mode();
    EXPECT_TRUE(port->ecritures.back().vpp2);
    EXPECT_FALSE(port->ecritures.back().vpp1);
}

TEST_F(Commandes, rapport_d_erreur_et_mise_hors_tension) {
    Power_on();
    Commence_Prog_Mode();
    prog_erreur(0x2007, 0x3FF1, 0x3FFF, "Mot de Configuration :\n");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].texte,
              "Mot de Configuration :\n\nUn problème est survenu : \nAdresse 2007\n"
              "Donnee envoyée 3FF1\n Donnée reçue 3FFF\n");
    EXPECT_EQ(messages.messages()[0].fin, 0);
    const test::Etat_lignes& fin = port->ecritures.back();
    EXPECT_FALSE(fin.vcc || fin.vpp1 || fin.vpp2);
    messages.vide();
    prog_erreur(0x12345, 0x1FFFF, 0, "Programme : ");
    EXPECT_NE(
        messages.messages()[0].texte.find("Adresse 2345\nDonnee envoyée FFFF\n Donnée reçue 0\n"),
        std::string::npos);
}

TEST_F(Commandes, sans_composant_rien_n_est_lu) {
    tab_pic.clear();
    EXPECT_EQ(composant_choisi(), nullptr);
    ASSERT_EQ(messages.messages().size(), 1u);
}

} // namespace
