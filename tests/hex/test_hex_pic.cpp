// SPDX-License-Identifier: GPL-2.0-or-later
#include "banc_hex.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "hex/hex.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Hex_PIC = Banc_hex<Lire_ligne_Hex_PIC, Ecrire_Fichier_Hex_PIC>;

const std::string MSG_LIGNE = "Une ligne du fichier n'est pas correcte";
const std::string MSG_ECRITURE = "Un problème est survenue \npendant l'ouverture du fichier à "
                                 "l'ecriture";
const std::string STDOUT_ECRITURE =
    "Un problème est survenue pendant l'ouverture du fichier à l'ecriture\n";

// Image as the readers build it before the first line.
Memoire_PIC image_vierge() {
    return Memoire_PIC(0x03FF);
}

bool memes_images(const Memoire_PIC& a, const Memoire_PIC& b) {
    return a.prog == b.prog && a.donnee == b.donnee && a.config == b.config &&
           std::equal(a.id, a.id + 4, b.id);
}

// --- ui2Hex

TEST(Ui2Hex, remplit_avec_des_zeros_et_refuse_ce_qui_deborde) {
    EXPECT_EQ(ui2Hex(0x3F, 4), "003F");
    EXPECT_EQ(ui2Hex(0x1FFE, 2), "");
    EXPECT_EQ(ui2Hex(0xFFFF, 4), "FFFF");
    EXPECT_EQ(ui2Hex(0x10000, 4), "");
    EXPECT_EQ(ui2Hex(0xabc, 3), "ABC");
    EXPECT_EQ(ui2Hex(0, 1), "0");
    EXPECT_EQ(ui2Hex(0, 2), "00");
    EXPECT_EQ(ui2Hex(0x12, 10), "0000000012");
}

TEST(Ui2Hex, valeur_negative_en_complement_a_deux) {
    EXPECT_EQ(ui2Hex(-1, 8), "FFFFFFFF");
    EXPECT_EQ(ui2Hex(-2, 10), "00FFFFFFFE");
    EXPECT_EQ(ui2Hex(-1, 7), "");
}

TEST(Ui2Hex, forme_tampon_rend_le_tampon) {
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(ui2Hex(0x3F, buf, 4), buf);
    EXPECT_STREQ(buf, "003F");
    EXPECT_EQ(ui2Hex(0x1FFE, buf, 2), buf);
    EXPECT_STREQ(buf, "");
    // Nothing beyond longueur + 1 characters is touched.
    char borne[4] = {'a', 'b', 'c', 'd'};
    ui2Hex(0xA, borne, 2);
    EXPECT_STREQ(borne, "0A");
    EXPECT_EQ(borne[3], 'd');
}

// --- reading, 14-bit core

TEST_F(Hex_PIC, fichier_avec_seulement_la_fin_donne_l_image_vierge) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    test::ecrit_fichier(rep.fichier("fin.hex"), ":00000001FF\r\n");
    auto lue = Lire_Fichier_Hex_PIC(rep.fichier("fin.hex"));
    ASSERT_TRUE(lue);
    EXPECT_TRUE(memes_images(*lue, image_vierge()));
    EXPECT_EQ(lue->config, 0x03FF);
    EXPECT_EQ(lue->prog.size(), static_cast<std::size_t>(TAILLE_PROG_MAX));
    EXPECT_EQ(lue->donnee.size(), 131072u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, fichier_introuvable_donne_le_message_et_l_image_vierge) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    const std::string chemin = rep.fichier("absent.hex");
    auto lue = Lire_Fichier_Hex_PIC(chemin);
    ASSERT_TRUE(lue);
    EXPECT_TRUE(memes_images(*lue, image_vierge()));
    ASSERT_EQ(journal.messages().size(), 1u);
    EXPECT_EQ(journal.messages()[0].texte,
              "Un problème est survenue \npendant l'ouverture du fichier " + chemin + "\n");
    EXPECT_EQ(journal.messages()[0].fin, 0);

    journal.vide();
    auto repertoire = Lire_Fichier_Hex_PIC(rep.chemin().string());
    EXPECT_TRUE(memes_images(*repertoire, image_vierge()));
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(Hex_PIC, mots_de_programme_poids_faible_d_abord) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":020000000428D2"), 1);
    EXPECT_EQ(m.prog[0], 0x2804);
    EXPECT_EQ(lit(":0400000005280000CF"), 1);
    EXPECT_EQ(m.prog[0], 0x2805);
    EXPECT_EQ(m.prog[1], 0x0000);
    EXPECT_EQ(m.prog[2], 0xFFFF);
    // Digits of either case.
    EXPECT_EQ(lit(":020010003412a8"), 1);
    EXPECT_EQ(m.prog[8], 0x1234);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, nombre_impair_laisse_tomber_le_dernier_octet) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":03000000AABBCCCC"), 1);
    EXPECT_EQ(m.prog[0], 0xBBAA);
    EXPECT_EQ(m.prog[1], 0xFFFF);
}

