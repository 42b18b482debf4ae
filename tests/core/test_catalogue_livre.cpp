// SPDX-License-Identifier: GPL-2.0-or-later
// The catalogue and the default settings shipped in data/, checked against the device data
// (memory sizes, algorithms, configuration-word layouts) and against the readers.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/memoire.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace {

class Catalogue_livre : public test::Etat_propre {
  protected:
    // Reads the shipped catalogue; returns what the reader printed on standard output.
    std::string lit_catalogue() {
        const std::optional<std::string> sortie = test::lit_catalogue_livre();
        EXPECT_TRUE(sortie);
        return sortie.value_or("");
    }

    const Desc_PIC& pic(const std::string& nom) {
        int i = cherche_pic(nom);
        if (i < 0) {
            ADD_FAILURE() << nom << " missing from the catalogue";
            static const Desc_PIC vide;
            return vide;
        }
        return tab_pic[static_cast<std::size_t>(i)];
    }

    const Fusibles& fuses(int famille) { return tab_fuses[static_cast<std::size_t>(famille)]; }
};

uint32_t ou_masques(const Fusibles& f) {
    uint32_t m = 0;
    for (uint32_t x : f.masque) m |= x;
    return m;
}

TEST_F(Catalogue_livre, lit_tout_le_fichier_sans_message) {
    EXPECT_EQ(lit_catalogue(), "");
    ASSERT_EQ(tab_pic.size(), 135u);

    std::map<int, int> par_algo;
    for (const Desc_PIC& p : tab_pic) ++par_algo[p.algo];
    EXPECT_EQ(par_algo[1], 13);
    EXPECT_EQ(par_algo[2], 47);
    EXPECT_EQ(par_algo[3], 7);
    EXPECT_EQ(par_algo[4], 3);   // 16F627A .. 16F648A
    EXPECT_EQ(par_algo[5], 4);   // 16F873A .. 16F877A
    EXPECT_EQ(par_algo[6], 4);   // 12F629, 12F675, 16F630, 16F676
    EXPECT_EQ(par_algo[7], 4);   // 16F87, 16F88, 16F818, 16F819
    EXPECT_EQ(par_algo[8], 5);   // 16F882 .. 16F887
    EXPECT_EQ(par_algo[9], 7);   // 12F683, 16F684 .. 16F690
    EXPECT_EQ(par_algo[10], 16); // 12F1822 .. 16F1939
    EXPECT_EQ(par_algo[-1], 5);  // 24C01 .. 24C16
    EXPECT_EQ(par_algo[-2], 5);  // 24C32 .. 24C512
    EXPECT_EQ(par_algo[-3], 5);  // 93C46 .. 93C86
    EXPECT_EQ(par_algo[-4], 10); // 25x010 .. 25x512
    // Every kind of the table has devices.
    EXPECT_EQ(par_algo.size(), static_cast<std::size_t>(fin_genres() - debut_genres()));

    // Devices per configuration family, as in the device tables (110 PICs).
    std::map<int, int> par_famille;
    for (const Desc_PIC& p : tab_pic)
        if (!est_eeprom(p)) ++par_famille[p.famille];
    const std::map<int, int> attendu = {
        {0, 3},  {1, 3},  {2, 2},  {3, 7},  {4, 5},  {5, 28}, {6, 2},  {7, 3},  {8, 4},  {9, 3},
        {10, 3}, {11, 4}, {12, 4}, {13, 7}, {14, 2}, {15, 2}, {16, 6}, {17, 1}, {18, 5}, {20, 16}};
    EXPECT_EQ(par_famille, attendu);
}

