// SPDX-License-Identifier: GPL-2.0-or-later
// Line driver: shadow byte, polarity, whole-byte writes, input line, init_port and attente, on a
// recording backend.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"

#include <climits>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Journal {
    std::vector<uint8_t> ecrits;
    std::vector<int> ouvertures;
    int lectures_etat = 0;
    int lectures_horloge = 0;
    uint8_t etat = 0;
    bool ouvert = false;
    // Clock value at reading number i (from 0); 1 µs per reading unless a test scripts it.
    std::function<int64_t(int)> horloge = [](int i) { return int64_t{i} * 1000; };
};

class Faux_backend : public Backend_port {
  public:
    explicit Faux_backend(Journal& journal) : j(journal) {}
    bool ouvre(int base) override {
        j.ouvertures.push_back(base);
        j.ouvert = true;
        return true;
    }
    void ferme() override { j.ouvert = false; }
    bool ouvert() const override { return j.ouvert; }
    void ecrit_donnee(uint8_t octet) override { j.ecrits.push_back(octet); }
    uint8_t lit_etat() override {
        ++j.lectures_etat;
        return j.etat;
    }
    int64_t horloge_ns() override { return j.horloge(j.lectures_horloge++); }

  private:
    Journal& j;
};

class Pilote : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        installe_backend(std::make_unique<Faux_backend>(j));
        port_donnee = 0;
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }
    void composants(std::initializer_list<int> vpp40) {
        for (int v : vpp40) {
            Desc_PIC p;
            p.nom = "PIC" + std::to_string(tab_pic.size());
            p.algo = 1;
            p.vpp40 = v;
            tab_pic.push_back(p);
        }
    }
    Journal j;
};

struct Routine {
    void (*f)();
    Num_ligne ligne;
    bool niveau;
};

const Routine routines[] = {
    {data_a_1, L_DATA_OUT, true},   {data_a_0, L_DATA_OUT, false},
    {clock_a_1, L_CLK, true},       {clock_a_0, L_CLK, false},
    {Power_on, L_VCC, true},        {Power_off, L_VCC, false},
    {Vtest_Mode_a_1, L_VPP1, true}, {Vtest_Mode_a_0, L_VPP1, false},
    {s_a_1, L_SELECT, true},        {s_a_0, L_SELECT, false},
    {data_93_a_1, L_DATA_93, true}, {data_93_a_0, L_DATA_93, false},
};

} // namespace

// Each routine drives its own line only, at the electrical level its polarity gives (inverted:
// level 1 clears the bits), and writes the whole byte once.
TEST_F(Pilote, chaque_routine_pilote_sa_ligne_selon_sa_polarite) {
    composants({0});
    for (const Routine& r : routines) {
        for (uint8_t inverse : {uint8_t{0}, uint8_t{1}}) {
            for (uint8_t depart : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
                c_u = {};
                c_u.l[r.ligne] = {0x24, inverse};
                port_donnee = depart;
                j.ecrits.clear();
                r.f();
                const bool bits_a_1 = r.niveau != (inverse != 0);
                const uint8_t attendu =
                    static_cast<uint8_t>(bits_a_1 ? depart | 0x24 : depart & ~0x24);
                ASSERT_EQ(j.ecrits, std::vector<uint8_t>{attendu})
                    << noms_lignes[r.ligne] << " niveau " << r.niveau << " inverse " << int(inverse)
                    << " depart " << int(depart);
                EXPECT_EQ(port_donnee, attendu);
            }
        }
    }
}

TEST_F(Pilote, masque_nul_ecrit_quand_meme) {
    composants({0});
    c_u = {};
    c_u.l[L_VPP2].masque = 0x10; // not selected by vpp40 0: must stay as it is
    port_donnee = 0x5A;
    for (const Routine& r : routines) r.f();
    EXPECT_EQ(j.ecrits, std::vector<uint8_t>(std::size(routines), 0x5A));
}