TEST_F(Hex_PIC, mots_au_dela_du_composant_sont_comptes_hors_composant) {
    test::choisit_composant("PIC16F877", 8192, 256, 1);
    EXPECT_EQ(lit(":083FFC000100020003000400B3"), 1);
    Memoire_PIC attendu = image_vierge();
    attendu.prog[0x1FFE] = 0x0001;
    attendu.prog[0x1FFF] = 0x0002;
    attendu.prog[0x2000] = 0x0003;
    attendu.prog[0x2001] = 0x0004;
    EXPECT_TRUE(memes_images(m, attendu));
    EXPECT_EQ(etat.hors_composant, 2u);
}

TEST_F(Hex_PIC, erreur_de_somme_signalee_et_donnees_rangees) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":020000000428D3"), 1);
    EXPECT_EQ(m.prog[0], 0x2804);
    ASSERT_EQ(journal.messages().size(), 1u);
    EXPECT_EQ(journal.messages()[0].texte,
              "Une erreur de cheksum est survenue sur la ligne :\n020000000428D3\n");
    EXPECT_EQ(journal.messages()[0].fin, 0);
}

TEST_F(Hex_PIC, commentaires_et_lignes_qui_ne_sont_pas_des_enregistrements) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit("; un commentaire :020000000428D2"), 0);
    EXPECT_EQ(lit(";"), 0);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(lit(""), -1);
    EXPECT_EQ(lit(" :020000000428D2"), -1);
    EXPECT_EQ(lit("020000000428D2"), -1);
    EXPECT_EQ(messages(), std::vector<std::string>(3, MSG_LIGNE));
    EXPECT_TRUE(memes_images(m, image_vierge()));
}

TEST_F(Hex_PIC, enregistrements_mal_formes) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    const char* lignes[] = {
        ":",                   // nothing
        ":00",                 // too short for a record
        ":00000001F",          // odd number of digits
        ":0400000005280000",   // shorter than its count says
        ":020000000428D200",   // longer than its count says
        ":020000000428D2 0",   // a digit after the blank
        ":0200000004G8D2",     // not a digit
        ":02000000-428D2",     // sign
        ":FF000000AABB",       // count far beyond the line
        ":020000040001",       // type 04 cut short
        ":0400000400010000F7", // type 04 with four bytes
        ":0400000200010000F9", // type 02 with four bytes
        ":020000021000EC",     // a segment other than 0
    };
    for (const char* l : lignes) {
        journal.vide();
        EXPECT_EQ(lit(l), -1) << l;
        EXPECT_EQ(messages(), std::vector<std::string>{MSG_LIGNE}) << l;
    }
    EXPECT_EQ(etat.lignes_incorrectes, static_cast<int>(std::size(lignes)));
    // Under the refused segment nothing is stored, until the segment 0 comes back.
    EXPECT_EQ(lit(":020000000428D2"), 1);
    EXPECT_TRUE(memes_images(m, image_vierge()));
    EXPECT_EQ(etat.adresse_haute, 0u);
    EXPECT_EQ(lit(":020000020000FC"), 1);
    EXPECT_EQ(lit(":020000000428D2"), 1);
    EXPECT_EQ(m.prog[0], 0x2804);
}

