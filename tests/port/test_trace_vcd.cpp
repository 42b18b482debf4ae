// SPDX-License-Identifier: GPL-2.0-or-later
// VCD trace: the file parses as VCD and shows the expected edges for line routine calls.
#include "commun/outils.h"

#include "core/etat.h"
#include "port/backend.h"
#include "port/port.h"
#include "port/trace_vcd.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// A port whose every access costs pas ns of its clock; the status and bus levels are the test's.
struct Etat_faux {
    int64_t temps = 5000;
    int64_t pas = 1000;
    uint8_t etat = 0;
    std::optional<bool> bus;
    std::vector<uint8_t> ecrits;
};

class Faux_port : public Backend_port {
  public:
    explicit Faux_port(Etat_faux& etat) : e(etat) {}
    bool ouvre(int) override { return ouvert_ = true; }
    void ferme() override { ouvert_ = false; }
    bool ouvert() const override { return ouvert_; }
    void ecrit_donnee(uint8_t octet) override {
        e.temps += e.pas;
        e.ecrits.push_back(octet);
    }
    uint8_t lit_etat() override {
        e.temps += e.pas;
        return e.etat;
    }
    int64_t horloge_ns() override { return e.temps; }
    std::optional<bool> niveau_bus() override { return e.bus; }

  private:
    Etat_faux& e;
    bool ouvert_ = false;
};

using Fronts = std::vector<std::pair<int64_t, char>>;

// A small VCD reader: declarations, then time stamps and scalar changes. Fails the test on
// anything it does not expect, on time going back, or on a change repeating the current value.
struct Vcd {
    std::string echelle;
    std::vector<std::string> noms; // in declaration order
    std::map<std::string, Fronts> fronts;
};

Vcd lit_vcd(const std::string& texte) {
    Vcd v;
    std::map<std::string, std::string> codes; // code -> name
    std::istringstream in(texte);
    std::string mot;
    while (in >> mot && mot != "$enddefinitions") {
        if (mot == "$timescale") {
            std::string m;
            while (in >> m && m != "$end") v.echelle += (v.echelle.empty() ? "" : " ") + m;
        } else if (mot == "$var") {
            std::string type, taille, code, nom, fin;
            in >> type >> taille >> code >> nom >> fin;
            EXPECT_EQ(type, "wire");
            EXPECT_EQ(taille, "1");
            EXPECT_EQ(fin, "$end");
            EXPECT_EQ(codes.count(code), 0u) << "code " << code << " declared twice";
            codes[code] = nom;
            v.noms.push_back(nom);
        } else if (mot == "$scope" || mot == "$version" || mot == "$date" || mot == "$comment") {
            while (in >> mot && mot != "$end") {}
        } else if (mot != "$upscope" && mot != "$end") {
            ADD_FAILURE() << "unexpected in the header: " << mot;
        }
    }
    EXPECT_EQ(mot, "$enddefinitions");
    in >> mot;
    EXPECT_EQ(mot, "$end");

    int64_t t = -1;
    while (in >> mot) {
        if (mot == "$dumpvars" || mot == "$end") continue;
        if (mot[0] == '#') {
            const int64_t nouveau = std::stoll(mot.substr(1));
            EXPECT_GT(nouveau, t) << "time stamps must increase";
            t = nouveau;
            continue;
        }
        EXPECT_GE(t, 0) << "change before the first time stamp";
        EXPECT_NE(std::string("01xz").find(mot[0]), std::string::npos) << mot;
        auto c = codes.find(mot.substr(1));
        if (c == codes.end()) {
            ADD_FAILURE() << "undeclared code in " << mot;
            continue;
        }
        Fronts& f = v.fronts[c->second];
        EXPECT_TRUE(f.empty() || f.back().second != mot[0])
            << c->second << " repeats " << mot[0] << " at " << t;
        f.emplace_back(t, mot[0]);
    }
    for (const auto& [code, nom] : codes)
        EXPECT_FALSE(v.fronts[nom].empty() || v.fronts[nom][0].first != 0)
            << nom << " has no value at time 0";
    return v;
}

class Trace : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        fichier = rep.fichier("t.vcd");
        port_donnee = 0;
    }
    void TearDown() override {
        installe_backend(nullptr);
        Etat_propre::TearDown();
    }
    void demarre() {
        installe_backend(std::make_unique<Faux_port>(e));
        demarre_trace_vcd(fichier);
    }
    // Ends the trace (the file is complete once the wrapper is gone) and reads it.
    Vcd termine() {
        installe_backend(nullptr);
        return lit_vcd(test::lit_fichier(fichier));
    }
    test::Repertoire_temp rep;
    test::Enregistreur_messages messages;
    std::string fichier;
    Etat_faux e;
};

} // namespace

