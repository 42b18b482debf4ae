// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithms 4, 5 and 6 end to end on the simulated 16F628A, 16F877A and 12F675: what the chip
// holds after writing, erasing and rewriting, as the user's operations run them.
#include "simulateur_pic.h"

#include "hex/hex.h"
#include "operations/interruption.h"
#include "operations/operations.h"
#include "pic/commandes.h"
#include "pic/dispatch.h"
#include "port/port.h"
#include "sim/puces/puce_flash_recente.h"

#include <csignal>

namespace {

using test::Simulateur_pic;

struct Cas {
    const char* nom;
    const char* source;  // tests/fixtures
    uint16_t protection; // CP and CPD bits of the configuration word
};

const Cas cas[] = {
    {"PIC16F628A", "pic16f628a.asm", 0x2100},
    {"PIC16F877A", "pic16f877a.asm", 0x2100},
    {"PIC12F675", "pic12f675.asm", 0x0180},
};

class Flash_recente : public Simulateur_pic {
  protected:
    const Contenu_pic& c() { return puce().contenu(); }

    // The chip holds the image: its words (blank where the image has none), data, IDs and
    // configuration; on a 12F6xx the factory OSCCAL and bandgap bits instead of the file's.
    void contient(const Memoire_PIC& m, int osccal, uint16_t bandgap, int id = -1) {
        const Desc_PIC& p = *pic_courant();
        for (int i = 0; i < p.taille_prog; ++i) {
            const auto k = static_cast<std::size_t>(i);
            uint16_t attendu = m.prog[k] == 0xFFFF ? 0x3FFF : m.prog[k];
            if (osccal >= 0 && i == p.taille_prog - 1) attendu = static_cast<uint16_t>(osccal);
            ASSERT_EQ(c().programme[k], attendu) << "word " << i;
        }
        for (int i = 0; i < p.taille_donnee; ++i)
            ASSERT_EQ(c().donnees[static_cast<std::size_t>(i)],
                      m.donnee[static_cast<std::size_t>(i)])
                << "byte " << i;
        // An ID at FF in the image is left erased.
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(c().ids[k], id >= 0 ? id : m.id[k] == 0xFF ? 0x3FFF : m.id[k]);
        // 12F6xx: bits 11..9 read 0.
        EXPECT_EQ(c().config, osccal >= 0 ? (m.config & 0x01FF) | bandgap : m.config);
    }
    // Blank, but for the factory calibration.
    void vierge(int osccal, uint16_t bandgap) {
        Memoire_PIC m(osccal >= 0 ? 0x01FF | bandgap : 0x3FFF);
        contient(m, osccal, bandgap, 0x3FFF);
    }
};

TEST_F(Flash_recente, ecrit_compare_relit_efface_et_reecrit_une_puce_protegee) {
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        prepare(k.nom);
        const std::string hex = test::assemble(k.source, "inhx32", rep);
        ASSERT_FALSE(hex.empty());
        const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
        ASSERT_TRUE(m);
        const int osccal = puce().mot_calibration();
        const uint16_t bandgap = c().config & 0x3000;
        if (osccal >= 0) {
            EXPECT_EQ(bandgap, Puce_flash_recente::bandgap_usine);
            EXPECT_EQ(osccal & 0x3F00, 0x3400) << "RETLW";
        }

        // Written, compared, read back identical.
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(hors_tension());
        contient(*m, osccal, bandgap);
        const std::optional<Rapport_comparaison> r = compare_image(*m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        Memoire_PIC lu;
        ASSERT_EQ(lit_image(lu), OPERATION_REUSSIE);
        for (int i = 0; i < pic_courant()->taille_prog; ++i)
            ASSERT_EQ(lu.prog[static_cast<std::size_t>(i)],
                      c().programme[static_cast<std::size_t>(i)]);
        EXPECT_EQ(lu.donnee, m->donnee);
        EXPECT_EQ(lu.config, c().config);

        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        vierge(osccal, bandgap);

        // A protected chip reads 0, then is erased by the next write and rewritten.
        Memoire_PIC protegee = *m;
        protegee.config = static_cast<uint16_t>(m->config & ~k.protection);
        ASSERT_EQ(ecrit_image(protegee), OPERATION_REUSSIE) << dernier_message();
        EXPECT_TRUE(puce().programme_protege(0));
        const std::optional<Rapport_comparaison> rp = compare_image(protegee);
        ASSERT_TRUE(rp);
        EXPECT_NE(rp->texte.find("La mémoire est protégée\n"), std::string::npos) << rp->texte;
        EXPECT_EQ(r->texte.find("La mémoire est protégée"), std::string::npos) << r->texte;
        std::vector<uint16_t> prog = tampon_prog_vierge();
        Lit_tout_de_PM(prog.data());
        EXPECT_EQ(prog[1], 0);
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        contient(*m, osccal, bandgap);

        // The chip was driven by the book: VPP first where the configuration makes the part run
        // its code from VDD on (16F628A and 12F675 here), full cycle times.
        EXPECT_EQ(puce().nombre_violations(), 0) << nom_violation(puce().violations().front().genre)
                                                 << " at " << puce().violations().front().adresse;
        EXPECT_TRUE(recus().empty()) << dernier_message();
        termine_simulateur();
    }
}

// Every later flash part of the catalogue: both ends of its program and data memories written,
// compared and erased.
TEST_F(Flash_recente, chaque_partie_du_catalogue) {
    int parties = 0;
    for (const Desc_PIC& p : std::vector<Desc_PIC>(tab_pic)) {
        if (p.algo < 4 || p.algo > 6) continue;
        SCOPED_TRACE(p.nom);
        ++parties;
        prepare(p.nom);
        const int osccal = puce().mot_calibration();
        const uint16_t bandgap = c().config & 0x3000;
        Memoire_PIC m(osccal >= 0 ? 0x01F7 | bandgap : 0x3FF7);
        m.config_definie = true;
        const auto dernier = static_cast<std::size_t>(p.taille_prog - (osccal >= 0 ? 2 : 1));
        m.prog[0] = 0x2805;
        m.prog[dernier] = 0x0123;
        m.donnee[0] = 0x5A;
        m.donnee[static_cast<std::size_t>(p.taille_donnee - 1)] = 0xA5;
        m.id[3] = 0x0C;
        ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
        contient(m, osccal, bandgap);
        const std::optional<Rapport_comparaison> r = compare_image(m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        vierge(osccal, bandgap);
        EXPECT_EQ(puce().nombre_violations(), 0);
        termine_simulateur();
    }
    EXPECT_EQ(parties, 11);
}

// A data-only write (a byte file, or the program area disabled) keeps the program, IDs and
// configuration; a write of part of the program memory keeps the words outside its range; an
// erase keeps a disabled area.
TEST_F(Flash_recente, ce_que_l_ecriture_ne_reecrit_pas_est_garde) {
    for (const Cas& k : cas) {
        SCOPED_TRACE(k.nom);
        prepare(k.nom);
        const std::string hex = test::assemble(k.source, "inhx32", rep);
        ASSERT_FALSE(hex.empty());
        const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        const Contenu_pic avant = c();

        Memoire_PIC donnees(0x3FFF);
        donnees.donnee[0] = 0x42;
        le_prog_enable = le_ID_enable = le_config_enable = 0;
        ASSERT_EQ(ecrit_image(donnees), OPERATION_REUSSIE) << dernier_message();
        Contenu_pic attendu = avant;
        std::fill(attendu.donnees.begin(), attendu.donnees.end(), uint8_t{0xFF});
        attendu.donnees[0] = 0x42;
        EXPECT_EQ(c(), attendu);

        le_prog_enable = le_ID_enable = le_config_enable = 1;
        le_data_enable = 0;
        le_prog_deb = 4;
        le_prog_fin = 7;
        Memoire_PIC debut = *m;
        debut.prog[5] = 0x0000;
        ASSERT_EQ(ecrit_image(debut), OPERATION_REUSSIE) << dernier_message();
        attendu.programme[5] = 0x0000;
        attendu.programme[6] = attendu.programme[7] = 0x3FFF;
        for (int i : {6, 7}) // within the range, as the image has them
            if (m->prog[static_cast<std::size_t>(i)] != 0xFFFF)
                attendu.programme[static_cast<std::size_t>(i)] =
                    m->prog[static_cast<std::size_t>(i)];
        EXPECT_EQ(c(), attendu);

        // Erasing with the program area disabled keeps the program memory.
        le_prog_deb = 0;
        le_prog_fin = 0xFFFF;
        le_prog_enable = 0;
        le_data_enable = 1;
        ASSERT_EQ(efface_puce(), OPERATION_REUSSIE) << dernier_message();
        EXPECT_EQ(c().programme, attendu.programme);
        EXPECT_EQ(c().donnees[0], 0xFF);
        EXPECT_EQ(c().config & 0x01FF, 0x01FF);
        EXPECT_EQ(puce().nombre_violations(), 0);
        le_prog_enable = 1;
        termine_simulateur();
    }
}

// A 16F628A and a 12F675 whose configuration runs their code from VDD on: a VDD-first entry
// with VPP a millisecond later reads nothing; the algorithms, VPP first, read the chip.
TEST_F(Flash_recente, vpp_avant_vdd_pour_les_puces_qui_demarrent_seules) {
    // Internal oscillator, MCLR off.
    for (auto [nom, config] : {std::pair{"PIC16F628A", 0x3F50}, std::pair{"PIC12F675", 0x3FC4}}) {
        SCOPED_TRACE(nom);
        prepare(nom);
        Memoire_PIC m(static_cast<uint16_t>(config));
        m.config_definie = true;
        m.prog[0] = 0x2805;
        ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
        ASSERT_TRUE(dynamic_cast<Puce_flash_recente&>(puce()).execute_des_la_mise_sous_tension());

        init_port();
        Power_on();
        attente(1000);
        Commence_Prog_Mode();
        EXPECT_EQ(Read_Data_From_Program_Memory(), 0x3FFF);
        Fini_Prog_Mode();
        Power_off();
        EXPECT_EQ(puce().nombre_violations(Genre_violation::entree_refusee), 1);

        auto& modele = dynamic_cast<Puce_flash_recente&>(puce());
        const int entrees = modele.entrees_vpp_d_abord();
        std::vector<uint16_t> prog = tampon_prog_vierge();
        Lit_tout_de_PM(prog.data());
        EXPECT_EQ(prog[0], 0x2805);
        EXPECT_EQ(modele.entrees_vpp_d_abord(), entrees + 1);
        EXPECT_EQ(puce().nombre_violations(), 1);
        termine_simulateur();
    }
}

// A 12F675 whose calibration word was lost is not erased; the word can come from the file when
// writing it is allowed.
TEST_F(Flash_recente, calibration_perdue_arrete_avant_l_effacement) {
    prepare("PIC12F675");
    puce().contenu().programme[1023] = 0x3FFF;
    puce().contenu().donnees[0] = 0x12;
    Memoire_PIC m;
    m.prog[0] = 0x2805;
    m.prog[1023] = 0x3480;
    EXPECT_EQ(ecrit_image(m), OPERATION_ECHOUEE);
    EXPECT_NE(dernier_message().find("RETLW"), std::string::npos) << dernier_message();
    EXPECT_EQ(puce().contenu().donnees[0], 0x12) << "not erased";
    EXPECT_TRUE(hors_tension());

    osc_int_enable = 1;
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
    EXPECT_EQ(puce().contenu().programme[0], 0x2805);
    EXPECT_EQ(puce().contenu().programme[1023], 0x3480);

    // Writing the word allowed, and a file without one: the chip keeps its own.
    m.prog[1023] = 0xFFFF;
    m.prog[0] = 0x2806;
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
    EXPECT_EQ(puce().contenu().programme[0], 0x2806);
    EXPECT_EQ(puce().contenu().programme[1023], 0x3480);
}

// Writing and erasing first check the device ID: another part, or none, is left untouched.
TEST_F(Flash_recente, un_autre_composant_dans_le_support_n_est_pas_touche) {
    struct Support {
        const char* choisi;
        const char* dans_support;
        std::vector<std::string> pannes;
        const char* message;
    };
    const Support liste[] = {
        {"PIC16F628A",
         "PIC12F675",
         {},
         "Le composant dans le support est un PIC12F675 (ID 0FC3), pas un PIC16F628A"},
        {"PIC12F675", "PIC16F628", {}, "Le composant dans le support est un PIC16F628 (ID 07"},
        {"PIC16F877A",
         "PIC16F84",
         {},
         "Le composant dans le support ne répond pas (ID 3FFF) : absent ou protégé, pas un "
         "PIC16F877A"},
        {"PIC12F629", "", {"sans-puce"}, "absent ou protégé, pas un PIC12F629"},
    };
    for (const Support& k : liste) {
        SCOPED_TRACE(std::string(k.choisi) + " / " + k.dans_support);
        prepare(k.choisi, k.pannes, k.dans_support);
        Contenu_pic avant;
        if (carte().puce()) {
            puce().contenu().programme[0] = 0x0123;
            avant = puce().contenu();
        }
        Memoire_PIC m;
        m.prog[0] = 0x2805;
        EXPECT_EQ(ecrit_image(m), OPERATION_ECHOUEE);
        EXPECT_EQ(efface_puce(), OPERATION_ECHOUEE);
        EXPECT_NE(dernier_message().find(k.message), std::string::npos) << dernier_message();
        if (carte().puce()) {
            EXPECT_EQ(puce().contenu(), avant);
        }
        EXPECT_TRUE(hors_tension());
        termine_simulateur();
    }
}

// Algorithm 1 pointed at a 16F877A: the device ID stops it; forced, its one-word cycles go
// through the chip's latch, which wipes the rest of each group and programs the configuration
// word with an empty latch slot.
TEST_F(Flash_recente, algorithme_1_sur_un_16F877A_echoue) {
    prepare("PIC16F877", {}, "PIC16F877A");
    const std::string hex = test::assemble("pic16f877a.asm", "inhx32", rep);
    ASSERT_FALSE(hex.empty());
    const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
    const Contenu_pic avant = puce().contenu();
    EXPECT_EQ(ecrit_image(*m), OPERATION_ECHOUEE);
    EXPECT_NE(dernier_message().find("est un PIC16F877A (ID 0E23), pas un PIC16F877"),
              std::string::npos)
        << dernier_message();
    EXPECT_EQ(puce().contenu(), avant);
    EXPECT_EQ(ecrit_image(*m, true), OPERATION_ECHOUEE);
    EXPECT_NE(dernier_message().find("Adresse"), std::string::npos) << dernier_message();
    EXPECT_NE(c().programme[1], m->prog[1]) << "word 1 lost when word 2 of its group was written";
}

// A hobbyist's 12F675 project (internal oscillator, MCLR off, configuration through the
// header's names): written, compared and read back; once written the part runs its code from
// VDD on, and the second write still enters programming mode, VPP first after the supply has
// decayed.
TEST_F(Flash_recente, projet_12f675_a_oscillateur_interne_ecrit_deux_fois) {
    prepare("PIC12F675");
    const std::string hex = test::assemble("pic12f675_intrc.asm", "inhx32", rep);
    ASSERT_FALSE(hex.empty());
    const std::unique_ptr<Memoire_PIC> m = Lire_Fichier_Hex_PIC(hex);
    ASSERT_TRUE(m);
    const int osccal = puce().mot_calibration();
    const uint16_t bandgap = c().config & 0x3000;
    auto& modele = dynamic_cast<Puce_flash_recente&>(puce());
    for (int fois = 1; fois <= 2; ++fois) {
        SCOPED_TRACE(fois);
        const int entrees = modele.entrees_vpp_d_abord();
        ASSERT_EQ(ecrit_image(*m), OPERATION_REUSSIE) << dernier_message();
        contient(*m, osccal, bandgap);
        EXPECT_TRUE(modele.execute_des_la_mise_sous_tension());
        EXPECT_GT(modele.entrees_vpp_d_abord(), entrees);
        const std::optional<Rapport_comparaison> r = compare_image(*m);
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->difference) << r->texte;
        Memoire_PIC lu;
        ASSERT_EQ(lit_image(lu), OPERATION_REUSSIE);
        EXPECT_TRUE(std::equal(c().programme.begin(), c().programme.end(), lu.prog.begin()));
        EXPECT_EQ(lu.config, c().config);
    }
    EXPECT_EQ(puce().nombre_violations(), 0) << nom_violation(puce().violations().front().genre);
    EXPECT_TRUE(recus().empty()) << dernier_message();
}

// Every later flash family: the protection fuses of an image's configuration word are seen
// (ecrire asks --proteger for them), and a file without configuration word leaves the erased
// one, unprotected, with the 12F6xx's bandgap bits, and says so.
TEST_F(Flash_recente, protection_et_fichier_sans_mot_de_configuration) {
    struct Cas_config {
        const char* nom;
        uint16_t config;
        std::vector<std::string> protections;
    };
    const Cas_config liste[] = {
        {"PIC16F628A", 0x1FFF, {"CP0"}}, {"PIC16F628A", 0x3EFF, {"CPD"}},
        {"PIC16F877A", 0x1FFF, {"CP0"}}, {"PIC16F877A", 0x39FF, {"WRT"}},
        {"PIC12F675", 0x3F7F, {"CP0"}},  {"PIC16F676", 0x3EFF, {"CPD"}},
        {"PIC12F629", 0x3FFF, {}},
    };
    for (const Cas_config& k : liste) {
        SCOPED_TRACE(std::string(k.nom) + " " + std::to_string(k.config));
        prepare(k.nom);
        Memoire_PIC m(k.config);
        m.prog[0] = 0x3000;
        EXPECT_TRUE(protections_ecrites(m).empty()) << "no configuration word in the file";
        m.config_definie = true;
        EXPECT_EQ(protections_ecrites(m), k.protections);

        // Written without one: the chip's old word (internal oscillator, MCLR off) is erased.
        const bool c6xx = puce().mot_calibration() >= 0;
        const uint16_t bandgap = c().config & 0x3000;
        puce().contenu().config = static_cast<uint16_t>(c6xx ? 0x01C4 | bandgap : 0x3F50);
        m.config_definie = false;
        ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
        EXPECT_EQ(dernier_message(),
                  "Le fichier ne contient pas de mot de configuration : il n'est pas écrit");
        EXPECT_EQ(c().config, c6xx ? 0x01FF | bandgap : 0x3FFF);
        EXPECT_EQ(c().programme[0], 0x3000);
        EXPECT_FALSE(puce().programme_protege(0));
        EXPECT_EQ(puce().nombre_violations(), 0);
        termine_simulateur();
    }
}

// A data-only write whose restore or write fails on a faulty chip: everything the write keeps is
// still written back (program words, OSCCAL, IDs, configuration with its bandgap bits), no
// protection appears, the write fails and says what was restored and what was lost.
TEST_F(Flash_recente, la_restauration_va_au_bout_malgre_une_panne) {
    struct Cas_panne {
        const char* nom;
        const char* panne;
        uint16_t config;   // unprotected; the 12F6xx's with its bandgap bits
        uint8_t octet;     // the data written
        const char* bilan; // in the message
    };
    const Cas_panne liste[] = {
        {"PIC12F675", "cellule-morte", 0x01C4, 0x42,
         "Mots de programme gardés perdus : 1 sur 10 (adresse 0"},
        {"PIC16F877A", "cellule-morte", 0x3F71, 0x42,
         "Mots de programme gardés perdus : 1 sur 10 (adresse 0"},
        {"PIC16F628A", "bit-colle", 0x3F50, 0x43, "Mots de programme gardés réécrits"},
    };
    for (const Cas_panne& k : liste) {
        SCOPED_TRACE(std::string(k.nom) + " " + k.panne);
        prepare(k.nom, {k.panne});
        Contenu_pic& contenu = puce().contenu();
        for (int i = 0; i < 10; ++i)
            contenu.programme[static_cast<std::size_t>(i)] = static_cast<uint16_t>(0x2800 + 2 * i);
        contenu.ids = {0x0002, 0x0004, 0x0006, 0x0008};
        const bool c6xx = puce().mot_calibration() >= 0;
        contenu.config = static_cast<uint16_t>((c6xx ? contenu.config & 0x3000 : 0) | k.config);
        const Contenu_pic avant = contenu;

        Memoire_PIC donnees;
        donnees.donnee[0] = k.octet;
        le_prog_enable = le_ID_enable = le_config_enable = 0;
        EXPECT_EQ(ecrit_image(donnees), OPERATION_ECHOUEE);
        le_prog_enable = le_ID_enable = le_config_enable = 1;
        const std::string bilan = dernier_message();
        EXPECT_NE(bilan.find("Après l'effacement de la puce :\n"), std::string::npos) << bilan;
        EXPECT_NE(bilan.find(k.bilan), std::string::npos) << bilan;
        if (c6xx) {
            EXPECT_NE(bilan.find("Calibration OSCCAL " +
                                 std::string(ui2Hex(avant.programme[1023], 4)) + " réécrite"),
                      std::string::npos)
                << bilan;
            EXPECT_NE(bilan.find("Calibration bandgap"), std::string::npos) << bilan;
        }
        for (std::size_t i = 1; i < avant.programme.size(); ++i)
            ASSERT_EQ(c().programme[i], avant.programme[i]) << "word " << i;
        EXPECT_EQ(c().ids, avant.ids);
        EXPECT_EQ(c().config, avant.config);
        EXPECT_FALSE(puce().programme_protege(1));
        EXPECT_FALSE(puce().donnees_protegees());
        EXPECT_TRUE(hors_tension());
        termine_simulateur();
    }
}

// SIGINT during a program write, after the erase: the kept data, OSCCAL and bandgap bits are
// written back first, then the stop is handed to the line driver.
TEST_F(Flash_recente, interruption_apres_l_effacement_restaure_d_abord) {
    prepare("PIC12F675");
    puce().contenu().donnees[5] = 0x5A;
    const Contenu_pic avant = puce().contenu();
    installe_gestion_signaux([](const std::string&) {});
    bool leve = false;
    installe_puits_progression([&](float, const char*, int kind) {
        if (kind == 0 && !leve) {
            leve = true;
            std::raise(SIGINT);
        }
    });
    Memoire_PIC m;
    for (int i = 0; i < 512; ++i) m.prog[static_cast<std::size_t>(i)] = 0x2800;
    le_data_enable = 0;
    EXPECT_EQ(ecrit_image(m), OPERATION_ECHOUEE);
    EXPECT_EQ(signal_interruption, SIGINT);
    signal_interruption = 0;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
    installe_puits_progression({});
    EXPECT_TRUE(leve);
    EXPECT_NE(dernier_message().find("Opération interrompue après l'effacement"), std::string::npos)
        << dernier_message();
    EXPECT_EQ(c().donnees, avant.donnees);
    EXPECT_EQ(c().programme[1023], avant.programme[1023]);
    EXPECT_EQ(c().config, avant.config) << "the erased word with the factory bandgap bits";
    EXPECT_NE(c().programme[511], 0x2800) << "the write stopped";
    EXPECT_EQ(puce().nombre_violations(), 0);
}

} // namespace