TEST_F(Hex_PIC, blancs_et_retour_chariot_apres_la_somme) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    for (const char* l : {":020000000428D2 ", ":020000000428D2\r", ":020000000428d2 \t\r "}) {
        m.prog[0] = 0xFFFF;
        EXPECT_EQ(lit(l), 1) << l;
        EXPECT_EQ(m.prog[0], 0x2804) << l;
    }
    EXPECT_EQ(lit(":020000000428D3  "), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Une erreur de cheksum est survenue sur la "
                                                   "ligne :\n020000000428D3\n"});
}

TEST_F(Hex_PIC, identifiants_configuration_et_zone_ignoree) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":02400E00F13F80"), 1);
    EXPECT_EQ(m.config, 0x3FF1);

    // IDs take the low byte; a configuration word inside a record that starts elsewhere is not
    // taken.
    m.config = 0x1234;
    EXPECT_EQ(lit(":104000000100020003000400000000000000F13F76"), 1);
    EXPECT_EQ(m.config, 0x1234);
    EXPECT_EQ(m.id[0], 0x01);
    EXPECT_EQ(m.id[3], 0x04);

    // A record from word 0x2002 reaches id[2] and id[3] only.
    EXPECT_EQ(lit(":04400400330144023E"), 1);
    EXPECT_EQ(std::vector<uint8_t>(m.id, m.id + 4), (std::vector<uint8_t>{1, 2, 0x33, 0x44}));

    // Word 0x2004, the gap below the data EEPROM and a configuration record too short for a
    // word change nothing.
    const Memoire_PIC avant = m;
    EXPECT_EQ(lit(":01400E00555C"), 1);
    EXPECT_EQ(lit(":02400800550061"), 1);
    EXPECT_EQ(lit(":02410000550068"), 1);
    EXPECT_TRUE(memes_images(m, avant));
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, eeprom_de_donnees_un_octet_par_mot) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":04420000AB00CD0042"), 1);
    EXPECT_EQ(m.donnee[0], 0xAB);
    EXPECT_EQ(m.donnee[1], 0xCD);
    EXPECT_EQ(m.donnee[2], 0xFF);
    EXPECT_EQ(lit(":10421000FF00FF00FF00FF00FF00FF00FF00FF00A6"), 1);
    EXPECT_EQ(m.donnee[8], 0xFF);
    EXPECT_EQ(lit(":044210000102030400"), 1); // bad checksum: stored all the same
    EXPECT_EQ(m.donnee[8], 0x01);
    EXPECT_EQ(m.donnee[9], 0x03);
}

TEST_F(Hex_PIC, sans_composant_la_carte_quatorze_bits) {
    ASSERT_EQ(pic_courant(), nullptr);
    EXPECT_EQ(lit(":02400E00F13F80"), 1);
    EXPECT_EQ(m.config, 0x3FF1);
    EXPECT_EQ(lit(":020000000428D2"), 1);
    EXPECT_EQ(m.prog[0], 0x2804);
    pic_select = 5; // no such entry
    EXPECT_EQ(lit(":02400000550069"), 1);
    EXPECT_EQ(m.id[0], 0x55);
}

// --- reading, 12-bit core