TEST_F(Catalogue_livre, chaque_entree_tient_dans_les_tables) {
    lit_catalogue();
    ASSERT_FALSE(tab_pic.empty());
    EXPECT_LE(tab_pic.size(), static_cast<std::size_t>(NB_PIC_MAX));
    std::set<std::string> noms;
    for (const Desc_PIC& p : tab_pic) {
        SCOPED_TRACE(p.nom);
        EXPECT_TRUE(noms.insert(p.nom).second) << "duplicate name";
        EXPECT_FALSE(p.nom.empty());
        EXPECT_LT(p.nom.size(), 20u);
        // A line whose first word is a number is a fuse layout line.
        EXPECT_NE(p.nom.find_first_not_of("0123456789"), std::string::npos);
        EXPECT_GE(p.taille_prog, 0);
        EXPECT_LE(p.taille_prog, TAILLE_PROG_MAX);
        EXPECT_GE(p.taille_donnee, 0);
        EXPECT_LE(p.taille_donnee, 131072);
        EXPECT_GE(p.famille, 0);
        EXPECT_LT(p.famille, NB_FAMILLES);
        EXPECT_NE(faits_genre(p), nullptr) << p.algo;
        EXPECT_TRUE(p.vpp40 == 0 || p.vpp40 == 1);
        EXPECT_TRUE(p.teste == 0 || p.teste == 1);
        EXPECT_TRUE(p.osc_cal == 0 || p.osc_cal == 1);
        if (est_eeprom(p)) {
            EXPECT_EQ(p.taille_prog, 0);
            EXPECT_GT(p.taille_donnee, 0);
            EXPECT_EQ(p.vpp40, 0);
            EXPECT_EQ(p.osc_cal, 0);
            // No fuse panel for a serial EEPROM.
            EXPECT_EQ(fuses(p.famille), Fusibles{}) << "family " << p.famille;
        } else {
            EXPECT_GT(p.taille_prog, 0);
            // Every PIC family has a layout line.
            EXPECT_NE(ou_masques(fuses(p.famille)), 0u) << "family " << p.famille;
            // Only the flash and EEPROM PICs have data memory.
            const bool flash = faits_genre(p) && faits_genre(p)->donnees;
            if (!flash) {
                EXPECT_EQ(p.taille_donnee, 0);
            }
            // Calibration words exist only on the EPROM parts and the 12F6xx.
            if (flash) {
                EXPECT_EQ(p.osc_cal, p.algo == 6 ? 1 : 0);
            }
        }
    }
}

TEST_F(Catalogue_livre, tailles_des_eeprom_serie_dans_leur_adressage) {
    lit_catalogue();
    for (const Desc_PIC& p : tab_pic) {
        if (!est_eeprom(p)) continue;
        SCOPED_TRACE(p.nom);
        int n = p.taille_donnee;
        EXPECT_EQ(n & (n - 1), 0) << "not a power of two";
        switch (p.algo) {
        case -1: // address bits 10..8 in the control byte
            EXPECT_LE(n, 2048);
            break;
        case -2: // two address bytes, for the parts -1 cannot reach
            EXPECT_GT(n, 2048);
            EXPECT_LE(n, 65536);
            break;
        case -3: // 7, 9 or 11 address bits
            EXPECT_LE(n, 2048);
            break;
        case -4: // 8, 9 or 16 address bits
            EXPECT_LE(n, 65536);
            break;
        default:
            ADD_FAILURE() << "algo " << p.algo;
        }
    }
}

struct Fait {
    const char* nom;
    int prog, donnee, famille, algo, vpp40, osc_cal;
};

