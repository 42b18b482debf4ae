// SPDX-License-Identifier: GPL-2.0-or-later
// The chip's contents kept between runs.
#include "commun/outils.h"
#include "puce_factice.h"

#include "sim/etat_puce.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

using test::Puce_factice;

class Etat_puce : public test::Etat_propre {
  protected:
    test::Enregistreur_messages messages;
    test::Repertoire_temp rep;
};

TEST_F(Etat_puce, aller_retour_par_le_fichier) {
    Puce_factice a("PIC16F84");
    a.mot = 0x1234;
    std::string chemin = rep.fichier("puce.hex");
    ASSERT_TRUE(sauve_etat_puce(a, chemin));
    EXPECT_EQ(nom_puce_etat(test::lit_fichier(chemin)), "PIC16F84");

    Puce_factice b("PIC16F84");
    EXPECT_EQ(charge_etat_puce(b, chemin), Chargement_etat::charge);
    EXPECT_EQ(b.mot, 0x1234);
    EXPECT_TRUE(messages.messages().empty());

    // Saving again replaces the file whole and leaves no temporary file behind.
    b.mot = 0x0042;
    ASSERT_TRUE(sauve_etat_puce(b, chemin));
    Puce_factice c("PIC16F84");
    charge_etat_puce(c, chemin);
    EXPECT_EQ(c.mot, 0x0042);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rep.chemin()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(Etat_puce, fichier_absent_puce_vierge_sans_message) {
    Puce_factice a("PIC16F84");
    EXPECT_EQ(charge_etat_puce(a, rep.fichier("absent.hex")), Chargement_etat::absent);
    EXPECT_EQ(a.mot, 0x3FFF);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(Etat_puce, fichier_d_une_autre_puce_refuse) {
    Puce_factice autre("PIC16F628");
    autre.mot = 0x0000;
    std::string chemin = rep.fichier("puce.hex");
    ASSERT_TRUE(sauve_etat_puce(autre, chemin));

    Puce_factice a("PIC16F84");
    EXPECT_EQ(charge_etat_puce(a, chemin), Chargement_etat::refuse);
    EXPECT_EQ(a.mot, 0x3FFF);
    ASSERT_EQ(messages.messages().size(), 1u);
    const test::Message& m = messages.messages()[0];
    EXPECT_EQ(m.fin, 0);
    EXPECT_NE(m.texte.find(chemin), std::string::npos) << m.texte;
    EXPECT_NE(m.texte.find("PIC16F628"), std::string::npos) << m.texte;
    EXPECT_NE(m.texte.find("PIC16F84"), std::string::npos) << m.texte;
    // How to start a new chip instead.
    EXPECT_NE(m.texte.find("autre nom de fichier"), std::string::npos) << m.texte;
    // The other chip's file is left alone.
    EXPECT_EQ(nom_puce_etat(test::lit_fichier(chemin)), "PIC16F628");
}

TEST_F(Etat_puce, fichier_illisible_refuse_avec_message) {
    struct Cas {
        const char* nom;
        std::string contenu;
    };
    const Cas cas[] = {
        {"sans ligne de nom", "mot 1234\r\nfin\r\n"},
        {"vide", ""},
        // The model takes the word, then gives up: the chip must come back blank.
        {"tronqué", "; puce PIC16F84\r\nmot 1234\r\n"},
        {"contenu rejeté", "; puce PIC16F84\r\nxyz\r\n"},
        // Far more than any chip holds: refused before it is read whole.
        {"trop grand", "; puce PIC16F84\r\nmot 1234\r\n" + std::string(5u << 20, ';')},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        messages.vide();
        std::string chemin = rep.fichier("puce.hex");
        test::ecrit_fichier(chemin, c.contenu);
        Puce_factice a("PIC16F84");
        EXPECT_EQ(charge_etat_puce(a, chemin), Chargement_etat::refuse);
        EXPECT_EQ(a.mot, 0x3FFF);
        ASSERT_EQ(messages.messages().size(), 1u);
        EXPECT_NE(messages.messages()[0].texte.find(chemin), std::string::npos);
    }

    // A directory where the file should be cannot be read either.
    messages.vide();
    Puce_factice a("PIC16F84");
    EXPECT_EQ(charge_etat_puce(a, rep.chemin().string()), Chargement_etat::refuse);
    EXPECT_EQ(messages.messages().size(), 1u);
}

TEST_F(Etat_puce, echec_d_ecriture_signale) {
    Puce_factice a("PIC16F84");
    std::string chemin = rep.fichier("absent/puce.hex");
    EXPECT_FALSE(sauve_etat_puce(a, chemin));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].texte.find(chemin), std::string::npos);
}

TEST_F(Etat_puce, remplacement_garde_les_droits_du_fichier) {
    std::string chemin = rep.fichier("puce.hex");
    test::ecrit_fichier(chemin, "ancien");
    ASSERT_EQ(::chmod(chemin.c_str(), 0640), 0);
    Puce_factice a("PIC16F84");
    ASSERT_TRUE(sauve_etat_puce(a, chemin));
    struct stat st;
    ASSERT_EQ(::stat(chemin.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(Etat_puce, nom_de_la_premiere_ligne) {
    EXPECT_EQ(nom_puce_etat("; puce PIC12C508\r\n:00000001FF\r\n"), "PIC12C508");
    EXPECT_EQ(nom_puce_etat("; puce PIC12C508 \n"), "PIC12C508");
    EXPECT_EQ(nom_puce_etat("; puce AT24C02"), "AT24C02");
    EXPECT_EQ(nom_puce_etat(":00000001FF\r\n; puce PIC12C508\r\n"), "");
    EXPECT_EQ(nom_puce_etat(";puce PIC12C508\r\n"), "");
}

} // namespace
