// SPDX-License-Identifier: GPL-2.0-or-later
// Write, read and compare as the front ends run them, on the simulated programmer.
#include "simulateur_pic.h"

#include "operations/interruption.h"
#include "operations/operations.h"
#include "pic/dispatch.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Operations : public test::Simulateur_pic {
  protected:
    Memoire_PIC image() {
        Memoire_PIC m;
        m.prog[0] = 0x2805;
        m.prog[1] = 0x0000;
        m.prog[10] = 0x3FFF;
        m.prog[20] = 0x1234;
        for (int i = 0; i < 64; ++i)
            m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i + 1);
        m.id[0] = 1;
        m.id[1] = 2;
        m.id[2] = 3;
        m.id[3] = 4;
        m.config = 0x3FF1;
        m.config_definie = true;
        return m;
    }
};

TEST_F(Operations, puce_identique_donne_les_lignes_identiques) {
    prepare("PIC16F84");
    Memoire_PIC m = image();
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
    std::optional<Rapport_comparaison> r = compare_image(m);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->difference);
    EXPECT_EQ(r->texte, "ID0 identiques\nID1 identiques\nID2 identiques\nID3 identiques\n"
                        "Les mot de configurations du PIC et de la mémoire sont identiques\n"
                        "Le programme du PIC correspond à celui en mémoire\n"
                        "Les données du PIC correspondent à celles en mémoire\n");
    EXPECT_TRUE(hors_tension());

    // Reading fills the image's own buffers, only in the enabled areas.
    Memoire_PIC lu;
    le_data_enable = 0;
    ASSERT_EQ(lit_image(lu), OPERATION_REUSSIE);
    EXPECT_EQ(lu.prog[0], 0x2805);
    EXPECT_EQ(lu.prog[2], 0x3FFF);
    EXPECT_EQ(lu.donnee[0], 0xFF);
    EXPECT_EQ(lu.config, 0x3FF1);
    EXPECT_EQ(lu.id[3], 4);
}

TEST_F(Operations, differences_de_mot_d_octet_et_de_configuration) {
    prepare("PIC16F84");
    Memoire_PIC m = image();
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE);
    m.prog[20] = 0x1235;
    m.prog[5] = 0xFFFF; // never a difference
    m.donnee[7] = 0xFF; // an image byte 0xFF does count
    m.id[2] = 0x13;
    m.config = 0x3FF5;
    std::optional<Rapport_comparaison> r = compare_image(m);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->difference);
    EXPECT_EQ(
        r->texte,
        "ID0 identiques\nID1 identiques\n"
        "ID2 différents : On a 3H dans le PIC au lieu de 13H\nID3 identiques\n"
        "Les mot de configuration du PIC et de la mémoire sont différents : On a 3FF1H dans "
        "le PIC au lieu de 3FF5H\n"
        "Le programme du PIC et celui en mémoire ne correspondent pas :\nPour le mot n°14H on "
        "a : 1234H dans le PIC au lieu de 1235H\n"
        "Les données du PIC et celles en mémoire ne correspondent pas :\nPour le mot n°7H on a "
        ": 8H dans le PIC au lieu de FFH\n");
}

TEST_F(Operations, puce_protegee_et_zones_desactivees) {
    prepare("PIC16F84");
    Memoire_PIC m = image();
    m.config = 0x000D;
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE);
    // IDs and program not read: neither reported (nothing unread called identical or FFFF).
    le_ID_enable = 0;
    le_prog_enable = 0;
    std::optional<Rapport_comparaison> r = compare_image(m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->texte.find("ID0"), std::string::npos) << r->texte;
    EXPECT_EQ(r->texte.find("programme"), std::string::npos) << r->texte;
    EXPECT_EQ(r->texte.find("FFFFH"), std::string::npos) << r->texte;
    EXPECT_NE(r->texte.find("La mémoire est protégée\n"), std::string::npos);
    EXPECT_NE(r->texte.find("Les données du PIC"), std::string::npos) << r->texte;
    // A read of the protected chip gives only zeros: refused unless forced.
    le_prog_enable = 1;
    const std::string protegee = "La puce est protégée : la lecture ne rend que des zéros";
    for (const bool forcer : {false, true}) {
        Memoire_PIC lu;
        EXPECT_EQ(lit_image(lu, forcer), forcer ? OPERATION_REUSSIE : OPERATION_ECHOUEE);
        EXPECT_EQ(dernier_message().rfind(protegee, 0), 0u) << dernier_message();
    }
}