TEST_F(Catalogue_livre, composants_conformes_aux_fiches_techniques) {
    lit_catalogue();
    const Fait faits[] = {
        {"PIC16C84", 1024, 64, 0, 1, 0, 0},     {"PIC16F83", 512, 64, 1, 1, 0, 0},
        {"PIC16F84", 1024, 64, 1, 1, 0, 0},     {"PIC16F84A", 1024, 64, 1, 1, 0, 0},
        {"PIC16F627", 1024, 128, 2, 1, 0, 0},   {"PIC16F628", 2048, 128, 2, 1, 0, 0},
        {"PIC16F870", 2048, 64, 3, 1, 1, 0},    {"PIC16F873", 4096, 128, 3, 1, 1, 0},
        {"PIC16F877", 8192, 256, 3, 1, 1, 0},   {"PIC16C61", 1024, 0, 0, 2, 0, 0},
        {"PIC16C74", 4096, 0, 4, 2, 1, 0},      {"PIC16C74A", 4096, 0, 5, 2, 1, 0},
        {"PIC16C66", 8192, 0, 5, 2, 1, 0},      {"PIC16C620", 512, 0, 5, 2, 0, 0},
        {"PIC16CE625", 2048, 0, 5, 2, 0, 0},    {"PIC16C711", 1024, 0, 6, 2, 0, 0},
        {"PIC16C554", 512, 0, 7, 2, 0, 0},      {"PIC16C557", 2048, 0, 7, 2, 1, 0},
        {"PIC16C715", 2048, 0, 9, 2, 0, 0},     {"PIC16C662", 4096, 0, 9, 2, 1, 0},
        {"PIC12C671", 1024, 0, 8, 2, 0, 1},     {"PIC12C672", 2048, 0, 8, 2, 0, 1},
        {"PIC12CE674", 2048, 0, 8, 2, 0, 1},    {"PIC12C508", 512, 0, 16, 3, 0, 1},
        {"PIC12C509A", 1024, 0, 16, 3, 0, 1},   {"PIC12CE519", 1024, 0, 16, 3, 0, 1},
        {"PIC16C505", 1024, 0, 17, 3, 0, 1},    {"PIC16F627A", 1024, 128, 10, 4, 0, 0},
        {"PIC16F628A", 2048, 128, 10, 4, 0, 0}, {"PIC16F648A", 4096, 256, 10, 4, 0, 0},
        {"PIC16F873A", 4096, 128, 11, 5, 1, 0}, {"PIC16F874A", 4096, 128, 11, 5, 1, 0},
        {"PIC16F876A", 8192, 256, 11, 5, 1, 0}, {"PIC16F877A", 8192, 256, 11, 5, 1, 0},
        {"PIC12F629", 1024, 128, 12, 6, 0, 1},  {"PIC12F675", 1024, 128, 12, 6, 0, 1},
        {"PIC16F630", 1024, 128, 12, 6, 0, 1},  {"PIC16F676", 1024, 128, 12, 6, 0, 1},
    };
    for (const Fait& f : faits) {
        SCOPED_TRACE(f.nom);
        const Desc_PIC& p = pic(f.nom);
        EXPECT_EQ(p.taille_prog, f.prog);
        EXPECT_EQ(p.taille_donnee, f.donnee);
        EXPECT_EQ(p.famille, f.famille);
        EXPECT_EQ(p.algo, f.algo);
        EXPECT_EQ(p.vpp40, f.vpp40);
        EXPECT_EQ(p.osc_cal, f.osc_cal);
    }
}

TEST_F(Catalogue_livre, eeprom_serie_conformes_a_leurs_protocoles) {
    lit_catalogue();
    const std::pair<const char*, int> i2c[] = {
        {"24C01", 128},  {"24C02", 256},  {"24C04", 512},    {"24C08", 1024},   {"24C16", 2048},
        {"24C32", 4096}, {"24C64", 8192}, {"24C128", 16384}, {"24C256", 32768}, {"24C512", 65536}};
    for (auto [nom, taille] : i2c) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(pic(nom).taille_donnee, taille);
        EXPECT_EQ(pic(nom).algo, taille <= 2048 ? -1 : -2);
    }
    const std::pair<const char*, int> microwire[] = {
        {"93C46", 128}, {"93C56", 256}, {"93C66", 512}, {"93C76", 1024}, {"93C86", 2048}};
    for (auto [nom, taille] : microwire) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(pic(nom).taille_donnee, taille);
        EXPECT_EQ(pic(nom).algo, -3);
    }
    const std::pair<const char*, int> spi[] = {
        {"25C010", 128},   {"25C020", 256},  {"25C040", 512},  {"25C080", 1024},
        {"25C160", 2048},  {"25C320", 4096}, {"25C640", 8192}, {"25C128", 16384},
        {"25C256", 32768}, {"25C512", 65536}};
    for (auto [nom, taille] : spi) {
        SCOPED_TRACE(nom);
        EXPECT_EQ(pic(nom).taille_donnee, taille);
        EXPECT_EQ(pic(nom).algo, -4);
    }
}

