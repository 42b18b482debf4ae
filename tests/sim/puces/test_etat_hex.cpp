// SPDX-License-Identifier: GPL-2.0-or-later
// Chip state files: Intel HEX in the layout of the chip's kind, named by a first comment line.
#include "programmateur_test.h"

#include "sim/puces/fabrique.h"
#include "sim/puces/puce_eprom.h"
#include "sim/puces/puce_flash.h"

#include <map>
#include <sstream>

namespace {

// Word at each byte address of the data records; fails the test on a malformed line.
std::map<int, unsigned> mots_du_fichier(const std::string& texte) {
    std::map<int, unsigned> mots;
    std::istringstream in(texte);
    std::string ligne;
    bool fin = false;
    while (std::getline(in, ligne)) {
        EXPECT_FALSE(ligne.empty());
        if (ligne.empty()) continue;
        EXPECT_EQ(ligne.back(), '\r') << "CR LF";
        ligne.pop_back();
        if (ligne[0] == ';') continue;
        EXPECT_FALSE(fin) << "record after the end record";
        std::vector<unsigned> o;
        for (std::size_t i = 1; i + 1 < ligne.size(); i += 2)
            o.push_back(static_cast<unsigned>(std::stoul(ligne.substr(i, 2), nullptr, 16)));
        unsigned somme = 0;
        for (unsigned x : o) somme += x;
        EXPECT_EQ(somme & 0xFF, 0u) << ligne;
        EXPECT_EQ(o.size(), o[0] + 5) << ligne;
        if (o[3] == 1) {
            fin = true;
            continue;
        }
        int adresse = static_cast<int>(o[1] * 256 + o[2]);
        for (unsigned j = 0; j + 1 < o[0]; j += 2)
            mots[adresse + static_cast<int>(j)] = o[4 + j] | (o[5 + j] << 8);
    }
    EXPECT_TRUE(fin) << "end record";
    return mots;
}

class Etat_hex : public test::Puces {};

TEST_F(Etat_hex, disposition_classe_1) {
    Puce_flash puce(pic("PIC16F84"));
    Contenu_pic& c = puce.contenu();
    c.programme[1] = 0x2805;
    c.ids = {0x3001, 2, 3, 4};
    c.config = 0x3FF1;
    c.donnees[63] = 0x5A;
    std::string texte = puce.etat_hex();
    EXPECT_EQ(texte.substr(0, texte.find('\n')), "; puce PIC16F84\r");
    std::map<int, unsigned> m = mots_du_fichier(texte);
    EXPECT_EQ(m.size(), 1024u + 4 + 1 + 64);
    EXPECT_EQ(m[0], 0x3FFFu);
    EXPECT_EQ(m[2], 0x2805u);
    EXPECT_EQ(m[0x4000], 0x3001u) << "IDs as whole words";
    EXPECT_EQ(m[0x4006], 4u);
    EXPECT_EQ(m[0x400E], 0x3FF1u);
    EXPECT_EQ(m[0x4200], 0xFFu);
    EXPECT_EQ(m[0x4200 + 2 * 63], 0x5Au);
}

TEST_F(Etat_hex, disposition_classe_3_avec_calibration) {
    Puce_eprom puce(pic("PIC12C508"));
    puce.contenu().ids[3] = 0x0ABC;
    std::map<int, unsigned> m = mots_du_fichier(puce.etat_hex());
    EXPECT_EQ(m.size(), 512u + 4 + 1);
    EXPECT_EQ(m[0], 0x0FFFu);
    EXPECT_EQ(m[0x3FE], static_cast<unsigned>(puce.mot_calibration())) << "blank chip";
    EXPECT_EQ(m[0x400 + 6], 0x0ABCu);
    EXPECT_EQ(m[0x1FFE], 0x0FFFu);
}

TEST_F(Etat_hex, aller_retour_pour_chaque_classe) {
    for (const char* nom : {"PIC16F877", "PIC16C74A", "PIC12C671", "PIC16C505"}) {
        SCOPED_TRACE(nom);
        std::unique_ptr<Modele_puce> a = cree_puce(pic(nom), {});
        std::unique_ptr<Modele_puce> b = cree_puce(pic(nom), {});
        auto& pa = dynamic_cast<Puce_pic&>(*a);
        auto& pb = dynamic_cast<Puce_pic&>(*b);
        Contenu_pic& c = pa.contenu();
        for (std::size_t i = 0; i < c.programme.size(); ++i)
            c.programme[i] = static_cast<uint16_t>((i * 0x1357u) & pa.masque_mot());
        for (std::size_t i = 0; i < c.donnees.size(); ++i) c.donnees[i] = static_cast<uint8_t>(i);
        c.ids = {0x0001, 0x0202, 0x0303, static_cast<uint16_t>(0x0AB4 & pa.masque_mot())};
        c.config = static_cast<uint16_t>(0x3FBA & pa.config_vierge());
        ASSERT_TRUE(pb.charge_etat_hex(pa.etat_hex()));
        EXPECT_EQ(pb.contenu(), c);
        EXPECT_EQ(pb.etat_hex(), pa.etat_hex());
    }
}

TEST_F(Etat_hex, fichier_refuse) {
    Puce_flash f84(pic("PIC16F84"));
    f84.contenu().programme[0] = 0x0001;
    std::string texte = f84.etat_hex();

    Puce_flash f84a(pic("PIC16F84A"));
    EXPECT_FALSE(f84a.charge_etat_hex(texte)) << "names another chip";
    EXPECT_EQ(f84a.contenu().programme[0], 0x3FFF);

    Puce_flash autre(pic("PIC16F84"));
    std::string abime = texte;
    std::size_t i = abime.find(":10000000") + 9;
    abime[i] = abime[i] == '0' ? '1' : '0'; // first data digit: checksum now wrong
    EXPECT_FALSE(autre.charge_etat_hex(abime));
    EXPECT_FALSE(autre.charge_etat_hex(texte.substr(texte.find('\n') + 1))) << "no name line";
    EXPECT_FALSE(autre.charge_etat_hex(texte.substr(0, texte.find(":00000001FF"))))
        << "no end record";
    EXPECT_EQ(autre.contenu().programme[0], 0x3FFF) << "left as it was";
    EXPECT_TRUE(autre.charge_etat_hex(texte));
    EXPECT_EQ(autre.contenu().programme[0], 0x0001);
}

TEST_F(Etat_hex, chargement_repart_d_une_puce_vierge) {
    Puce_eprom puce(pic("PIC12C508"));
    puce.contenu().programme[0] = 0x0000;
    puce.contenu().programme[0x1FF] = 0x0000;
    // Only the name, the config word and the end record.
    ASSERT_TRUE(puce.charge_etat_hex("; puce PIC12C508\r\n:021FFE00EA0FE8\r\n:00000001FF\r\n"));
    EXPECT_EQ(puce.contenu().programme[0], 0x0FFF);
    EXPECT_EQ(puce.contenu().programme[0x1FF], puce.mot_calibration());
    EXPECT_EQ(puce.contenu().config, 0x0FEA);
}

TEST_F(Etat_hex, fabrique_par_classe) {
    EXPECT_NE(dynamic_cast<Puce_flash*>(cree_puce(pic("PIC16F84"), {}).get()), nullptr);
    EXPECT_NE(dynamic_cast<Puce_eprom*>(cree_puce(pic("PIC16C74A"), {}).get()), nullptr);
    std::unique_ptr<Modele_puce> c508 = cree_puce(pic("PIC12C508"), {});
    ASSERT_NE(dynamic_cast<Puce_eprom*>(c508.get()), nullptr);
    EXPECT_EQ(c508->description().nom, "PIC12C508");
    for (int algo : {-1, -2, -3, -4}) {
        Desc_PIC eeprom;
        eeprom.nom = "EEPROM";
        eeprom.taille_donnee = 2048;
        eeprom.algo = algo;
        eeprom.famille = 31;
        std::unique_ptr<Modele_puce> m = cree_puce(eeprom, {});
        ASSERT_NE(m, nullptr) << algo;
        EXPECT_EQ(dynamic_cast<Puce_pic*>(m.get()), nullptr) << algo; // a serial EEPROM model
        EXPECT_EQ(m->description().taille_donnee, 2048);
    }
}

} // namespace