TEST_F(Hex_PIC, douze_bits_identifiants_apres_le_programme_et_config_en_1FFE) {
    test::choisit_composant("PIC12C508", 512, 0, 3);
    EXPECT_EQ(lit(":0804000011002200330044004A"), 1);
    EXPECT_EQ(m.id[0], 0x11);
    EXPECT_EQ(m.id[3], 0x44);
    EXPECT_EQ(lit(":021FFE00EA0FE8"), 1);
    EXPECT_EQ(m.config, 0x0FEA);
    EXPECT_EQ(lit(":020000003412B8"), 1);
    EXPECT_EQ(m.prog[0], 0x1234);
    EXPECT_EQ(lit(":0204060055009F"), 1); // the last ID word on its own
    EXPECT_EQ(m.id[3], 0x55);

    // Nothing of the 14-bit map, nothing after the IDs.
    const Memoire_PIC avant = m;
    EXPECT_EQ(lit(":0204080055009D"), 1);
    EXPECT_EQ(lit(":02400000550069"), 1);
    EXPECT_EQ(lit(":02400E00F13F80"), 1);
    EXPECT_EQ(lit(":04420000AB00CD0042"), 1);
    EXPECT_TRUE(memes_images(m, avant));
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, douze_bits_les_mots_du_programme_suivent_l_adresse_de_debut) {
    test::choisit_composant("PIC12C509", 1024, 0, 3);
    EXPECT_EQ(lit(":0804000011002200330044004A"), 1); // below 2 x 1024: program words
    EXPECT_EQ(m.prog[0x200], 0x0011);
    EXPECT_EQ(m.id[0], 0xFF);
}

// --- extended linear address and other record types

TEST_F(Hex_PIC, adresse_lineaire_au_dela_de_64_kio_pour_l_eeprom_de_donnees) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":020000040000FA"), 1);
    EXPECT_EQ(lit(":020000000428D2"), 1);
    EXPECT_EQ(m.prog[0], 0x2804);

    // Above 0xFFFF only data EEPROM lies: byte address 0x10000 is data byte 0x5F00.
    EXPECT_EQ(lit(":020000040001F9"), 1);
    const Memoire_PIC avant = m;
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(lit(":02400E00F13F80"), 1);
    EXPECT_EQ(m.donnee[0x5F00], 0xAA);
    EXPECT_EQ(m.prog, avant.prog);
    EXPECT_EQ(m.config, avant.config);

    EXPECT_EQ(lit(":020000040000FA"), 1);
    EXPECT_EQ(lit(":02000000AABB99"), 1);
    EXPECT_EQ(m.prog[0], 0xBBAA);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, autres_types_ignores) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    EXPECT_EQ(lit(":020000020000FC"), 1);
    EXPECT_EQ(lit(":0400000300001234B3"), 1);
    EXPECT_EQ(lit(":0400000500001234B1"), 1);
    EXPECT_EQ(lit(":00000001FF"), 1);
    EXPECT_TRUE(memes_images(m, image_vierge()));
    EXPECT_TRUE(messages().empty());
}

// --- lines of a file

TEST_F(Hex_PIC, fins_de_ligne_et_derniere_ligne_sans_saut) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    test::ecrit_fichier(rep.fichier("a.hex"), "; lf\n:020000000428D2\r\n:02400E00F13F80");
    auto lue = Lire_Fichier_Hex_PIC(rep.fichier("a.hex"));
    EXPECT_EQ(lue->prog[0], 0x2804);
    EXPECT_EQ(lue->config, 0x3FF1);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, le_caractere_apres_un_retour_chariot_est_perdu) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    // CR alone: the ":" of the next line goes with it, which leaves a bad line.
    test::ecrit_fichier(rep.fichier("cr.hex"), ":020000000428D2\r:02400E00F13F80\r\n\n");
    auto lue = Lire_Fichier_Hex_PIC(rep.fichier("cr.hex"));
    EXPECT_EQ(lue->prog[0], 0x2804);
    EXPECT_EQ(lue->config, 0x03FF);
    // "02400E00F13F80" and the empty line.
    EXPECT_EQ(messages(), std::vector<std::string>(2, MSG_LIGNE));
}

