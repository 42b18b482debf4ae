// SPDX-License-Identifier: GPL-2.0-or-later
// The three algorithms and the dispatch, end to end on the simulated chips: what the chip holds
// afterwards, not what the algorithm believes.
#include "simulateur_pic.h"

#include "hex/hex.h"
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/dispatch.h"

namespace {

using test::Simulateur_pic;

// Image of a few words, IDs and configuration, for a device of the given word width.
Memoire_PIC image_type(uint16_t config) {
    Memoire_PIC m;
    const uint16_t mots[] = {0x2805, 0x0000, 0x3FFF, 0x0009, 0x3055, 0x0086, 0x0185, 0x0B8C};
    for (int i = 0; i < 8; ++i) m.prog[static_cast<std::size_t>(i)] = mots[i];
    m.prog[100] = 0x1234;
    m.id[0] = 1;
    m.id[1] = 2;
    m.id[2] = 3;
    m.id[3] = 4;
    m.config = config;
    m.config_definie = true;
    return m;
}

int ecrit_tout(const Memoire_PIC& m) {
    if (Charge_tout_vers_DM(m.donnee.data()) != 0) return -1;
    if (Charge_tout_vers_PM(m.prog.data()) != 0) return -1;
    return Charge_ID_Config(m);
}

using Algo1 = Simulateur_pic;

TEST_F(Algo1, image_assemblee_ecrite_puis_relue) {
    prepare("PIC16F84");
    const std::string hex = test::assemble("pic16f84.asm", "inhx32", rep);
    ASSERT_FALSE(hex.empty());
    std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
    m->config = 0x3FF1;
    ASSERT_EQ(Detect_Programmateur(), 1);
    ASSERT_EQ(ecrit_tout(*m), 0) << dernier_message();
    EXPECT_TRUE(hors_tension());

    const Contenu_pic& c = puce().contenu();
    for (int i = 0; i < 1024; ++i) {
        const uint16_t attendu = m->prog[static_cast<std::size_t>(i)] == 0xFFFF
                                     ? 0x3FFF
                                     : m->prog[static_cast<std::size_t>(i)];
        ASSERT_EQ(c.programme[static_cast<std::size_t>(i)], attendu) << i;
    }
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(c.donnees[static_cast<std::size_t>(i)], m->donnee[static_cast<std::size_t>(i)]);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c.ids[static_cast<std::size_t>(k)], m->id[k]);
    EXPECT_EQ(c.config, 0x3FF1);

    std::vector<uint16_t> prog = tampon_prog_vierge();
    std::vector<uint8_t> donnees = tampon_donnee_vierge();
    Memoire_PIC lu;
    EXPECT_EQ(Lit_tout_de_PM(prog.data()), prog.data());
    EXPECT_TRUE(hors_tension());
    Lit_tout_de_DM(donnees.data());
    Lit_ID_Config(lu);
    EXPECT_TRUE(hors_tension());
    for (int i = 0; i < 1024; ++i)
        EXPECT_EQ(prog[static_cast<std::size_t>(i)], c.programme[static_cast<std::size_t>(i)]);
    EXPECT_EQ(prog[1024], 0xFFFF); // beyond the device: untouched
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(donnees[static_cast<std::size_t>(i)], c.donnees[static_cast<std::size_t>(i)]);
    EXPECT_EQ(donnees[64], 0xFF);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(lu.id[k], m->id[k]);
    EXPECT_EQ(lu.config, 0x3FF1);
    EXPECT_TRUE(recus().empty());
}

TEST_F(Algo1, puce_identique_seulement_lue_et_mots_FFFF_jamais_ecrits) {
    prepare("PIC16F84");
    Memoire_PIC m = image_type(0x3FFF);
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0);

    std::vector<uint16_t> prog = tampon_prog_vierge();
    int64_t t0 = carte().temps_ecoule_ns();
    Lit_tout_de_PM(prog.data());
    const int64_t lecture = carte().temps_ecoule_ns() - t0;
    t0 = carte().temps_ecoule_ns();
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0);
    const int64_t reecriture = carte().temps_ecoule_ns() - t0;
    // The same reads and no 10 ms write cycle.
    EXPECT_LT(reecriture, lecture + 5'000'000);

    // A word 0xFFFF in the image leaves the chip's word alone.
    m.prog[0] = 0xFFFF;
    m.prog[100] = 0xFFFF;
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0);
    EXPECT_EQ(puce().contenu().programme[0], 0x2805);
    EXPECT_EQ(puce().contenu().programme[100], 0x1234);
}

