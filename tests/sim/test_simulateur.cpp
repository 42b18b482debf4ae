// SPDX-License-Identifier: GPL-2.0-or-later
// Setting up the simulated programmer as a front end does.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"
#include "port/trace_vcd.h"
#include "sim/simulateur.h"

#include <filesystem>

namespace {

class Simulateur : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        ASSERT_TRUE(lire_catalogue_fichier(test::fichier_source("data/conf_PICS")));
        pic_select = cherche_pic("PIC16F84");
        ASSERT_GE(pic_select, 0);
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }

    test::Enregistreur_messages messages;
    test::Repertoire_temp rep;
};

TEST_F(Simulateur, options_refusees_rien_n_est_installe) {
    struct Cas {
        const char* nom;
        Options_simulateur o;
        const char* dans_message;
    };
    Options_simulateur panne, puce, type;
    panne.pannes = {"sans-puce", "panne-inconnue"};
    puce.puce = "PIC99X99";
    type.type_carte = 3;
    for (const Cas& c : {Cas{"panne", panne, "panne-inconnue"}, Cas{"puce", puce, "PIC99X99"},
                         Cas{"type", type, "3"}}) {
        SCOPED_TRACE(c.nom);
        messages.vide();
        EXPECT_FALSE(installe_simulateur(c.o));
        EXPECT_EQ(carte_simulee_installee(), nullptr);
        EXPECT_EQ(dynamic_cast<Carte_simulee*>(&backend()), nullptr);
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_NE(messages.messages()[0].texte.find(c.dans_message), std::string::npos);
    }
}

TEST_F(Simulateur, puce_du_support) {
    EXPECT_EQ(desc_puce_support("")->nom, "PIC16F84");
    EXPECT_EQ(desc_puce_support("PIC16F877")->vpp40, 1);
    EXPECT_TRUE(messages.messages().empty());
    pic_select = static_cast<int>(tab_pic.size());
    EXPECT_EQ(desc_puce_support(""), nullptr);
    EXPECT_EQ(messages.messages().size(), 1u);
}

TEST_F(Simulateur, cablage_et_cout_d_acces_choisis) {
    Options_simulateur o;
    o.pannes = {"sans-puce"};
    o.type_carte = 1;
    o.cout_acces_ns = 400;
    ASSERT_TRUE(installe_simulateur(o));
    Carte_simulee* carte = carte_simulee_installee();
    ASSERT_NE(carte, nullptr);
    EXPECT_EQ(&backend(), carte);
    EXPECT_EQ(carte->cablage_carte(), brochage_p16pro);
    c_u = brochage_p16pro;
    init_port();
    Power_on();
    EXPECT_TRUE(carte->broches_support().vcc);
    EXPECT_EQ(carte->temps_ecoule_ns(), carte->nb_acces() * 400);

    o.type_carte = 2;
    o.cablage = brochage_p16pro;
    o.cablage.l[L_CLK] = {0x80, 0};
    ASSERT_TRUE(installe_simulateur(o));
    EXPECT_EQ(carte_simulee_installee()->cablage_carte(), o.cablage);
}

TEST_F(Simulateur, support_vide_laisse_le_fichier_d_etat) {
    std::string chemin = rep.fichier("puce.hex");
    test::ecrit_fichier(chemin, "; puce PIC16F84\r\n");
    Options_simulateur o;
    o.fichier_etat = chemin;
    o.pannes = {"sans-puce"};
    ASSERT_TRUE(installe_simulateur(o));
    EXPECT_EQ(carte_simulee_installee()->puce(), nullptr);
    init_port();
    attente(1000);
    EXPECT_GE(termine_simulateur(), 1'000'000);
    EXPECT_EQ(test::lit_fichier(chemin), "; puce PIC16F84\r\n");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Simulateur, puce_non_simulee_support_vide_avec_message) {
    Desc_PIC d;
    d.nom = "SANS-MODELE";
    d.algo = 0; // a kind no model covers
    d.taille_donnee = 16;
    tab_pic.push_back(d);
    std::string chemin = rep.fichier("puce.hex");
    Options_simulateur o;
    o.puce = d.nom;
    o.fichier_etat = chemin;
    ASSERT_TRUE(installe_simulateur(o));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].texte.find("SANS-MODELE"), std::string::npos);
    ASSERT_NE(carte_simulee_installee(), nullptr);
    EXPECT_EQ(carte_simulee_installee()->puce(), nullptr);
    EXPECT_GE(termine_simulateur(), 0);
    EXPECT_FALSE(std::filesystem::exists(chemin));
}

TEST_F(Simulateur, carte_retrouvee_sous_une_enveloppe) {
    ASSERT_TRUE(installe_simulateur({}));
    Carte_simulee* carte = carte_simulee_installee();
    ASSERT_NE(carte, nullptr);
    std::string vcd = rep.fichier("lignes.vcd");
    demarre_trace_vcd(vcd);
    EXPECT_NE(&backend(), carte);
    EXPECT_EQ(carte_simulee_installee(), carte);
    init_port();
    attente(50);
    EXPECT_EQ(termine_simulateur(), carte->temps_ecoule_ns());
    EXPECT_GE(carte->temps_ecoule_ns(), 50'000);

    // Once the board is gone nothing points at it.
    installe_backend(nullptr);
    EXPECT_EQ(carte_simulee_installee(), nullptr);
    EXPECT_EQ(termine_simulateur(), -1);
    // The trace showed the level on the chip's data pin, which only the board knows.
    EXPECT_NE(test::lit_fichier(vcd).find("DATA_BUS"), std::string::npos);
}

TEST_F(Simulateur, duree_pour_l_utilisateur) {
    EXPECT_EQ(texte_duree(850'000), "850 µs");
    EXPECT_EQ(texte_duree(12'500'000), "12,5 ms");
    EXPECT_EQ(texte_duree(1'234'000'000), "1,234 s");
    EXPECT_EQ(texte_duree(999'999), "1,0 ms");
    EXPECT_EQ(texte_duree(999'999'999), "1,000 s");
    EXPECT_EQ(texte_duree(999'960'000), "1,000 s");
    EXPECT_EQ(texte_duree(999'940'000), "999,9 ms");
    EXPECT_EQ(texte_duree(999'400), "999 µs");
    EXPECT_EQ(texte_duree(0), "0 µs");
}

} // namespace