TEST_F(Hex_PIC, ligne_longue_lue_entiere) {
    test::choisit_composant("PIC16F877", 8192, 256, 1);
    // 254 data bytes: words 0 to 126, far beyond a 255-character line.
    std::string ligne = ":FE000000";
    unsigned somme = 0xFE;
    for (int j = 0; j < 127; ++j) {
        ligne += ui2Hex(j, 2) + "30";
        somme += static_cast<unsigned>(j) + 0x30;
    }
    ligne += ui2Hex(static_cast<int>((0x100 - (somme & 0xFF)) & 0xFF), 2);
    ASSERT_EQ(ligne.size(), 1 + 2 * (5 + 254u));
    test::ecrit_fichier(rep.fichier("long.hex"), ligne + "\r\n:00000001FF\r\n");
    auto lue = Lire_Fichier_Hex_PIC(rep.fichier("long.hex"));
    for (int j = 0; j < 127; ++j) EXPECT_EQ(lue->prog[j], 0x3000 + j) << j;
    EXPECT_EQ(lue->prog[127], 0xFFFF);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, texte_qui_n_est_pas_du_hex) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    const std::string resume =
        "Lecture arrêtée après 10 lignes incorrectes : ce n'est pas un fichier Intel HEX ?";
    std::string binaire;
    for (int i = 0; i < 40; ++i) binaire += std::string(1, static_cast<char>(0x80 + i)) + "\n";
    struct Cas {
        std::string texte;
        std::vector<std::string> attendus;
        uint16_t mot0; // the record after the text is stored only when reading went on
    };
    const Cas cas[] = {
        // An endless line counts as one bad line per KiB.
        {std::string(20000, '\0'), std::vector<std::string>(10, MSG_LIGNE), 0xFFFF},
        {binaire, std::vector<std::string>(10, MSG_LIGNE), 0xFFFF},
        {":" + std::string(1024, '0') + "\r\n", {MSG_LIGNE}, 0x2804},
        {std::string(3000, 'x') + "\n\n", {MSG_LIGNE, MSG_LIGNE, MSG_LIGNE}, 0x2804},
    };
    for (const Cas& c : cas) {
        journal.vide();
        std::istringstream flux(c.texte + ":020000000428D2\n");
        Lecture_hex bilan;
        const auto lue = Lire_Hex_PIC(flux, &bilan);
        std::vector<std::string> attendus = c.attendus;
        if (attendus.size() == 10) attendus.push_back(resume);
        EXPECT_EQ(messages(), attendus) << c.texte.size();
        EXPECT_EQ(bilan.messages, static_cast<int>(attendus.size()));
        EXPECT_EQ(lue->prog[0], c.mot0) << c.texte.size();
    }
}

TEST_F(Hex_PIC, donnees_hors_du_composant_comptees_une_fois) {
    struct Cas {
        const char* composant;
        int t, d, algo;
        bool octets;
        std::string texte;
        std::string avertissement;
    };
    const Cas cas[] = {
        // Word 0x400, a blank word after it, data bytes 63 (blank) to 65.
        {"PIC16F84", 1024, 64, 1, false,
         ":020800000428CA\n:02080200FFFFF6\n:02400E00F13F80\n:04428000AB00CD00C2\n"
         ":04427E00FF0012002B\n",
         "4 mots du fichier sont hors du composant PIC16F84 : ils ne seront pas écrits"},
        // A 14-bit configuration word and data above 64 KiB for a 12-bit device.
        {"PIC12C508", 512, 0, 3, false,
         ":020400005500A5\n:02400E00F13F80\n:020000040001F9\n:02000000AABB99\n",
         "2 mots du fichier sont hors du composant PIC12C508 : ils ne seront pas écrits"},
        {"24C02", 0, 256, -1, true, ":0300FE00AAFFCC8A\n",
         "1 octet du fichier est hors du composant 24C02 : il ne sera pas écrit"},
        {"PIC16F84", 1024, 64, 1, false, ":020000000428D2\n:00000001FF\n", ""},
        {nullptr, 0, 0, 0, false, ":020800000428CA\n", ""},
    };
    for (const Cas& c : cas) {
        tab_pic.clear();
        pic_select = 0;
        if (c.composant) test::choisit_composant(c.composant, c.t, c.d, c.algo);
        std::istringstream flux(c.texte);
        Lecture_hex bilan;
        c.octets ? Lire_Hex_EEPROM(flux, &bilan) : Lire_Hex_PIC(flux, &bilan);
        EXPECT_EQ(texte_hors_composant(bilan, c.octets), c.avertissement) << c.texte;
    }
    EXPECT_TRUE(messages().empty());
}