TEST_F(Algo1, plages_et_activations_limitent_ce_qui_est_touche) {
    prepare("PIC16F84");
    Memoire_PIC m = image_type(0x3FF1);
    for (int i = 0; i < 64; ++i) m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    le_prog_deb = 2;
    le_prog_fin = 4;
    le_data_deb = 10;
    le_data_fin = 11;
    le_ID_enable = 0;
    ASSERT_EQ(ecrit_tout(m), 0) << dernier_message();
    const Contenu_pic& c = puce().contenu();
    EXPECT_EQ(c.programme[0], 0x3FFF);
    EXPECT_EQ(c.programme[1], 0x3FFF);
    EXPECT_EQ(c.programme[2], 0x3FFF); // 0x3FFF in the image: already equal
    EXPECT_EQ(c.programme[3], 0x0009);
    EXPECT_EQ(c.programme[4], 0x3055);
    EXPECT_EQ(c.programme[5], 0x3FFF);
    EXPECT_EQ(c.programme[100], 0x3FFF);
    EXPECT_EQ(c.donnees[9], 0xFF);
    EXPECT_EQ(c.donnees[10], 10);
    EXPECT_EQ(c.donnees[11], 11);
    EXPECT_EQ(c.donnees[12], 0xFF);
    EXPECT_EQ(c.ids[0], 0x3FFF);
    EXPECT_EQ(c.config, 0x3FF1);

    // Disabled areas: nothing written, nothing read, the buffers as they were.
    le_prog_enable = 0;
    le_data_enable = 0;
    le_config_enable = 0;
    le_ID_enable = 1;
    m.config = 0x3FF2;
    const int64_t acces = carte().nb_acces();
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), 0);
    EXPECT_EQ(Charge_tout_vers_DM(m.donnee.data()), 0);
    std::vector<uint16_t> prog = tampon_prog_vierge();
    EXPECT_EQ(Lit_tout_de_PM(prog.data())[3], 0xFFFF);
    EXPECT_EQ(carte().nb_acces(), acces);
    ASSERT_EQ(Charge_ID_Config(m), 0);
    EXPECT_EQ(c.ids[0], 1);
    EXPECT_EQ(c.config, 0x3FF1);

    // A last address below the first touches no word; a negative first address counts as 0.
    struct Plage {
        int deb, fin;
        uint16_t mot0, mot1;
    };
    le_prog_enable = 1;
    m.prog[1] = 0x0011;
    for (const Plage& p : {Plage{-5, -1, 0x3FFF, 0x3FFF}, Plage{1, 0, 0x3FFF, 0x3FFF},
                           Plage{-5, 0, 0x2805, 0x3FFF}}) {
        SCOPED_TRACE(testing::Message() << p.deb << ".." << p.fin);
        le_prog_deb = p.deb;
        le_prog_fin = p.fin;
        ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0);
        EXPECT_EQ(c.programme[0], p.mot0);
        EXPECT_EQ(c.programme[1], p.mot1);
    }
}

TEST_F(Algo1, effacement_d_une_puce_protegee) {
    prepare("PIC16F84");
    Memoire_PIC m = image_type(0x000D); // CP on, power-up timer on, XT
    m.donnee[0] = 0x42;
    ASSERT_EQ(ecrit_tout(m), 0) << dernier_message();
    ASSERT_TRUE(puce().programme_protege(0));
    std::vector<uint16_t> prog = tampon_prog_vierge();
    Lit_tout_de_PM(prog.data());
    EXPECT_EQ(prog[0], 0x0000); // protected words read 0

    Efface_DM_et_PM();
    EXPECT_TRUE(hors_tension());
    const Contenu_pic& c = puce().contenu();
    EXPECT_FALSE(puce().programme_protege(0));
    EXPECT_EQ(c.config, puce().config_vierge());
    for (uint16_t w : c.programme) ASSERT_EQ(w, 0x3FFF);
    for (uint8_t b : c.donnees) ASSERT_EQ(b, 0xFF);
    Lit_tout_de_PM(prog.data());
    EXPECT_EQ(prog[0], 0x3FFF);
}

TEST_F(Algo1, pannes_donnent_le_message_et_la_puce_hors_tension) {
    struct Cas {
        const char* panne;
        const char* debut_message;
    };
    const Cas cas[] = {
        {"sans-puce", "Programme : \nUn problème est survenu : \nAdresse 0\nDonnee envoyée 2805\n "
                      "Donnée reçue 3FFF\n"},
        {"cellule-morte", "Programme : \nUn problème est survenu : \nAdresse 0\n"},
        {"occupee", "Programme : \nUn problème est survenu : \nAdresse 0\n"},
        {"bit-colle", "Programme : \nUn problème est survenu : \nAdresse 0\nDonnee envoyée 2805\n "
                      "Donnée reçue 2804\n"},
        {"mauvaise-position", "Programme : \nUn problème est survenu : \nAdresse 0\n"},
        {"sans-programmateur", "Programme : \nUn problème est survenu : \nAdresse 0\n"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.panne);
        termine_simulateur();
        messages->vide();
        prepare("PIC16F84", {c.panne});
        Memoire_PIC m = image_type(0x3FF1);
        m.donnee[0] = 0x42;
        EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
        ASSERT_EQ(recus().size(), 1u);
        EXPECT_EQ(dernier_message().rfind(c.debut_message, 0), 0u) << dernier_message();
        EXPECT_EQ(recus()[0].fin, 0);
        EXPECT_TRUE(hors_tension());
        if (std::string(c.panne) == "sans-programmateur") {
            EXPECT_EQ(Detect_Programmateur(), 0);
        } else if (std::string(c.panne) != "sans-puce") {
            // Nothing beyond the failing word was written.
            if (auto* p = dynamic_cast<Puce_pic*>(carte().puce())) {
                EXPECT_EQ(p->contenu().programme[1], 0x3FFF);
            }
        }
    }
}

