// SPDX-License-Identifier: GPL-2.0-or-later
// Class 1 model (16C84, 16F8x, 16F62x, 16F87x) driven by hand-written command sequences.
#include "programmateur_test.h"

#include "sim/puces/puce_flash.h"

namespace {

using test::Programmateur_test;

class Flash : public test::Puces {
  protected:
    // Load, Begin Programming, wait as the data sheets say (10 ms).
    static void ecrit(Programmateur_test& p, int code_charge, unsigned valeur) {
        p.charge(code_charge, valeur);
        p.commande(8);
        p.attend_us(10000);
    }
    // Load Configuration with the word, 7 increments to 0x2007, Begin Programming.
    static void ecrit_config(Programmateur_test& p, unsigned valeur) {
        p.charge(0, valeur);
        p.incremente(7);
        p.commande(8);
        p.attend_us(10000);
    }
    // Code-protection disable: Load Configuration, 1, 7, 8, wait, 1, 7.
    static void sequence_1_7(Programmateur_test& p) {
        p.commande(1);
        p.commande(7);
        p.commande(8);
        p.attend_us(10000);
        p.commande(1);
        p.commande(7);
    }
};

TEST_F(Flash, ecrit_un_mot_au_bout_du_cycle_et_le_relit) {
    Puce_flash puce(pic("PIC16F84"));
    EXPECT_EQ(puce.duree_cycle(), 5'000'000); // half the 10 ms maximum
    Programmateur_test p(puce);
    p.entre();
    p.incremente(3);
    p.charge(2, 0x2805);
    p.commande(8);
    int64_t debut = p.t();
    EXPECT_TRUE(puce.en_cycle(p.t()));
    p.attend_ns(puce.duree_cycle() - 1000);
    EXPECT_EQ(puce.contenu().programme[3], 0x3FFF) << "the new value appears only at the end";
    p.attend_ns(debut + puce.duree_cycle() - p.t());
    EXPECT_FALSE(puce.en_cycle(p.t()));
    EXPECT_EQ(puce.contenu().programme[3], 0x2805);
    EXPECT_EQ(p.lit(), 0x2805u);
    p.incremente();
    EXPECT_EQ(p.lit(), 0x3FFFu);
    EXPECT_EQ(puce.nombre_violations(), 0);
}

TEST_F(Flash, commande_pendant_le_cycle_ignoree_et_cible_laissee_effacee) {
    Puce_flash puce(pic("PIC16F84"));
    puce.contenu().programme[0] = 0x0000;
    Programmateur_test p(puce);
    p.entre();
    p.charge(2, 0x1234);
    p.commande(8);
    p.attend_us(1000);
    EXPECT_EQ(p.trame(4), 0xFFFFu) << "the busy chip does not answer";
    EXPECT_EQ(puce.nombre_violations(Genre_violation::commande_pendant_cycle), 1);
    p.attend_us(10000);
    EXPECT_EQ(puce.contenu().programme[0], 0x3FFF);
    EXPECT_EQ(p.lit(), 0x3FFFu);

    // A longer cycle set by option catches a programmer waiting less.
    Options_puce o;
    o.t_ecriture_ns = 12'000'000;
    Puce_flash lente(pic("PIC16F84"), {}, o);
    Programmateur_test q(lente);
    q.entre();
    ecrit(q, 2, 0x1234);
    EXPECT_EQ(q.lit(), 0x3FFFu);
    EXPECT_EQ(lente.nombre_violations(Genre_violation::commande_pendant_cycle), 1);
}

TEST_F(Flash, sortie_du_mode_pendant_le_cycle) {
    Puce_flash puce(pic("PIC16F84"));
    puce.contenu().programme[0] = 0x0000;
    Programmateur_test p(puce);
    p.entre();
    p.charge(2, 0x1234);
    p.commande(8);
    p.attend_us(1000);
    p.sort();
    EXPECT_EQ(puce.nombre_violations(Genre_violation::cycle_interrompu), 1);
    EXPECT_FALSE(puce.en_cycle(p.t()));
    EXPECT_EQ(puce.contenu().programme[0], 0x3FFF);
}

TEST_F(Flash, compteur_et_memoire_programme_repliee) {
    Puce_flash puce(pic("PIC16F83")); // 512 words
    puce.contenu().programme[5] = 0x0ABC;
    Programmateur_test p(puce);
    p.entre();
    p.incremente(512 + 5);
    EXPECT_EQ(p.lit(), 0x0ABCu);
    ecrit(p, 2, 0x0123);
    EXPECT_EQ(puce.contenu().programme[5], 0x0123);
}

TEST_F(Flash, espace_de_configuration) {
    Puce_flash puce(pic("PIC16F84A"));
    Programmateur_test p(puce);
    p.entre();
    p.charge(0, 0x3FFF);
    EXPECT_EQ(puce.compteur(), 0x2000);
    ecrit(p, 2, 0x2ABC); // ID words keep 14 bits
    EXPECT_EQ(p.lit(), 0x2ABCu);
    p.incremente(4);
    EXPECT_EQ(p.lit(), 0x3FFFu); // 0x2004 reserved
    ecrit(p, 2, 0x0000);
    EXPECT_EQ(puce.nombre_violations(Genre_violation::ecriture_interdite), 1);
    EXPECT_EQ(p.lit(), 0x3FFFu);
    p.incremente(2);
    unsigned id = p.lit(); // 0x2006: device ID and revision
    EXPECT_EQ(id & 0x3FE0, 0x0560u);
    EXPECT_EQ(static_cast<int>(id), puce.mot_id_composant());
    ecrit(p, 2, 0x0000);
    EXPECT_EQ(p.lit(), id) << "read-only";
    p.incremente();
    ecrit(p, 2, 0x3FF1);
    EXPECT_EQ(p.lit(), 0x3FF1u);
    EXPECT_EQ(puce.contenu().config, 0x3FF1);
    // From configuration space the counter wraps within it.
    p.incremente(0x2000 - 7);
    EXPECT_EQ(puce.compteur(), 0x2000);
    EXPECT_EQ(p.lit(), 0x2ABCu);

    // No device ID on the 16F84.
    Puce_flash f84(pic("PIC16F84"));
    Programmateur_test q(f84);
    q.entre();
    q.charge(0, 0x3FFF);
    q.incremente(6);
    EXPECT_EQ(q.lit(), 0x3FFFu);
}

TEST_F(Flash, config_garde_ses_bits_non_implementes) {
    struct Cas {
        const char* nom;
        unsigned lu; // after writing 0x0000
    };
    for (Cas c : {Cas{"PIC16C84", 0x3FE0}, Cas{"PIC16F628", 0x0200}, Cas{"PIC16F877", 0x0400}}) {
        SCOPED_TRACE(c.nom);
        Puce_flash puce(pic(c.nom));
        Programmateur_test p(puce);
        p.entre();
        ecrit_config(p, 0x0000);
        EXPECT_EQ(p.lit(), c.lu);
        EXPECT_EQ(puce.config_vierge(), 0x3FFF);
    }
}

TEST_F(Flash, memoire_de_donnees) {
    Puce_flash puce(pic("PIC16F84")); // 64 bytes
    Programmateur_test p(puce);
    p.entre();
    p.incremente(3);
    ecrit(p, 3, 0x2AB); // only the low 8 bits are kept
    EXPECT_EQ(puce.contenu().donnees[3], 0xAB);
    EXPECT_EQ(p.lit(5), 0xABu);
    p.incremente(64);
    EXPECT_EQ(p.lit(5), 0xABu) << "data address = counter modulo the size";
    EXPECT_EQ(p.lit(4), 0x3FFFu) << "program word 67 is untouched";
}

TEST_F(Flash, effacement_en_bloc_16F84) {
    Puce_flash puce(pic("PIC16F84"));
    Contenu_pic& c = puce.contenu();
    c.programme[0] = 0x2805;
    c.programme[1023] = 0x0000;
    c.ids = {1, 2, 3, 4};
    c.config = 0x3FF1;
    c.donnees[0] = 0x12;
    Programmateur_test p(puce);
    p.entre();
    p.charge(2, 0x3FFF);
    p.commande(9);
    EXPECT_EQ(c.programme[0], 0x2805) << "9 only arms the erase";
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(c.programme[0], 0x3FFF);
    EXPECT_EQ(c.programme[1023], 0x3FFF);
    EXPECT_EQ(c.ids[0], 1) << "counter in program space: IDs kept";
    EXPECT_EQ(c.donnees[0], 0x12);

    // The next 8 is an ordinary write again.
    ecrit(p, 2, 0x0001);
    EXPECT_EQ(c.programme[0], 0x0001);

    // With the counter in configuration space the IDs go too; the config word never.
    p.charge(0, 0x3FFF);
    p.commande(9);
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(c.programme[0], 0x3FFF);
    EXPECT_EQ(c.ids[0], 0x3FFF);
    EXPECT_EQ(c.config, 0x3FF1);

    p.charge(3, 0xFF);
    p.commande(11);
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(c.donnees[0], 0xFF);
    EXPECT_EQ(puce.nombre_violations(), 0);
}

TEST_F(Flash, effacement_selon_la_variante) {
    // 16F84A: 9 erases by itself; 8 after it rewrites the blank latch, harmlessly.
    Puce_flash a(pic("PIC16F84A"));
    a.contenu().programme[7] = 0x0000;
    a.contenu().donnees[1] = 0x00;
    Programmateur_test p(a);
    p.entre();
    p.charge(2, 0x3FFF);
    p.commande(9);
    EXPECT_EQ(a.contenu().programme[7], 0x3FFF);
    p.attend_us(10000);
    p.charge(3, 0xFF);
    p.commande(11);
    p.commande(8);
    p.attend_us(10000);
    EXPECT_EQ(a.contenu().donnees[1], 0xFF);
    EXPECT_EQ(a.nombre_violations(), 0);

    // 16F877: no 9 or 11.
    Puce_flash f877(pic("PIC16F877"));
    f877.contenu().programme[0] = 0x0000;
    Programmateur_test q(f877);
    q.entre();
    q.charge(2, 0x3FFF);
    q.commande(9);
    q.commande(11);
    EXPECT_EQ(f877.nombre_violations(Genre_violation::commande_inconnue), 2);
    EXPECT_EQ(f877.contenu().programme[0], 0x0000);

    // 16F877: 1, 7, 8, 1, 7 in program space erases the memory of the last load only.
    f877.contenu().donnees[0] = 0x00;
    q.charge(2, 0x3FFF);
    sequence_1_7(q);
    EXPECT_EQ(f877.contenu().programme[0], 0x3FFF);
    EXPECT_EQ(f877.contenu().donnees[0], 0x00);
    f877.contenu().programme[0] = 0x0000;
    q.charge(3, 0xFF);
    sequence_1_7(q);
    EXPECT_EQ(f877.contenu().donnees[0], 0xFF);
    EXPECT_EQ(f877.contenu().programme[0], 0x0000);
    // Closed by the second 1, 7: the next 8 writes.
    ecrit(q, 2, 0x0042);
    EXPECT_EQ(f877.contenu().programme[0], 0x0042);
    q.commande(7);
    ecrit(q, 2, 0x0043);
    EXPECT_EQ(f877.contenu().programme[0], 0x0043) << "7 without 1 before it arms nothing";
}

TEST_F(Flash, programmation_sans_effacement_0x18) {
    Puce_flash f628(pic("PIC16F628"));
    f628.contenu().programme[0] = 0x3F0F;
    Programmateur_test p(f628);
    p.entre();
    p.charge(2, 0x30FF);
    p.commande(0x18);
    p.attend_us(20000);
    EXPECT_EQ(f628.contenu().programme[0], 0x300F) << "bits only go from 1 to 0";

    // The 16F84 decodes 0x18 as 8: erase then write.
    Puce_flash f84(pic("PIC16F84"));
    f84.contenu().programme[0] = 0x3F0F;
    Programmateur_test q(f84);
    q.entre();
    q.charge(2, 0x30FF);
    q.commande(0x18);
    q.attend_us(10000);
    EXPECT_EQ(f84.contenu().programme[0], 0x30FF);
}

TEST_F(Flash, protection_puis_sequence_de_deprotection) {
    for (bool aux_increments : {true, false}) {
        SCOPED_TRACE(aux_increments ? "at 0x2007" : "at 0x2000");
        Puce_flash puce(pic("PIC16F84"));
        Contenu_pic& c = puce.contenu();
        c.programme[0] = 0x2805;
        c.donnees[0] = 0x12;
        c.ids = {1, 2, 3, 4};
        Programmateur_test p(puce);
        p.entre();
        ecrit_config(p, 0x000F); // CP on
        EXPECT_EQ(p.lit(), 0x000Fu);
        p.sort();
        p.entre();
        EXPECT_EQ(p.lit(), 0x0000u) << "protected program memory";
        EXPECT_EQ(p.lit(5), 0x00u) << "protected data memory";
        ecrit(p, 2, 0x0000);
        EXPECT_EQ(c.programme[0], 0x2805) << "write blocked";
        p.charge(2, 0x3FFF);
        p.commande(9);
        p.commande(8);
        p.attend_us(10000);
        EXPECT_EQ(c.programme[0], 0x2805) << "bulk erase blocked";
        p.charge(0, 0x3FFF);
        EXPECT_EQ(p.lit(), 1u) << "IDs stay readable";
        p.incremente(7);
        ecrit(p, 2, 0x3FFF);
        EXPECT_EQ(p.lit(), 0x000Fu) << "protection is not lifted by a config write";

        p.sort();
        p.entre();
        p.charge(0, 0x3FFF);
        if (aux_increments) p.incremente(7);
        sequence_1_7(p);
        EXPECT_EQ(c.programme[0], 0x3FFF);
        EXPECT_EQ(c.donnees[0], 0xFF);
        EXPECT_EQ(c.ids[0], 0x3FFF);
        EXPECT_EQ(c.config, 0x3FFF);
        p.sort();
        p.entre();
        ecrit(p, 2, 0x1234);
        EXPECT_EQ(p.lit(), 0x1234u);
        EXPECT_EQ(puce.nombre_violations(), 0);
    }
}

TEST_F(Flash, zones_protegees_par_les_paires_cp) {
    struct Cas {
        const char* nom;
        uint16_t config;
        int premier_protege; // -1: none
        bool donnees;
    };
    for (Cas c : {
             Cas{"PIC16F877", 0x2FEF, 0x1F00, false}, // upper 256 words
             Cas{"PIC16F877", 0x1FDF, 0x1000, false}, // upper half
             Cas{"PIC16F877", 0x3EFF, -1, true},      // CPD only
             Cas{"PIC16F628", 0x2BFF, 0x400, false},  // 50 %
             Cas{"PIC16F628", 0x17FF, 0x200, false},  // 75 %
             Cas{"PIC16F627", 0x2BFF, -1, false},     // 50 % of a 1K part: nothing
             Cas{"PIC16C84", 0x3FEF, 0, true},
         }) {
        SCOPED_TRACE(std::string(c.nom) + " " + std::to_string(c.config));
        Puce_flash puce(pic(c.nom));
        int n = puce.description().taille_prog;
        puce.contenu().config = c.config;
        if (c.premier_protege < 0) {
            EXPECT_FALSE(puce.programme_protege(n - 1));
        } else {
            EXPECT_TRUE(puce.programme_protege(c.premier_protege));
            EXPECT_TRUE(puce.programme_protege(n - 1));
            if (c.premier_protege > 0) {
                EXPECT_FALSE(puce.programme_protege(c.premier_protege - 1));
            }
        }
        EXPECT_EQ(puce.donnees_protegees(), c.donnees);
    }

    // Seen through the pins.
    Puce_flash puce(pic("PIC16F877"));
    puce.contenu().config = 0x2FEF;
    puce.contenu().programme[0x1EFF] = 0x0001;
    puce.contenu().programme[0x1F00] = 0x0002;
    Programmateur_test p(puce);
    p.entre();
    p.incremente(0x1EFF);
    EXPECT_EQ(p.lit(), 0x0001u);
    p.incremente();
    EXPECT_EQ(p.lit(), 0x0000u);
}

TEST_F(Flash, pannes_de_la_puce) {
    {
        SCOPED_TRACE("cellule morte");
        Pannes_puce pannes;
        pannes.cellule_morte = true;
        Puce_flash puce(pic("PIC16F84"), pannes);
        puce.contenu().programme[Puce_pic::adresse_panne] = 0x0000;
        Programmateur_test p(puce);
        p.entre();
        ecrit(p, 2, 0x1234);
        EXPECT_EQ(p.lit(), 0x3FFFu);
        p.incremente();
        ecrit(p, 2, 0x1234);
        EXPECT_EQ(p.lit(), 0x1234u);
    }
    {
        SCOPED_TRACE("cellule lente");
        Pannes_puce pannes;
        pannes.cellule_lente = true;
        Puce_flash puce(pic("PIC16F84"), pannes);
        EXPECT_EQ(puce.duree_cycle_lent(), 20'000'000);
        Programmateur_test p(puce);
        p.entre();
        ecrit(p, 2, 0x1234);
        EXPECT_EQ(p.lit(), 0x3FFFu) << "still busy after 10 ms";
        EXPECT_EQ(puce.nombre_violations(Genre_violation::commande_pendant_cycle), 1);
        p.attend_us(20000);
        EXPECT_EQ(p.lit(), 0x3FFFu) << "target left erased";
        p.charge(2, 0x1234);
        p.commande(8);
        p.attend_us(20000);
        EXPECT_EQ(p.lit(), 0x1234u) << "a long enough wait works";
        p.incremente();
        ecrit(p, 2, 0x0042);
        EXPECT_EQ(p.lit(), 0x0042u) << "other words are normal";
    }
    {
        SCOPED_TRACE("bit colle");
        Pannes_puce pannes;
        pannes.bit_colle = true;
        Puce_flash puce(pic("PIC16F84"), pannes);
        Programmateur_test p(puce);
        p.entre();
        EXPECT_EQ(p.lit(), 0x3FFEu);
        EXPECT_EQ(p.lit(5), 0xFEu);
        p.charge(0, 0x3FFF);
        EXPECT_EQ(p.lit(), 0x3FFEu);
        EXPECT_EQ(puce.contenu().programme[0], 0x3FFF) << "only reads are wrong";
    }
    {
        SCOPED_TRACE("occupee");
        Pannes_puce pannes;
        pannes.occupee = true;
        Puce_flash puce(pic("PIC16F84"), pannes);
        puce.contenu().programme[0] = 0x0000;
        puce.contenu().programme[1] = 0x0000;
        Programmateur_test p(puce);
        p.entre();
        ecrit(p, 2, 0x1234);
        p.attend_us(1'000'000);
        EXPECT_TRUE(puce.en_cycle(p.t()));
        p.incremente();
        EXPECT_EQ(p.lit(), 0x3FFFu);
        EXPECT_EQ(puce.compteur(), 0);
        p.sort();
        EXPECT_EQ(puce.nombre_violations(Genre_violation::cycle_interrompu), 1);
        EXPECT_EQ(puce.contenu().programme[0], 0x3FFF);
        EXPECT_EQ(puce.contenu().programme[1], 0x0000);
    }
}

} // namespace