TEST_F(Pilote, bit_partage_la_derniere_routine_decide) {
    c_u = {};
    c_u.l[L_DATA_OUT] = {0x01, 0};
    c_u.l[L_DATA_93] = {0x01, 1};
    c_u.l[L_VCC] = {0x03, 0}; // overlaps both
    data_a_1();
    data_93_a_1();
    EXPECT_EQ(port_donnee, 0x00);
    data_93_a_0();
    EXPECT_EQ(port_donnee, 0x01);
    data_a_0();
    EXPECT_EQ(port_donnee, 0x00);
    Power_on();
    EXPECT_EQ(port_donnee, 0x03);
    data_93_a_1();
    EXPECT_EQ(port_donnee, 0x02);
    EXPECT_EQ(j.ecrits, (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x00, 0x03, 0x02}));
}

TEST_F(Pilote, data_in_plusieurs_bits) {
    struct Cas {
        uint8_t masque, inverse, etat;
        int attendu;
    };
    const Cas cas[] = {
        {0x30, 0, 0x30, 1}, {0x30, 0, 0xFF, 1}, {0x30, 0, 0x10, 0}, {0x30, 0, 0x20, 0},
        {0x30, 0, 0xCF, 0}, {0x30, 1, 0x30, 0}, {0x30, 1, 0xFF, 0}, {0x30, 1, 0x10, 1},
        {0x30, 1, 0x20, 1}, {0x30, 1, 0x00, 1}, {0x40, 1, 0x40, 0}, {0x40, 1, 0xBF, 1},
        {0x40, 0, 0x40, 1}, {0x40, 0, 0xBF, 0},
    };
    for (const Cas& c : cas) {
        c_u.l[L_DATA_IN] = {c.masque, c.inverse};
        j.etat = c.etat;
        EXPECT_EQ(get_b_data(), c.attendu) << "masque " << int(c.masque) << " inverse "
                                           << int(c.inverse) << " etat " << int(c.etat);
    }
    EXPECT_EQ(j.lectures_etat, int(std::size(cas)));
    EXPECT_TRUE(j.ecrits.empty());
}

TEST_F(Pilote, vtest_choisit_vpp2_ou_vpp1_a_chaque_appel) {
    composants({0, 1});
    c_u = brochage_korval; // VPP1 0x08, VPP2 0x10, active low
    port_donnee = 0x18;    // both off

    pic_select = 1;
    Vtest_Mode_a_1();
    EXPECT_EQ(port_donnee, 0x08); // VPP2 on, VPP1 untouched
    pic_select = 0;
    Vtest_Mode_a_1();
    EXPECT_EQ(port_donnee, 0x00);
    Vtest_Mode_a_0();
    EXPECT_EQ(port_donnee, 0x08); // VPP1 off, VPP2 still on
    pic_select = 1;
    Vtest_Mode_a_0();
    EXPECT_EQ(port_donnee, 0x18);
    EXPECT_EQ(j.ecrits, (std::vector<uint8_t>{0x08, 0x00, 0x08, 0x18}));
}

TEST_F(Pilote, vtest_sans_composant_selectionne) {
    c_u = brochage_korval;
    for (int selection : {0, 3, -1}) {
        tab_pic.clear();
        if (selection == 3) composants({1}); // one entry, index 3 names none
        pic_select = selection;
        port_donnee = 0x00; // both VPP lines on
        j.ecrits.clear();
        Vtest_Mode_a_1();
        Vtest_Mode_a_0();
        EXPECT_EQ(j.ecrits, (std::vector<uint8_t>{0x00, 0x18})) << "pic_select " << selection;
    }
}