TEST_F(Algo1, puce_differente_du_composant_choisi) {
    // A 16F877 (40-pin position, VPP2) while a 16F84 is selected: no programming voltage reaches
    // it.
    prepare("PIC16F84", {}, "PIC16F877");
    Memoire_PIC m = image_type(0x3FF1);
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
    EXPECT_NE(dernier_message().find("Adresse 0\n"), std::string::npos);
    EXPECT_TRUE(hors_tension());
}

TEST_F(Algo1, tempo_negatif_trop_court_est_un_echec) {
    prepare("PIC16F84");
    val_tempo = -9900; // the 10 ms cycle becomes 0.1 ms
    Memoire_PIC m = image_type(0x3FF1);
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
    EXPECT_NE(dernier_message().find("Programme : "), std::string::npos);
    EXPECT_TRUE(hors_tension());
}

using Algo2 = Simulateur_pic;

TEST_F(Algo2, ecriture_relecture_et_surprogrammation) {
    prepare("PIC16C74");
    Memoire_PIC m = image_type(0x3FB1);
    ASSERT_EQ(ecrit_tout(m), 0) << dernier_message();
    EXPECT_TRUE(hors_tension());
    const Contenu_pic& c = puce().contenu();
    for (int i : {0, 1, 3, 4, 5, 6, 7, 100}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.programme[static_cast<std::size_t>(i)], m.prog[static_cast<std::size_t>(i)]);
        const Suivi_impulsions& s = eprom().suivi_programme(i);
        // A real pulse lasts a little over 100 µs, so a cell may verify a pulse early.
        EXPECT_GE(s.avant_verification, 1);
        EXPECT_LE(s.avant_verification, eprom().impulsions_necessaires_programme(i));
        EXPECT_EQ(s.apres_verification, 3);
    }
    EXPECT_EQ(eprom().suivi_programme(2).impulsions, 0); // 0x3FFF on a blank chip: skipped
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c.ids[static_cast<std::size_t>(k)] & 0x0F, m.id[k]);
    EXPECT_EQ(eprom().suivi_config().impulsions, 100);
    EXPECT_EQ(c.config, 0x3FB1);

    Memoire_PIC lu;
    std::vector<uint16_t> prog = tampon_prog_vierge();
    Lit_tout_de_PM(prog.data());
    Lit_ID_Config(lu);
    EXPECT_EQ(prog[100], 0x1234);
    EXPECT_EQ(lu.config, 0x3FB1);
    EXPECT_EQ(lu.id[3], 4);
    // No data memory on these parts.
    std::vector<uint8_t> d = tampon_donnee_vierge();
    const int64_t acces = carte().nb_acces();
    EXPECT_EQ(Charge_tout_vers_DM(m.donnee.data()), 0);
    EXPECT_EQ(Lit_tout_de_DM(d.data())[0], 0xFF);
    EXPECT_EQ(carte().nb_acces(), acces);
}

TEST_F(Algo2, cellule_lente_et_cellule_morte) {
    prepare("PIC16C74", {"cellule-lente"});
    Memoire_PIC m = image_type(0x3FB1);
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0) << dernier_message();
    EXPECT_GT(eprom().suivi_programme(0).avant_verification, 8);
    EXPECT_LE(eprom().suivi_programme(0).avant_verification, Puce_eprom::impulsions_cellule_lente);
    EXPECT_EQ(eprom().suivi_programme(0).apres_verification, 3);

    termine_simulateur();
    prepare("PIC16C74", {"cellule-morte"});
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
    EXPECT_EQ(eprom().suivi_programme(0).impulsions, 25);
    EXPECT_EQ(dernier_message().rfind("Programme : \nUn problème est survenu : \nAdresse 0\n", 0),
              0u);
    EXPECT_TRUE(hors_tension());
}