// --- writing

TEST_F(Hex_PIC, ecriture_exemple_quatorze_bits) {
    test::choisit_composant("PIC16C84", 1024, 0, 1);
    m = Memoire_PIC();
    m.prog[0] = 0x2805;
    m.prog[1] = 0x0000;
    m.config = 0x3FF1;
    EXPECT_EQ(ecrit(), ":0400000005280000CF\r\n"
                       ":08400000FF00FF00FF00FF00BC\r\n"
                       ":02400E00F13F80\r\n"
                       ":00000001FF\r\n");
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, ecriture_mots_vides_et_groupes_de_huit) {
    test::choisit_composant("PIC16C84", 1024, 0, 1);
    const std::string queue = ":08400000FF00FF00FF00FF00BC\r\n:02400E00FF03AE\r\n:00000001FF\r\n";

    m.prog[0] = 0x0001;
    m.prog[2] = 0x0003;
    m.prog[3] = 0x0004;
    EXPECT_EQ(ecrit(), ":020000000100FD\r\n:06000200FFFF03000400F3\r\n" + queue);

    m = image_vierge();
    m.prog[8] = 0x1234;
    EXPECT_EQ(ecrit(), ":020010003412A8\r\n" + queue);

    // A record stops at an 8-word boundary; the 0xFFFF before a word of its own group starts
    // the record, the 0xFFFF before the next group is not written.
    m = image_vierge();
    m.prog[6] = 7;
    m.prog[7] = 8;
    m.prog[8] = 9;
    EXPECT_EQ(ecrit(), ":06000A00FFFF07000800E3\r\n:020010000900E5\r\n" + queue);
    m.prog[7] = 0xFFFF;
    m.prog[6] = 0xFFFF;
    m.prog[3] = 4;
    EXPECT_EQ(ecrit(), ":04000400FFFF0400F6\r\n:020010000900E5\r\n" + queue);
}

TEST_F(Hex_PIC, ecriture_image_lue_du_composant_en_enregistrements_pleins) {
    test::choisit_composant("PIC16C84", 16, 0, 1);
    for (int i = 0; i < 16; ++i) m.prog[i] = 0x3FFF;
    m.prog[16] = 0x0000; // beyond the device: not written
    EXPECT_EQ(ecrit(), ":10000000FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3F00\r\n"
                       ":10001000FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FF0\r\n"
                       ":08400000FF00FF00FF00FF00BC\r\n:02400E00FF03AE\r\n:00000001FF\r\n");
}

TEST_F(Hex_PIC, ecriture_s_arrete_a_la_taille_du_composant) {
    test::choisit_composant("essai", 4, 0, 1);
    m.prog[3] = 0x0004;
    m.prog[4] = 0x0005;
    m.prog[5] = 0x0006;
    const std::string f = ecrit();
    EXPECT_EQ(f.substr(0, f.find("\r\n")), ":04000400FFFF0400F6");
    EXPECT_EQ(f.find(":020008"), std::string::npos);
}

TEST_F(Hex_PIC, ecriture_identifiants_config_et_eeprom_de_donnees) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    for (int i = 0; i < 4; ++i) m.id[i] = static_cast<uint8_t>(1 + i);
    m.config = 0x3FF1;
    m.donnee[0] = 0x12;
    m.donnee[1] = 0x34;
    m.donnee[64] = 0x00; // beyond the device
    std::string attendu = ":084000000100020003000400AE\r\n:02400E00F13F80\r\n"
                          ":1042000012003400FF00FF00FF00FF00FF00FF006E\r\n";
    const char* sommes[] = {"A6", "96", "86", "76", "66", "56", "46"};
    for (int i = 1; i < 8; ++i)
        attendu += ":1042" + ui2Hex(i * 16, 2) + "00FF00FF00FF00FF00FF00FF00FF00FF00" +
                   sommes[i - 1] + "\r\n";
    attendu += ":00000001FF\r\n";
    EXPECT_EQ(ecrit(), attendu);
}