// Uncertain protocol fits are flagged; clean ones are not.
TEST_F(Catalogue_livre, composants_marques_non_testes) {
    lit_catalogue();
    for (const char* nom :
         {"PIC16F627", "PIC16F628", "PIC16F870", "PIC16F877", "PIC16C62", "PIC16C74", "PIC16C557",
          "PIC16C642", "PIC16C662", "PIC12C671", "PIC12CE674"})
        EXPECT_EQ(pic(nom).teste, 0) << nom;
    for (const char* nom :
         {"PIC16C84", "PIC16F84", "PIC16F84A", "PIC16C74A", "PIC16C711", "PIC16C715", "PIC12C508",
          "PIC16C505", "24C16", "93C66", "25C040", "PIC16F628A", "PIC16F877A", "PIC12F675"})
        EXPECT_EQ(pic(nom).teste, 1) << nom;
}

// Configuration-word layouts, bit 13 first:
//  0  - - - - - - - - - CP0 PWRTE WDTE FOSC1 FOSC0
//  1  CP0 x10 PWRTE/ WDTE FOSC1 FOSC0
//  2  CP1 CP0 CP1 CP0 - CPD LVP BODEN MCLRE (FOSC2) PWRTE/ WDTE FOSC1 FOSC0
//  3  CP1 CP0 DEB/ - WRT CPD LVP BODEN CP1 CP0 PWRTE/ WDTE FOSC1 FOSC0
//  4  - x7 RESV CP1 CP0 PWRTE WDTE FOSC1 FOSC0
//  5  CP1 CP0 CP1 CP0 CP1 CP0 - BODEN CP1 CP0 PWRTE/ WDTE FOSC1 FOSC0
//  6  CP0 x7 BODEN CP0 CP0 PWRTE/ WDTE FOSC1 FOSC0
//  7  CP1 CP0 CP1 CP0 CP1 CP0 - - CP1 CP0 PWRTE/ WDTE FOSC1 FOSC0
//  8  CP1 CP0 CP1 CP0 CP1 CP0 MCLRE CP1 CP0 PWRTE/ WDTE FOSC2 FOSC1 FOSC0
//  9  CP1 CP0 CP1 CP0 CP1 CP0 (MPEEN) BODEN CP1 CP0 PWRTE/ WDTE FOSC1 FOSC0
// 16  0 0 - x7 MCLRE CP0 WDTE FOSC1 FOSC0
// 17  0 0 CP0 x6 MCLRE CP0 WDTE FOSC2 FOSC1 FOSC0
// 10  CP - - - - CPD LVP BODEN MCLRE FOSC2 PWRTE/ WDTE FOSC1 FOSC0
// 11  CP - DEB/ WRT1 WRT0 CPD LVP BODEN - - PWRTE/ WDTE FOSC1 FOSC0
// 12  BG1 BG0 - - - CPD CP BODEN MCLRE PWRTE/ WDTE FOSC2 FOSC1 FOSC0
// The 16F62x FOSC2 (bit 4) is left unnamed (family 2 as first written).
TEST_F(Catalogue_livre, dispositions_des_fusibles) {
    lit_catalogue();
    const std::map<int, std::map<Num_fuse, uint32_t>> attendu = {
        {0,
         {{F_TIRET, 0x3FE0},
          {F_CP0, 0x0010},
          {F_PWRTE, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {1,
         {{F_CP0, 0x3FF0},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {2,
         {{F_CP1, 0x2800},
          {F_CP0, 0x1400},
          {F_TIRET, 0x0200},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_MCLRE, 0x0020},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {3,
         {{F_CP1, 0x2020},
          {F_CP0, 0x1010},
          {F_DEB_, 0x0800},
          {F_TIRET, 0x0400},
          {F_WRT, 0x0200},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {4,
         {{F_TIRET, 0x3F80},
          {F_RESV, 0x0040},
          {F_CP1, 0x0020},
          {F_CP0, 0x0010},
          {F_PWRTE, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {5,
         {{F_CP1, 0x2A20},
          {F_CP0, 0x1510},
          {F_TIRET, 0x0080},
          {F_BODEN, 0x0040},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {6,
         {{F_CP0, 0x3FB0},
          {F_BODEN, 0x0040},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {7,
         {{F_CP1, 0x2A20},
          {F_CP0, 0x1510},
          {F_TIRET, 0x00C0},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {8,
         {{F_CP1, 0x2A40},
          {F_CP0, 0x1520},
          {F_MCLRE, 0x0080},
          {F_PWRTE_, 0x0010},
          {F_WDTE, 0x0008},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {9,
         {{F_CP1, 0x2A20},
          {F_CP0, 0x1510},
          {F_BODEN, 0x0040},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {10,
         {{F_CP0, 0x2000},
          {F_TIRET, 0x1E00},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_MCLRE, 0x0020},
          {F_FOSC2, 0x0010},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {11,
         {{F_CP0, 0x2000},
          {F_TIRET, 0x1030},
          {F_DEB_, 0x0800},
          {F_WRT, 0x0600},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {12,
         {{F_ZERO, 0x0E00},
          {F_CPD, 0x0100},
          {F_CP0, 0x0080},
          {F_BODEN, 0x0040},
          {F_MCLRE, 0x0020},
          {F_PWRTE_, 0x0010},
          {F_WDTE, 0x0008},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {13,
         {{F_ZERO, 0x3000},
          {F_BODEN, 0x0300},
          {F_CPD, 0x0080},
          {F_CP0, 0x0040},
          {F_MCLRE, 0x0020},
          {F_PWRTE_, 0x0010},
          {F_WDTE, 0x0008},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {14,
         {{F_CP0, 0x2000},
          {F_DEB_, 0x0800},
          {F_WRT, 0x0600},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_MCLRE, 0x0020},
          {F_FOSC2, 0x0010},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {15,
         {{F_CP0, 0x2000},
          {F_DEB_, 0x0800},
          {F_WRT, 0x0600},
          {F_CPD, 0x0100},
          {F_LVP, 0x0080},
          {F_BODEN, 0x0040},
          {F_MCLRE, 0x0020},
          {F_FOSC2, 0x0010},
          {F_PWRTE_, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {16,
         {{F_ZERO, 0x3000},
          {F_TIRET, 0x0FE0},
          {F_MCLRE, 0x0010},
          {F_CP0, 0x0008},
          {F_WDTE, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {20,
         {{F_CPD, 0x0100},
          {F_CP0, 0x0080},
          {F_MCLRE, 0x0040},
          {F_PWRTE_, 0x0020},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {17,
         {{F_ZERO, 0x3000},
          {F_CP0, 0x0FD0},
          {F_MCLRE, 0x0020},
          {F_WDTE, 0x0008},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
        {18,
         {{F_DEB_, 0x2000},
          {F_LVP, 0x1000},
          {F_BODEN, 0x0300},
          {F_CPD, 0x0080},
          {F_CP0, 0x0040},
          {F_MCLRE, 0x0020},
          {F_PWRTE_, 0x0010},
          {F_WDTE, 0x0008},
          {F_FOSC2, 0x0004},
          {F_FOSC1, 0x0002},
          {F_FOSC0, 0x0001}}},
    };
    // Second words.
    EXPECT_EQ(tab_second_mot[14], true);
    EXPECT_EQ(tab_second_mot[18], true);
    EXPECT_EQ(tab_fuses2[14].masque[F_ZERO], 0x3FFCu);
    EXPECT_EQ(tab_fuses2[18].masque[F_ZERO], 0x38FFu);
    EXPECT_EQ(tab_fuses2[18].masque[F_WRT], 0x0600u);
    for (int fam = 0; fam < NB_FAMILLES; ++fam) {
        SCOPED_TRACE("family " + std::to_string(fam));
        auto it = attendu.find(fam);
        for (int n = 0; n < NB_FUSES; ++n) {
            uint32_t voulu = 0;
            if (it != attendu.end()) {
                auto m = it->second.find(static_cast<Num_fuse>(n));
                if (m != it->second.end()) voulu = m->second;
            }
            EXPECT_EQ(fuses(fam).masque[n], voulu) << noms_fuses[n];
        }
    }
}

// What the memory view and the configuration editor assume of a layout: one name per bit,
// nothing above bit 13, oscillator bits at the bottom of the word.
TEST_F(Catalogue_livre, dispositions_adaptees_a_l_editeur_de_configuration) {
    lit_catalogue();
    std::set<int> avec_fosc2;
    for (int fam = 0; fam < NB_FAMILLES; ++fam) {
        const Fusibles& f = fuses(fam);
        if (ou_masques(f) == 0) continue;
        SCOPED_TRACE("family " + std::to_string(fam));
        uint32_t vus = 0;
        for (int n = 0; n < NB_FUSES; ++n) {
            EXPECT_EQ(f.masque[n] & vus, 0u) << noms_fuses[n] << " overlaps another name";
            vus |= f.masque[n];
        }
        EXPECT_EQ(vus & ~0x3FFFu, 0u);
        EXPECT_EQ(f.masque[F_FOSC0], 0x1u);
        EXPECT_EQ(f.masque[F_FOSC1], 0x2u);
        // FOSC2 is bit 2, or bit 4 on the 16F62xA and 16F87/88, 16F818/819 (families 10, 14, 15).
        const bool bit_4 = fam == 10 || fam == 14 || fam == 15;
        EXPECT_TRUE(f.masque[F_FOSC2] == 0 || f.masque[F_FOSC2] == (bit_4 ? 0x10u : 0x4u));
        if (f.masque[F_FOSC2]) avec_fosc2.insert(fam);
    }
    // Internal/external RC choices: the 12C67x, the 16C505, the 16F62xA, the 12F6xx, the later
    // flash parts and the enhanced mid-range parts.
    EXPECT_EQ(avec_fosc2, (std::set<int>{8, 10, 12, 13, 14, 15, 17, 18, 20}));
    EXPECT_NE(fuses(pic("PIC12C672").famille).masque[F_FOSC2], 0u);
    EXPECT_EQ(fuses(pic("PIC12C508").famille).masque[F_FOSC2], 0u);
}

TEST_F(Catalogue_livre, reglages_livres_egaux_aux_valeurs_par_defaut_du_lecteur) {
    std::string contenu = test::lit_fichier(test::fichier_source("data/conf_port"));
    ASSERT_FALSE(contenu.empty());

    // Every setting off its default first, so that each must come from a line of the file.
    PORT_PARA = 0x278;
    type_de_prog = 2;
    for (Ligne& l : c_autre.l) l = {0xFF, 1};
    le_prog_enable = le_data_enable = le_config_enable = le_ID_enable = 0;
    le_prog_deb = le_data_deb = 7;
    le_prog_fin = le_data_fin = 8;
    osc_int_enable = 1;
    val_tempo = 99;
    pic_select = 50;
    std::istringstream in(contenu);
    lire_conf_port(in);

    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(type_de_prog, 0);
    EXPECT_EQ(c_autre, Brochage{});
    EXPECT_EQ(le_prog_enable, 1);
    EXPECT_EQ(le_prog_deb, 0);
    EXPECT_EQ(le_prog_fin, 65535);
    EXPECT_EQ(le_data_enable, 1);
    EXPECT_EQ(le_data_deb, 0);
    EXPECT_EQ(le_data_fin, 65535);
    EXPECT_EQ(le_config_enable, 1);
    EXPECT_EQ(le_ID_enable, 1);
    EXPECT_EQ(osc_int_enable, 0);
    EXPECT_EQ(val_tempo, 0);
    EXPECT_EQ(lastFile, "");

    // The remembered device is the PIC16F84 of the shipped catalogue.
    lit_catalogue();
    ASSERT_GE(pic_select, 0);
    ASSERT_LT(static_cast<std::size_t>(pic_select), tab_pic.size());
    EXPECT_EQ(tab_pic[static_cast<std::size_t>(pic_select)].nom, "PIC16F84");
}

TEST_F(Catalogue_livre, reglages_livres_egaux_a_ce_qu_ecrit_la_sauvegarde) {
    std::string contenu = test::lit_fichier(test::fichier_source("data/conf_port"));
    lit_catalogue();
    valeurs_par_defaut_conf();
    c_autre = {};
    val_tempo = 0;
    lastFile.clear();
    pic_select = cherche_pic("PIC16F84");
    EXPECT_EQ(contenu, texte_conf_port(c_autre));

    // Latin-1 "è" in the heading, 28 lines with bare line feeds.
    EXPECT_NE(contenu.find("param\xe8tres"), std::string::npos);
    EXPECT_EQ(std::count(contenu.begin(), contenu.end(), '\n'), 28);
    EXPECT_EQ(contenu.find('\r'), std::string::npos);
}

} // namespace