TEST_F(Operations, image_qu_une_eprom_ne_peut_pas_garder_rien_n_est_brule) {
    const struct {
        const char* composant;
        int adresse; // program word set to valeur, or -1 for ID 0
        uint16_t valeur;
        const char* message;
    } cas[] = {
        {"PIC16C622", -1, 0x35,
         "Les ID ne gardent que 4 bits sur ce composant : 35 ne peut pas être écrit"},
        {"PIC12C508", 1, 0x1A30,
         "Le mot 1A30 à l'adresse 1H a plus de 12 bits, la largeur des mots du PIC12C508 : rien "
         "n'a été écrit"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.composant);
        prepare(c.composant);
        Memoire_PIC m;
        m.prog[0] = 0x0025;
        if (c.adresse < 0)
            m.id[0] = static_cast<uint8_t>(c.valeur);
        else
            m.prog[static_cast<std::size_t>(c.adresse)] = c.valeur;
        EXPECT_EQ(ecrit_image(m), OPERATION_ECHOUEE);
        EXPECT_EQ(dernier_message(), c.message);
        EXPECT_EQ(eprom().suivi_programme(0).impulsions, 0);
    }
}

TEST_F(Operations, echec_des_donnees_laisse_le_reste_intact) {
    prepare("PIC16F84", {"bit-colle"}); // bit 0 of every byte read is 0
    Memoire_PIC m = image();
    EXPECT_EQ(ecrit_image(m), OPERATION_ECHOUEE);
    EXPECT_EQ(recus().size(), 1u);
    const Contenu_pic& c = puce().contenu();
    EXPECT_EQ(c.programme[0], 0x3FFF);
    EXPECT_EQ(c.ids[0], 0x3FFF);
    EXPECT_EQ(c.config, puce().config_vierge());
    EXPECT_TRUE(hors_tension());
}

TEST_F(Operations, sans_programmateur_rien_n_est_fait) {
    prepare("PIC16F84", {"sans-programmateur"});
    Memoire_PIC m = image();
    EXPECT_EQ(ecrit_image(m), PROGRAMMATEUR_ABSENT);
    EXPECT_EQ(lit_image(m), PROGRAMMATEUR_ABSENT);
    EXPECT_EQ(efface_puce(), PROGRAMMATEUR_ABSENT);
    EXPECT_FALSE(compare_image(m));
    ASSERT_EQ(recus().size(), 4u);
    for (const test::Message& msg : recus()) EXPECT_EQ(msg.texte, texte_programmateur_absent);
    EXPECT_EQ(puce().contenu().programme[0], 0x3FFF);
    EXPECT_EQ(m.prog[0], 0x2805);
}

} // namespace

namespace {

TEST_F(Operations, eeprom_une_seule_ligne_de_comparaison) {
    prepare("24C16");
    Memoire_PIC m;
    for (int i = 0; i < 64; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(3 * i);
    le_data_fin = 63; // the rest of the chip stays blank, like the image
    ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
    EXPECT_TRUE(hors_tension());
    std::optional<Rapport_comparaison> r = compare_image(m);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->texte, "Les données de l'EEPROM correspondent à celles en mémoire\n");
    m.donnee[40] = 0x01;
    r = compare_image(m);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->difference);
    EXPECT_EQ(r->texte, "Les données de l'EEPROM et celles en mémoire ne correspondent pas :\n"
                        "Pour le mot n°28H on a : 78H dans le PIC au lieu de 1H\n");
}

} // namespace

// Once the outcome is final, a signal no longer turns it into a failure.
TEST(Interruption, signal_apres_la_conclusion_attend_la_fin) {
    const pid_t fils = ::fork();
    ASSERT_GE(fils, 0);
    if (fils == 0) {
        installe_gestion_signaux([](const std::string&) {});
        conclut_sans_interruption();
        ::raise(SIGINT);
        ::_exit(0);
    }
    int statut = 0;
    ASSERT_EQ(::waitpid(fils, &statut, 0), fils);
    EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0) << statut;
}