TEST_F(Hex_PIC, ecriture_eeprom_de_donnees_de_taille_non_multiple_de_huit) {
    test::choisit_composant("essai", 0, 12, 1);
    const std::string f = ecrit();
    EXPECT_NE(f.find(":10421000"), std::string::npos);
    EXPECT_EQ(f.find(":10422000"), std::string::npos);
}

TEST_F(Hex_PIC, ecriture_grande_eeprom_de_donnees_au_dela_de_64_kio) {
    test::choisit_composant("essai", 0, 131072, 1);
    std::mt19937 alea(7);
    for (auto& b : m.donnee) b = static_cast<uint8_t>(alea());
    m.donnee[0x5EFF] = 0x42; // last byte below address 0x10000
    m.donnee[0x5F00] = 0x43;
    const std::string f = ecrit();
    EXPECT_NE(f.find(":10FFF000"), std::string::npos);
    EXPECT_NE(f.find(":020000040001F9\r\n:1000000043"), std::string::npos);
    EXPECT_NE(f.find(":020000040002F8\r\n"), std::string::npos);
    std::size_t lignes = 0;
    for (char c : f) lignes += c == '\n';
    EXPECT_EQ(lignes, 2 + 131072 / 8 + 4 + 1); // four upper addresses: 1 to 4
    auto lue = Lire_Fichier_Hex_PIC(rep.fichier("sortie.hex"));
    EXPECT_EQ(lue->donnee, m.donnee);
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, ecriture_douze_bits) {
    test::choisit_composant("PIC12C508", 512, 0, 3);
    m.prog[0] = 0x0025;
    for (int i = 0; i < 4; ++i) m.id[i] = static_cast<uint8_t>(0x0A + i);
    m.config = 0x0FEA;
    EXPECT_EQ(ecrit(), ":020000002500D9\r\n:080400000A000B000C000D00C6\r\n:021FFE00EA0FE8\r\n"
                       ":00000001FF\r\n");
}

TEST_F(Hex_PIC, ecriture_sans_composant) {
    m.prog[0] = 0x0001; // no program memory to write
    m.donnee[0] = 0x00;
    EXPECT_EQ(ecrit(), ":08400000FF00FF00FF00FF00BC\r\n:02400E00FF03AE\r\n:00000001FF\r\n");
}

TEST_F(Hex_PIC, echec_d_ecriture_messages_et_cible_intacte) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    const std::string cibles[] = {rep.fichier("absent/sortie.hex"), rep.chemin().string()};
    for (const std::string& cible : cibles) {
        journal.vide();
        testing::internal::CaptureStdout();
        Ecrire_Fichier_Hex_PIC(cible, m);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), STDOUT_ECRITURE) << cible;
        ASSERT_EQ(journal.messages().size(), 1u) << cible;
        EXPECT_EQ(journal.messages()[0].texte, MSG_ECRITURE);
        EXPECT_EQ(journal.messages()[0].fin, 0);
    }
    EXPECT_TRUE(std::filesystem::is_directory(rep.chemin()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rep.chemin()), {}), 0);
}

TEST_F(Hex_PIC, echec_dans_un_repertoire_en_lecture_seule_laisse_l_ancien_fichier) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    const std::string cible = rep.fichier("ancien.hex");
    test::ecrit_fichier(cible, "ancien");
    // A writable file would be rewritten in place: neither the file nor its directory is.
    ::chmod(cible.c_str(), 0444);
    ::chmod(rep.chemin().c_str(), 0555);
    testing::internal::CaptureStdout();
    Ecrire_Fichier_Hex_PIC(cible, m);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), STDOUT_ECRITURE);
    ::chmod(rep.chemin().c_str(), 0755);
    EXPECT_EQ(test::lit_fichier(cible), "ancien");
    EXPECT_EQ(messages(), std::vector<std::string>{MSG_ECRITURE});
}