TEST_F(Pilote, init_port_octets_ecrits_selon_le_brochage) {
    struct Cas {
        const char* nom;
        Brochage b;
        std::vector<uint8_t> attendu;
    };
    Brochage autre = {};
    autre.l[L_DATA_OUT] = {0x80, 0};
    autre.l[L_CLK] = {0x40, 1};
    autre.l[L_VCC] = {0x20, 1};
    autre.l[L_VPP1] = {0x02, 0};
    autre.l[L_VPP2] = {0x02, 1}; // shares VPP1's bit: VPP1 is set last and wins
    autre.l[L_SELECT] = {0x04, 1};
    const Cas cas[] = {
        // Every write already has supply, programming voltages, clock and data at rest.
        {"KORVAL", brochage_korval, {0x1F, 0x1F, 0x1F, 0x1F}},
        {"P16Pro", brochage_p16pro, {0x03, 0x03, 0x03, 0x03}},
        {"Autres", autre, {0x60, 0x60, 0x60, 0x60}},
    };
    for (const Cas& c : cas) {
        c_u = c.b;
        port_donnee = 0xFF;
        j.ecrits.clear();
        init_port();
        EXPECT_EQ(j.ecrits, c.attendu) << c.nom;
        EXPECT_EQ(port_donnee, c.attendu.back()) << c.nom;
    }
    // KORVAL: the inverted SELECT (0x40) and DATA_93 (0x20) end electrically 0, logically 1.
    c_u = brochage_korval;
    init_port();
    EXPECT_EQ(port_donnee & 0x60, 0);
}

TEST_F(Pilote, init_port_ouvre_quand_ferme_ou_quand_la_base_change) {
    PORT_PARA = 0x10278; // only the low 16 bits name the port
    init_port();
    init_port();
    EXPECT_EQ(j.ouvertures, std::vector<int>{0x278});
    PORT_PARA = 0x378;
    init_port();
    EXPECT_EQ(j.ouvertures, (std::vector<int>{0x278, 0x378}));
    backend().ferme();
    init_port();
    EXPECT_EQ(j.ouvertures, (std::vector<int>{0x278, 0x378, 0x378}));
    EXPECT_EQ(j.ecrits.size(), 4u * 4u);

    // Another backend: opened at the next init_port even at the same base.
    Journal k;
    k.ouvert = true;
    installe_backend(std::make_unique<Faux_backend>(k));
    init_port();
    EXPECT_EQ(k.ouvertures, std::vector<int>{0x378});
}

TEST_F(Pilote, attente_compte_n_plus_val_tempo) {
    struct Cas {
        int n, tempo, lectures;
    };
    const Cas cas[] = {
        {0, 0, 2},                     // the clock is read twice even for no wait
        {10, 5, 16},                   // 0, 1 µs, ... 15 µs: 15 >= 15
        {10000, 5, 10006}, {3, -5, 2}, // n + val_tempo <= 0: back after the second reading
        {-1, 0, 2},        {0, -1, 2},
    };
    for (const Cas& c : cas) {
        val_tempo = c.tempo;
        j.lectures_horloge = 0;
        attente(c.n);
        // Reading i gives i µs: the last one is the first at or past n + val_tempo.
        EXPECT_EQ(j.lectures_horloge, c.lectures) << "n " << c.n << " val_tempo " << c.tempo;
    }
}

TEST_F(Pilote, attente_sans_depassement_d_entier) {
    // Each reading is 1000 s later: INT_MAX + INT_MAX µs (about 4295 s) ends at the 6th reading.
    j.horloge = [](int i) { return int64_t{i} * 1'000'000'000'000; };
    val_tempo = INT_MAX;
    attente(INT_MAX);
    EXPECT_EQ(j.lectures_horloge, 6);

    // INT_MIN - 1 is negative, not INT_MAX.
    j.lectures_horloge = 0;
    val_tempo = -1;
    attente(INT_MIN);
    EXPECT_EQ(j.lectures_horloge, 2);
}

TEST_F(Pilote, attente_laisse_le_backend_attendre) {
    // A simulated clock jumps: attente hands the start and the duration in ns to the backend.
    struct Saut : Faux_backend {
        using Faux_backend::Faux_backend;
        void attend(int64_t d, int64_t n) override {
            debut = d;
            duree = n;
        }
        int64_t debut = -1, duree = -1;
    };
    j.horloge = [](int i) { return 42'000 + i; };
    auto b = std::make_unique<Saut>(j);
    Saut* s = b.get();
    installe_backend(std::move(b));
    val_tempo = 3;
    attente(7);
    EXPECT_EQ(s->debut, 42'000);
    EXPECT_EQ(s->duree, 10'000);
}