TEST_F(Algo2, mot_de_calibration_garde_sauf_sur_demande) {
    prepare("PIC12C672"); // 2048 words, calibration in word 0x7FF
    const int cal = puce().mot_calibration();
    ASSERT_GE(cal, 0);
    Memoire_PIC m;
    m.prog[0x7FF] = static_cast<uint16_t>(cal & 0x3400); // a subset of its bits
    m.prog[0x7FE] = 0x0123;
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0) << dernier_message();
    EXPECT_EQ(puce().contenu().programme[0x7FF], cal);
    EXPECT_EQ(puce().contenu().programme[0x7FE], 0x0123);
    std::vector<uint16_t> prog = tampon_prog_vierge();
    Lit_tout_de_PM(prog.data());
    EXPECT_EQ(prog[0x7FF], cal); // always read

    osc_int_enable = 1;
    ASSERT_EQ(Charge_tout_vers_PM(m.prog.data()), 0) << dernier_message();
    EXPECT_EQ(puce().contenu().programme[0x7FF], cal & 0x3400);
}

TEST_F(Algo2, erreur_de_configuration_sur_seize_bits) {
    prepare("PIC16C74");
    Memoire_PIC m = image_type(0x7FB1); // bit 14 can never read back
    le_ID_enable = 0;
    EXPECT_EQ(Charge_ID_Config(m), -1);
    EXPECT_EQ(dernier_message().rfind(
                  "Mot de configuation :\n\nUn problème est survenu : \nAdresse 2007\n", 0),
              0u)
        << dernier_message();
    EXPECT_TRUE(hors_tension());
}

using Algo3 = Simulateur_pic;

TEST_F(Algo3, ecriture_relecture_onze_fois_n) {
    prepare("PIC12C508");
    const int cal = puce().mot_calibration();
    Memoire_PIC m = image_type(0x0FEA);
    for (auto& w : m.prog)
        if (w != 0xFFFF) w &= 0x0FFF;
    ASSERT_EQ(ecrit_tout(m), 0) << dernier_message();
    EXPECT_TRUE(hors_tension());
    const Contenu_pic& c = puce().contenu();
    for (int i : {0, 1, 3, 4, 100}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.programme[static_cast<std::size_t>(i)], m.prog[static_cast<std::size_t>(i)]);
        const Suivi_impulsions& s = eprom().suivi_programme(i);
        EXPECT_EQ(s.apres_verification, 11 * s.avant_verification);
    }
    EXPECT_EQ(c.programme[511], cal);
    EXPECT_EQ(c.config & 0x0FFF, 0x0FEA);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(c.ids[static_cast<std::size_t>(k)], m.id[k]);

    std::vector<uint16_t> prog = tampon_prog_vierge();
    Memoire_PIC lu;
    Lit_tout_de_PM(prog.data());
    Lit_ID_Config(lu);
    EXPECT_EQ(prog[0], m.prog[0]);
    EXPECT_EQ(prog[511], cal);
    EXPECT_EQ(prog[512], 0xFFFF);
    EXPECT_EQ(lu.id[2], 3);
    EXPECT_EQ(lu.config & 0x0FFF, 0x0FEA);
}

TEST_F(Algo3, cellule_qui_ne_se_programme_jamais_recoit_huit_impulsions) {
    prepare("PIC12C508", {"cellule-lente"}); // needs more than 8 pulses
    Memoire_PIC m = image_type(0x0FEA);
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
    EXPECT_EQ(eprom().suivi_programme(0).impulsions, 8);
    EXPECT_EQ(dernier_message().rfind("Programme : \nUn problème est survenu : \nAdresse 0\n", 0),
              0u);
    EXPECT_TRUE(hors_tension());
}

TEST_F(Algo3, erreur_de_configuration_a_l_adresse_FFF) {
    prepare("PIC12C508");
    Memoire_PIC m = image_type(0x3FEA); // bits 12 and 13 read 0 on these parts
    le_ID_enable = 0;
    EXPECT_EQ(Charge_ID_Config(m), -1);
    EXPECT_EQ(dernier_message().rfind(
                  "Mot de configuration :\n\nUn problème est survenu : \nAdresse FFF\n", 0),
              0u)
        << dernier_message();
}

using Dispatch = Simulateur_pic;

TEST_F(Dispatch, sans_composant_choisi_rien_n_est_fait) {
    prepare("PIC16F84");
    pic_select = 500;
    Memoire_PIC m = image_type(0x3FF1);
    const int64_t acces = carte().nb_acces();
    EXPECT_EQ(Charge_tout_vers_PM(m.prog.data()), -1);
    EXPECT_EQ(Charge_tout_vers_DM(m.donnee.data()), -1);
    EXPECT_EQ(Charge_ID_Config(m), -1);
    std::vector<uint16_t> prog = tampon_prog_vierge();
    EXPECT_EQ(Lit_tout_de_PM(prog.data())[0], 0xFFFF);
    EXPECT_EQ(carte().nb_acces(), acces);
    EXPECT_EQ(recus().size(), 4u);
}

} // namespace