TEST_F(Trace, fronts_d_une_sequence_de_routines) {
    c_u = brochage_korval;
    demarre();
    init_port();   // 0x1F at 1, 2, 3 and 4 µs: every line at rest from the first write
    Power_on();    // 5
    clock_a_1();   // 6
    data_a_1();    // 7
    e.etat = 0x00; // DATA_IN 0x40 active low: reads 1
    get_b_data();  // 8
    e.etat = 0x40;
    get_b_data(); // 9
    clock_a_1();  // 10: nothing changes
    clock_a_0();  // 11
    c_u = brochage_p16pro;
    Power_off();    // 12: VCC active high now; SELECT and DATA_93 have no bit
    e.temps += 500; // the end of the trace comes later
    const Vcd v = termine();

    EXPECT_EQ(v.echelle, "1 ns");
    EXPECT_EQ(v.noms, (std::vector<std::string>{"VCC", "VPP1", "VPP2", "CLK", "DATA_OUT", "DATA_IN",
                                                "SELECT", "DATA_93"}));
    std::map<std::string, Fronts> attendu = {
        {"VCC", {{0, '0'}, {5000, '1'}, {12000, '0'}}},
        // KORVAL's inactive VPP bits (set) are active ones in the P16Pro map.
        {"VPP1", {{0, '0'}, {12000, '1'}}},
        {"VPP2", {{0, '0'}, {12000, '1'}}},
        {"CLK", {{0, '0'}, {6000, '1'}, {11000, '0'}}},
        {"DATA_OUT", {{0, '0'}, {7000, '1'}}},
        {"DATA_IN", {{0, '0'}, {8000, '1'}, {9000, '0'}}},
        {"SELECT", {{0, '0'}, {1000, '1'}, {12000, 'x'}}},
        {"DATA_93", {{0, '0'}, {1000, '1'}, {12000, 'x'}}},
    };
    for (const auto& [nom, fronts] : attendu) EXPECT_EQ(v.fronts.at(nom), fronts) << nom;
    // The wrapped port saw every write, in order.
    EXPECT_EQ(e.ecrits,
              (std::vector<uint8_t>{0x1F, 0x1F, 0x1F, 0x1F, 0x1B, 0x19, 0x18, 0x18, 0x1A, 0x1A}));
    EXPECT_NE(test::lit_fichier(fichier).find("#12500"), std::string::npos)
        << "the trace ends at its destruction time";
}

TEST_F(Trace, bus_de_donnees_suit_le_backend_qui_le_voit) {
    e.bus = true;
    demarre();
    e.bus = false;
    data_a_0(); // 1 µs
    data_a_1(); // 2: still low
    e.bus = true;
    get_b_data(); // 3
    e.bus = std::nullopt;
    clock_a_1(); // 4: the backend stops telling
    const Vcd v = termine();
    ASSERT_EQ(v.noms.size(), 9u);
    EXPECT_EQ(v.noms.back(), "DATA_BUS");
    EXPECT_EQ(v.fronts.at("DATA_BUS"), (Fronts{{0, '1'}, {1000, '0'}, {3000, '1'}, {4000, 'x'}}));
}

TEST_F(Trace, meme_horloge_pour_attente_que_le_port) {
    // attente goes through the trace to the wrapped clock, and later accesses are stamped with it.
    struct Sauteur : Faux_port {
        using Faux_port::Faux_port;
        Etat_faux* f = nullptr;
        void attend(int64_t debut, int64_t duree) override { f->temps = debut + duree; }
    };
    auto b = std::make_unique<Sauteur>(e);
    b->f = &e;
    installe_backend(std::move(b));
    demarre_trace_vcd(fichier);
    attente(100); // to 100 µs after the start
    clock_a_1();  // plus one access
    const Vcd v = termine();
    EXPECT_EQ(v.fronts.at("CLK"), (Fronts{{0, '0'}, {101000, '1'}}));
}

TEST_F(Trace, fichier_impossible_laisse_passer_les_acces) {
    fichier = rep.fichier("absent/t.vcd");
    demarre();
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].texte.find(fichier), std::string::npos);
    init_port();
    EXPECT_EQ(e.ecrits.size(), 4u);
    EXPECT_TRUE(backend().ouvert());
    installe_backend(nullptr);
}

TEST_F(Trace, l_ancienne_trace_reste_jusqu_a_la_fin) {
    // The new trace is written beside the old one and takes its place only when complete.
    test::ecrit_fichier(fichier, "ancienne trace\n");
    demarre();
    init_port();
    EXPECT_EQ(test::lit_fichier(fichier), "ancienne trace\n");
    const Vcd v = termine();
    EXPECT_EQ(v.fronts.count("VCC"), 1u);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(rep.chemin()),
                            std::filesystem::directory_iterator()),
              1);
}

// The reference reader of the signal viewers' world: sigrok must decode an I2C start and address
// byte from the trace of the line routines.
TEST_F(Trace, sigrok_decode_un_octet_i2c) {
    if (std::system("sigrok-cli --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sigrok-cli is not installed";
    c_u = brochage_p16pro; // DATA_OUT, CLK active low: decoded back to logical levels
    demarre();
    data_a_1();
    clock_a_1();
    data_a_0(); // start
    clock_a_0();
    for (int bit = 7; bit >= 0; --bit) {
        if ((0xA0 >> bit) & 1)
            data_a_1();
        else
            data_a_0();
        clock_a_1();
        clock_a_0();
    }
    data_a_1();
    clock_a_1(); // acknowledge clock, nobody answers
    clock_a_0();
    data_a_0();
    clock_a_1();
    data_a_1(); // stop
    e.temps += 10'000;
    termine();

    const std::string commande = "sigrok-cli -i '" + fichier +
                                 "' -I vcd:downsample=1000 -P i2c:scl=CLK:sda=DATA_OUT -A i2c 2>&1";
    std::string sortie;
    if (std::FILE* p = popen(commande.c_str(), "r")) {
        char bloc[256];
        while (std::fgets(bloc, sizeof bloc, p)) sortie += bloc;
        EXPECT_EQ(pclose(p), 0) << sortie;
    }
    EXPECT_NE(sortie.find("Start"), std::string::npos) << sortie;
    EXPECT_NE(sortie.find("Address write: 50"), std::string::npos) << sortie;
    EXPECT_NE(sortie.find("NACK"), std::string::npos) << sortie;
    EXPECT_NE(sortie.find("Stop"), std::string::npos) << sortie;
}