TEST_F(Hex_PIC, remplacement_entier_sans_fichier_temporaire_et_droits_gardes) {
    test::choisit_composant("PIC16C84", 1024, 0, 1);
    const std::string cible = rep.fichier("sortie.hex");
    test::ecrit_fichier(cible, std::string(10000, 'x'));
    ::chmod(cible.c_str(), 0640);
    const std::string f = ecrit();
    EXPECT_EQ(f, ":08400000FF00FF00FF00FF00BC\r\n:02400E00FF03AE\r\n:00000001FF\r\n");
    struct stat st;
    ASSERT_EQ(::stat(cible.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rep.chemin()), {}), 1);

    // Through a link, the file it names is replaced and the link stays.
    const std::string lien = rep.fichier("lien.hex");
    std::filesystem::create_symlink(cible, lien);
    m.config = 0x3FF1;
    Ecrire_Fichier_Hex_PIC(lien, m);
    EXPECT_TRUE(std::filesystem::is_symlink(lien));
    EXPECT_NE(test::lit_fichier(cible).find(":02400E00F13F80\r\n"), std::string::npos);
    EXPECT_TRUE(messages().empty());
}

// --- round trips

Memoire_PIC image_au_hasard(unsigned graine, uint16_t masque_mot) {
    std::mt19937 alea(graine);
    Memoire_PIC img = image_vierge();
    for (auto& w : img.prog) {
        const auto r = alea() % 10;
        // blank words alone and in runs, to cross the record rules
        w = r < 3 ? uint16_t{0xFFFF} : static_cast<uint16_t>(alea() & masque_mot);
    }
    for (auto& b : img.donnee) b = static_cast<uint8_t>(alea());
    for (auto& i : img.id) i = static_cast<uint8_t>(alea());
    img.config = static_cast<uint16_t>(alea() & masque_mot);
    return img;
}

// Same program words within T, IDs, configuration word and data within D; nothing else.
void verifie_aller_retour(const Memoire_PIC& source, const Memoire_PIC& lue, std::size_t t,
                          std::size_t d) {
    for (std::size_t i = 0; i < t; ++i) ASSERT_EQ(lue.prog[i], source.prog[i]) << i;
    for (std::size_t i = t; i < lue.prog.size(); ++i) ASSERT_EQ(lue.prog[i], 0xFFFF) << i;
    for (std::size_t i = 0; i < d; ++i) ASSERT_EQ(lue.donnee[i], source.donnee[i]) << i;
    for (std::size_t i = d; i < lue.donnee.size(); ++i) ASSERT_EQ(lue.donnee[i], 0xFF) << i;
    EXPECT_TRUE(std::equal(lue.id, lue.id + 4, source.id));
    EXPECT_EQ(lue.config, source.config);
}

TEST_F(Hex_PIC, aller_retour_quatorze_bits) {
    for (auto [t, d] : {std::pair{1024, 64}, std::pair{8192, 256}}) {
        SCOPED_TRACE(t);
        tab_pic.clear();
        test::choisit_composant("essai", t, d, 1);
        m = image_au_hasard(static_cast<unsigned>(t), 0x3FFF);
        ecrit();
        auto lue = Lire_Fichier_Hex_PIC(rep.fichier("sortie.hex"));
        verifie_aller_retour(m, *lue, static_cast<std::size_t>(t), static_cast<std::size_t>(d));
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(Hex_PIC, aller_retour_douze_bits) {
    for (int t : {512, 1024, 2048}) {
        SCOPED_TRACE(t);
        tab_pic.clear();
        test::choisit_composant("essai", t, 0, 3);
        m = image_au_hasard(static_cast<unsigned>(t), 0x0FFF);
        ecrit();
        auto lue = Lire_Fichier_Hex_PIC(rep.fichier("sortie.hex"));
        verifie_aller_retour(m, *lue, static_cast<std::size_t>(t), 0);
    }
    EXPECT_TRUE(messages().empty());
}

} // namespace
