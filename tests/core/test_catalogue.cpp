// SPDX-License-Identifier: GPL-2.0-or-later
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"

#include <sstream>

namespace {

class Catalogue : public test::Etat_propre {
  protected:
    // Reads text as a catalogue; returns what went to standard output.
    std::string lit(const std::string& texte) {
        std::istringstream in(texte);
        testing::internal::CaptureStdout();
        lire_catalogue(in, "conf_PICS");
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(Catalogue, ligne_de_fusibles_donne_les_masques_par_nom) {
    EXPECT_EQ(lit("0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 PWRTE/ WDTE FOSC1 FOSC0\n"), "");
    const Fusibles& f = tab_fuses[0];
    EXPECT_EQ(f.masque[F_CP0], 0x3FF0u);
    EXPECT_EQ(f.masque[F_PWRTE_], 0x0008u);
    EXPECT_EQ(f.masque[F_WDTE], 0x0004u);
    EXPECT_EQ(f.masque[F_FOSC1], 0x0002u);
    EXPECT_EQ(f.masque[F_FOSC0], 0x0001u);
    for (int n : {F_CPD, F_CP1, F_DP, F_CPC, F_FOSC2, F_MCLRE, F_WRT, F_LVP, F_PWRTE, F_BODEN,
                  F_RESV, F_DEB_, F_ZERO, F_TIRET})
        EXPECT_EQ(f.masque[n], 0u) << noms_fuses[n];
    EXPECT_TRUE(tab_pic.empty());
}

TEST_F(Catalogue, noms_repetes_et_inconnus_dans_une_famille) {
    lit("5 CP1 x WDTE x x x x x CP1 x x - 0 zz\n");
    EXPECT_EQ(tab_fuses[5].masque[F_WDTE], 0x0800u);
    EXPECT_EQ(tab_fuses[5].masque[F_CP1], 0x2020u);
    EXPECT_EQ(tab_fuses[5].masque[F_TIRET], 0x0004u);
    EXPECT_EQ(tab_fuses[5].masque[F_ZERO], 0x0002u);
    // A later line for the same family replaces the row.
    lit("5 CP1 x WDTE x x x x x CP1 x x - 0 zz\n5 x x x x x x x x x x x x x FOSC0\n");
    Fusibles attendu;
    attendu.masque[F_FOSC0] = 1;
    EXPECT_EQ(tab_fuses[5], attendu);
}

TEST_F(Catalogue, ligne_de_composant_dans_l_ordre_des_colonnes) {
    lit("; commentaire\n\n  PIC16C84 1024 64 0 1 0 1 0\n"
        "PIC16F84 1024 64 0 1 0 1 0\n"
        "\tPIC16F83 512 64 1 1 0 1 0\n"
        "24C16 0 2048 31 -1 0 1 0\n"
        "12 0 0 0 0 0 0 0 0 0 0 0 0 0 WDTE\n"
        "PIC12C508 512 0 16 3 1 0 1\n");
    ASSERT_EQ(tab_pic.size(), 3u);
    const Desc_PIC& p = tab_pic[0];
    EXPECT_EQ(p.nom, "PIC16F84");
    EXPECT_EQ(p.taille_prog, 1024);
    EXPECT_EQ(p.taille_donnee, 64);
    EXPECT_EQ(p.famille, 0);
    EXPECT_EQ(p.algo, 1);
    EXPECT_EQ(p.vpp40, 0);
    EXPECT_EQ(p.teste, 1);
    EXPECT_EQ(p.osc_cal, 0);
    EXPECT_EQ(tab_pic[1].algo, -1);
    EXPECT_EQ(tab_pic[1].famille, 31);
    EXPECT_TRUE(est_eeprom(tab_pic[1]));
    EXPECT_EQ(tab_pic[2].famille, 16);
    EXPECT_EQ(tab_pic[2].algo, 3);
    EXPECT_EQ(tab_pic[2].vpp40, 1);
    EXPECT_EQ(tab_pic[2].teste, 0);
    EXPECT_EQ(tab_pic[2].osc_cal, 1);
    EXPECT_EQ(cherche_pic("PIC12C508"), 2);
    EXPECT_EQ(cherche_pic("PIC16C84"), -1);
    // Only a line whose first word is a number defines a fuse family.
    EXPECT_EQ(tab_fuses[24], Fusibles{});
    EXPECT_EQ(tab_fuses[12].masque[F_WDTE], 1u);
    EXPECT_EQ(tab_fuses[12].masque[F_ZERO], 0x3FFEu);
}

TEST_F(Catalogue, vide_ou_commentaires_seulement_donne_un_catalogue_vide) {
    EXPECT_EQ(lit(""), "");
    EXPECT_TRUE(tab_pic.empty());
    EXPECT_EQ(lit("; rien\n\n   \n\t\n"), "");
    EXPECT_TRUE(tab_pic.empty());
    EXPECT_EQ(pic_courant(), nullptr);
}

TEST_F(Catalogue, lignes_hors_limites_sont_ignorees_et_signalees) {
    std::string trop_long = "PIC" + std::string(260, '1') + " 1 1 0 1 0 1 0";
    std::string sortie = lit("32 a b c d e f g h i j k l m n\n"
                             "99 a b c d e f g h i j k l m n\n"
                             "3 a b c\n"
                             "4 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 NOMTROPLONG x x x\n"
                             "ABCDEFGHIJKLMNOPQRST 1 1 0 1 0 1 0\n"
                             "ABCDEFGHIJKLMNOPQRS 1 1 0 1 0 1 0\n"
                             "COURT 1 1 0 1 0 1\n"
                             "FAMILLE 1 1 32 1 0 1 0\n"
                             "GRAND 16385 0 0 1 0 1 0\n"
                             "ENORME 0 131073 0 -2 0 1 0\n"
                             "NEGATIF -1 0 0 1 0 1 0\n" +
                             trop_long + "\n");
    ASSERT_EQ(tab_pic.size(), 1u);
    EXPECT_EQ(tab_pic[0].nom, "ABCDEFGHIJKLMNOPQRS");
    for (const Fusibles& f : tab_fuses) EXPECT_EQ(f, Fusibles{});
    for (int ligne : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12})
        EXPECT_NE(sortie.find("conf_PICS, ligne " + std::to_string(ligne) + " :"),
                  std::string::npos)
            << sortie;
    EXPECT_EQ(sortie.find("ligne 6 :"), std::string::npos);
}

TEST_F(Catalogue, au_plus_255_composants) {
    std::string texte;
    for (int i = 0; i < 258; ++i) texte += "P" + std::to_string(i) + " 16 0 0 1 0 1 0\n";
    std::string sortie = lit(texte);
    ASSERT_EQ(tab_pic.size(), 255u);
    EXPECT_EQ(tab_pic.back().nom, "P254");
    EXPECT_NE(sortie.find("ligne 256 : ligne ignorée (plus de 255 composants)"), std::string::npos)
        << sortie;
    EXPECT_NE(sortie.find("ligne 258 :"), std::string::npos);
}

TEST_F(Catalogue, nombres_mal_formes_ne_debordent_pas) {
    // An algo that does not parse reads as 0, which names no algorithm: that line is skipped.
    const std::string sortie = lit("A 12abc 99999999999 0 2x 0 1 0\nB 16 0 0 x 0 1 0\n");
    ASSERT_EQ(tab_pic.size(), 1u);
    EXPECT_EQ(tab_pic[0].taille_prog, 12);
    EXPECT_EQ(tab_pic[0].taille_donnee, 0);
    EXPECT_EQ(tab_pic[0].algo, 2);
    EXPECT_NE(sortie.find("conf_PICS, ligne 2 : ligne ignorée (algorithme inconnu"),
              std::string::npos)
        << sortie;
}

TEST_F(Catalogue, pic_courant_suit_la_selection) {
    lit("A 16 0 0 1 0 1 0\nB 32 0 0 1 0 1 0\n");
    pic_select = 1;
    ASSERT_NE(pic_courant(), nullptr);
    EXPECT_EQ(pic_courant()->nom, "B");
    pic_select = 2;
    EXPECT_EQ(pic_courant(), nullptr);
    pic_select = -1;
    EXPECT_EQ(pic_courant(), nullptr);
}

TEST(Put_fuse, masque_des_bits_portant_le_nom) {
    const char* noms[14] = {"FOSC0", "FOSC1", "WDTE", "x",   "CP0", "CP0", "CP0",
                            "CP0",   "CP0",   "CP0",  "CP0", "CP0", "CP0", "CP0"};
    EXPECT_EQ(put_fuse("CP0", noms), 0x3FF0);
    EXPECT_EQ(put_fuse("FOSC1", noms), 0x0002);
    EXPECT_EQ(put_fuse("cp0", noms), 0);
    EXPECT_EQ(put_fuse("BODEN", noms), 0);
}

} // namespace
