// SPDX-License-Identifier: GPL-2.0-or-later
#include "banc_hex.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "hex/hex.h"

#include <random>

namespace {

using Hex_EEPROM = Banc_hex<Lire_ligne_Hex_EEPROM, Ecrire_Fichier_Hex_EEPROM>;

const std::string MSG_LIGNE = "Une ligne du fichier n'est pas correcte";

std::vector<std::string> lignes_de(const std::string& texte) {
    std::vector<std::string> lignes;
    std::size_t debut = 0;
    for (std::size_t fin; (fin = texte.find("\r\n", debut)) != std::string::npos; debut = fin + 2)
        lignes.push_back(texte.substr(debut, fin - debut));
    EXPECT_EQ(debut, texte.size()) << "text after the last CR LF";
    return lignes;
}

TEST_F(Hex_EEPROM, octets_aux_adresses_du_fichier) {
    EXPECT_EQ(lit(":03001000AABBCCBC"), 1);
    EXPECT_EQ(m.donnee[0x0F], 0xFF);
    EXPECT_EQ(m.donnee[0x10], 0xAA);
    EXPECT_EQ(m.donnee[0x11], 0xBB);
    EXPECT_EQ(m.donnee[0x12], 0xCC);
    EXPECT_EQ(m.donnee[0x13], 0xFF);
    EXPECT_EQ(lit(":00000001FF"), 1);
    EXPECT_EQ(m.donnee[0x10], 0xAA);
    EXPECT_TRUE(messages().empty());
    // Program memory, IDs and configuration word are not part of this layout.
    EXPECT_EQ(m.prog[8], 0xFFFF);
    EXPECT_EQ(m.config, 0x03FF);
}

TEST_F(Hex_EEPROM, le_composant_ne_joue_pas_a_la_lecture) {
    test::choisit_composant("PIC12C508", 0, 0, 3);
    EXPECT_EQ(lit(":02400E00F13F80"), 1);
    EXPECT_EQ(m.donnee[0x400E], 0xF1);
    EXPECT_EQ(m.donnee[0x400F], 0x3F);
    EXPECT_EQ(m.config, 0x03FF);
}

TEST_F(Hex_EEPROM, fichier_de_disposition_PIC_lu_comme_octets) {
    test::ecrit_fichier(rep.fichier("pic.hex"),
                        ":0400000005280000CF\r\n:08400000FF00FF00FF00FF00BC\r\n"
                        ":02400E00F13F80\r\n:00000001FF\r\n");
    auto lue = Lire_Fichier_Hex_EEPROM(rep.fichier("pic.hex"));
    const uint8_t attendu[] = {0x05, 0x28, 0x00, 0x00, 0xFF};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(lue->donnee[i], attendu[i]) << i;
    EXPECT_EQ(lue->donnee[0x4000], 0xFF);
    EXPECT_EQ(lue->donnee[0x4001], 0x00);
    EXPECT_EQ(lue->donnee[0x400E], 0xF1);
    EXPECT_EQ(lue->prog[0], 0xFFFF);
    EXPECT_EQ(lue->config, 0x03FF);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_EEPROM, somme_fausse_et_lignes_incorrectes) {
    EXPECT_EQ(lit(":03001000AABBCCBD"), 1);
    EXPECT_EQ(m.donnee[0x12], 0xCC);
    EXPECT_EQ(messages(),
              std::vector<std::string>{
                  "Une erreur de cheksum est survenue sur la ligne :\n03001000AABBCCBD\n"});
    journal.vide();
    const Memoire_PIC avant = m;
    EXPECT_EQ(lit("; commentaire"), 0);
    for (const char* l : {"", "x", ":03001000AABBCC", ":03001000AABBCCBC0", ":03001000AABBCCBCBC",
                          ":0300100 AABBCCBC", ":0400000400010000F7"})
        EXPECT_EQ(lit(l), -1) << l;
    EXPECT_EQ(messages(), std::vector<std::string>(7, MSG_LIGNE));
    EXPECT_EQ(m.donnee, avant.donnee);
    EXPECT_EQ(etat.adresse_haute, 0u);
}

TEST_F(Hex_EEPROM, adresse_lineaire_etendue_jusqu_a_128_kio) {
    EXPECT_EQ(lit(":020000040001F9"), 1);
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(m.donnee[0x10000], 0xAA);
    EXPECT_EQ(m.donnee[0x10001], 0xBB);
    EXPECT_EQ(m.donnee[0], 0xFF);

    // The end of the buffer: what lies beyond it is dropped.
    EXPECT_EQ(lit(":04FFFE0001020304F5"), 1);
    EXPECT_EQ(m.donnee[0x1FFFE], 0x01);
    EXPECT_EQ(m.donnee[0x1FFFF], 0x02);

    const auto avant = m.donnee;
    EXPECT_EQ(lit(":020000040002F8"), 1);
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(m.donnee, avant);

    // Back to the first segment; a record that runs past 0xFFFF goes on into the next.
    EXPECT_EQ(lit(":020000040000FA"), 1);
    EXPECT_EQ(lit(":04FFFE0001020304F5"), 1);
    EXPECT_EQ(m.donnee[0xFFFE], 0x01);
    EXPECT_EQ(m.donnee[0x10001], 0x04);

    // An extended segment address (type 02) places the records at 16 times the segment.
    EXPECT_EQ(lit(":020000021000EC"), 1);
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(m.donnee[0x10000], 0xAA);
    EXPECT_EQ(m.donnee[0], 0xFF);
    EXPECT_EQ(lit(":020000020000FC"), 1);
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(m.donnee[0], 0xAA);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_EEPROM, autres_types_ignores) {
    const auto avant = m.donnee;
    EXPECT_EQ(lit(":0400000300001234B3"), 1);
    EXPECT_EQ(lit(":0400000500001234B1"), 1);
    EXPECT_EQ(m.donnee, avant);
    EXPECT_EQ(etat.adresse_haute, 0u);
}

TEST_F(Hex_EEPROM, ligne_longue_et_derniere_ligne_sans_saut) {
    std::string ligne = ":FF010000";
    unsigned somme = 0xFF + 0x01;
    for (int i = 0; i < 255; ++i) {
        ligne += ui2Hex(255 - i, 2);
        somme += static_cast<unsigned>(255 - i);
    }
    ligne += ui2Hex(static_cast<int>((0x100 - (somme & 0xFF)) & 0xFF), 2);
    test::ecrit_fichier(rep.fichier("long.hex"), ligne + "\n:03001000AABBCCBC");
    auto lue = Lire_Fichier_Hex_EEPROM(rep.fichier("long.hex"));
    for (int i = 0; i < 255; ++i) ASSERT_EQ(lue->donnee[0x100 + i], 255 - i) << i;
    EXPECT_EQ(lue->donnee[0x1FF], 0xFF);
    EXPECT_EQ(lue->donnee[0x12], 0xCC);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_EEPROM, fichier_introuvable) {
    const std::string chemin = rep.fichier("absent.hex");
    auto lue = Lire_Fichier_Hex_EEPROM(chemin);
    ASSERT_TRUE(lue);
    EXPECT_EQ(lue->config, 0x03FF);
    EXPECT_EQ(lue->donnee, std::vector<uint8_t>(131072, 0xFF));
    EXPECT_EQ(messages(),
              std::vector<std::string>{
                  "Un problème est survenue \npendant l'ouverture du fichier " + chemin + "\n"});
}

TEST_F(Hex_EEPROM, ecriture_exemple) {
    test::choisit_composant("24C00", 0, 16, -1);
    for (int i = 0; i < 16; ++i) m.donnee[i] = static_cast<uint8_t>(i);
    m.donnee[16] = 0; // beyond the device
    EXPECT_EQ(ecrit(), ":10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF\r\n");
}

TEST_F(Hex_EEPROM, ecriture_sans_donnees) {
    EXPECT_EQ(ecrit(), ":00000001FF\r\n");
    test::choisit_composant("PIC12C508", 0, 0, 3);
    EXPECT_EQ(ecrit(), ":00000001FF\r\n");
}

TEST_F(Hex_EEPROM, ecriture_taille_non_multiple_de_seize) {
    test::choisit_composant("essai", 0, 20, -1);
    const auto lignes = lignes_de(ecrit());
    ASSERT_EQ(lignes.size(), 3u);
    EXPECT_EQ(lignes[1].substr(0, 9), ":10001000");
}

TEST_F(Hex_EEPROM, eeprom_2048_octets_ecrite_et_relue) {
    test::choisit_composant("24C16", 0, 2048, -1);
    for (int i = 0; i < 2048; ++i)
        if (i < 0x100 || i >= 0x110) m.donnee[i] = static_cast<uint8_t>(i * 7 + i / 256);
    const auto lignes = lignes_de(ecrit());
    ASSERT_EQ(lignes.size(), 129u);
    for (std::size_t i = 0; i < 128; ++i)
        EXPECT_EQ(lignes[i].substr(0, 9), ":10" + ui2Hex(static_cast<int>(16 * i), 4) + "00");
    EXPECT_EQ(lignes[16], ":10010000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_EQ(lignes[128], ":00000001FF");
    auto lue = Lire_Fichier_Hex_EEPROM(rep.fichier("sortie.hex"));
    EXPECT_EQ(lue->donnee, m.donnee);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_EEPROM, aller_retour_128_kio_avec_adresse_etendue) {
    test::choisit_composant("essai", 0, 131072, -1);
    std::mt19937 alea(1234);
    for (auto& b : m.donnee) b = static_cast<uint8_t>(alea());
    for (int i = 0; i < 16; ++i) m.donnee[0x10000 + i] = static_cast<uint8_t>(i);
    const auto lignes = lignes_de(ecrit());
    ASSERT_EQ(lignes.size(), 8192u + 2);
    EXPECT_EQ(lignes[4095].substr(0, 9), ":10FFF000");
    EXPECT_EQ(lignes[4096], ":020000040001F9");
    EXPECT_EQ(lignes[4097], ":10000000000102030405060708090A0B0C0D0E0F78");
    EXPECT_EQ(lignes[8192].substr(0, 9), ":10FFF000");
    EXPECT_EQ(lignes[8193], ":00000001FF");
    std::size_t etendues = 0;
    for (const auto& l : lignes) etendues += l.substr(7, 2) == "04";
    EXPECT_EQ(etendues, 1u);

    auto lue = Lire_Fichier_Hex_EEPROM(rep.fichier("sortie.hex"));
    EXPECT_EQ(lue->donnee, m.donnee);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_EEPROM, echec_d_ecriture) {
    test::choisit_composant("24C16", 0, 2048, -1);
    testing::internal::CaptureStdout();
    Ecrire_Fichier_Hex_EEPROM(rep.fichier("absent/sortie.hex"), m);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Un problème est survenue pendant l'ouverture du fichier à l'ecriture\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"Un problème est survenue \npendant "
                                                   "l'ouverture du fichier à l'ecriture"});
    EXPECT_FALSE(std::filesystem::exists(rep.fichier("absent")));
}

} // namespace
