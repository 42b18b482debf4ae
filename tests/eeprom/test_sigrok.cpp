// SPDX-License-Identifier: GPL-2.0-or-later
// Bus traces of the three protocols (port trace wrapper over the simulated board), decoded by
// sigrok-cli's own protocol decoders.
#include "banc_eeprom.h"

#include "core/etat.h"
#include "eeprom/eeprom.h"
#include "port/backend.h"
#include "port/trace_vcd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

using test_eeprom::Banc;

struct Resultat {
    std::vector<std::string> lignes;
    std::string erreurs;
    int statut = -1;
};

bool sigrok_present() {
    return std::system("command -v sigrok-cli >/dev/null 2>&1") == 0;
}

// Runs sigrok-cli on a 1 ns VCD, one sample per microsecond.
Resultat decode(const test::Repertoire_temp& rep, const std::string& vcd, const std::string& pd,
                const std::string& annotations) {
    Resultat r;
    std::string err = rep.fichier("sigrok.err");
    std::string commande = "sigrok-cli -i '" + vcd + "' -I vcd:downsample=1000 -P " + pd + " -A " +
                           annotations + " 2>'" + err + "'";
    std::FILE* f = popen(commande.c_str(), "r");
    if (!f) return r;
    std::string texte;
    char tampon[4096];
    while (std::size_t n = std::fread(tampon, 1, sizeof tampon, f)) texte.append(tampon, n);
    r.statut = pclose(f);
    std::istringstream in(texte);
    for (std::string l; std::getline(in, l);) r.lignes.push_back(l);
    r.erreurs = test::lit_fichier(err);
    return r;
}

class Sigrok : public Banc {
  protected:
    void SetUp() override {
        Banc::SetUp();
        ASSERT_TRUE(sigrok_present())
            << "sigrok-cli est introuvable : installez le paquet Debian sigrok-cli "
               "(scripts/installe-paquets)";
    }
    // Wraps the board in the trace.
    void trace() { demarre_trace_vcd(vcd()); }
    // Closes the trace file (the board and its chip go with it).
    void ferme_trace() { installe_backend(nullptr); }
    std::string vcd() const { return rep.fichier("bus.vcd"); }
    test::Repertoire_temp rep;
};

// The annotations of one decoder ("i2c-1: "), prefix removed, without those listed in sauf.
std::vector<std::string> de(const Resultat& r, const std::string& prefixe,
                            const std::vector<std::string>& sauf = {}) {
    std::vector<std::string> v;
    for (const auto& l : r.lignes)
        if (l.rfind(prefixe, 0) == 0) {
            std::string a = l.substr(prefixe.size());
            if (std::find(sauf.begin(), sauf.end(), a) == sauf.end()) v.push_back(a);
        }
    return v;
}

void verifie_sans_erreur(const Resultat& r) {
    EXPECT_EQ(r.statut, 0);
    EXPECT_EQ(r.erreurs.find("srd:"), std::string::npos) << r.erreurs;
    EXPECT_FALSE(r.lignes.empty());
}

// Removes the unanswered attempts of acknowledge polling: START (or repeated START), a control
// byte, NACK, and the STOP that may end them. The attempt that follows them keeps the START of
// the first one.
std::vector<std::string> sans_scrutation(const std::vector<std::string>& a) {
    std::vector<std::string> v;
    std::string depart;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] == "Start" || a[i] == "Start repeat") && i + 2 < a.size() &&
            a[i + 1].rfind("Address write: ", 0) == 0 && a[i + 2] == "NACK") {
            if (depart.empty()) depart = a[i];
            i += 2;
            if (i + 1 < a.size() && a[i + 1] == "Stop") ++i;
            continue;
        }
        v.push_back(a[i] == "Start repeat" && !depart.empty() ? depart : a[i]);
        depart.clear();
    }
    return v;
}

std::string hex2(int v) {
    char t[3];
    std::snprintf(t, sizeof t, "%02X", v & 0xFF);
    return t;
}

using Lignes = std::vector<std::string>;

TEST_F(Sigrok, i2c_un_octet_d_adresse_avec_bits_de_bloc) {
    auto& p = monte("24C16");
    trace();
    le_data_deb = 0x5A3;
    le_data_fin = 0x5A4;
    std::vector<uint8_t> source(2048, 0);
    source[0x5A3] = 0x5A;
    source[0x5A4] = 0xC3;
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu()[0x5A3], 0x5A);
    lit();
    ferme_trace();
    auto r = decode(rep, vcd(), "i2c:scl=CLK:sda=DATA_BUS:address_format=unshifted,eeprom24xx",
                    "i2c=addr-data,eeprom24xx=ops:warnings");
    verifie_sans_erreur(r);
    Lignes attendu;
    auto lecture = [&](int a) {
        attendu.insert(attendu.end(),
                       {"Start", "Address write: AA", "ACK", "Data write: " + hex2(a), "ACK",
                        "Start repeat", "Address read: AB", "ACK",
                        "Data read: " + hex2(source[static_cast<std::size_t>(a)]), "NACK", "Stop"});
    };
    // Each byte written is read back, then the whole range is read.
    for (int a : {0x5A3, 0x5A4}) {
        attendu.insert(attendu.end(),
                       {"Start", "Address write: AA", "ACK", "Data write: " + hex2(a), "ACK",
                        "Data write: " + hex2(source[static_cast<std::size_t>(a)]), "ACK", "Stop"});
        lecture(a);
    }
    for (int a : {0x5A3, 0x5A4}) lecture(a);
    EXPECT_EQ(sans_scrutation(de(r, "i2c-1: ", {"Write", "Read"})), attendu);
    // The 24xx layer does not merge the block bits into the address (they are in AA/AB above).
    EXPECT_EQ(
        de(r, "eeprom24xx-1: ", {"Warning: No reply from slave!"}),
        (Lignes{"Byte write (addr=A3, 1 byte): 5A", "Random access read (addr=A3, 1 byte): 5A",
                "Byte write (addr=A4, 1 byte): C3", "Random access read (addr=A4, 1 byte): C3",
                "Random access read (addr=A3, 1 byte): 5A",
                "Random access read (addr=A4, 1 byte): C3"}));
}

TEST_F(Sigrok, i2c_deux_octets_d_adresse) {
    monte("24C256");
    trace();
    le_data_deb = le_data_fin = 0x1234;
    std::vector<uint8_t> source(32768, 0);
    source[0x1234] = 0xE7;
    EXPECT_EQ(ecrit(source), 0);
    lit();
    ferme_trace();
    // The eeprom24xx layer fails on two-byte addresses: the i2c decoder alone.
    auto r =
        decode(rep, vcd(), "i2c:scl=CLK:sda=DATA_BUS:address_format=unshifted", "i2c=addr-data");
    verifie_sans_erreur(r);
    // Read: the STOP before each attempt, then the random read; the write's read-back is one.
    const Lignes lecture = {"Start",
                            "Address write: A0",
                            "ACK",
                            "Data write: 12",
                            "ACK",
                            "Data write: 34",
                            "ACK",
                            "Start repeat",
                            "Address read: A1",
                            "ACK",
                            "Data read: E7",
                            "NACK",
                            "Stop"};
    Lignes attendu = {"Start", "Address write: A0",
                      "ACK",   "Data write: 12",
                      "ACK",   "Data write: 34",
                      "ACK",   "Data write: E7",
                      "ACK",   "Stop"};
    for (int fois = 0; fois < 2; ++fois)
        attendu.insert(attendu.end(), lecture.begin(), lecture.end());
    EXPECT_EQ(sans_scrutation(de(r, "i2c-1: ", {"Write", "Read"})), attendu);
}

TEST_F(Sigrok, microwire) {
    auto& p = monte("93C46");
    p.remplit(std::vector<uint8_t>(128, 0x00));
    trace();
    le_data_deb = 0x12;
    le_data_fin = 0x13;
    std::vector<uint8_t> source(128, 0);
    source[0x12] = 0xC3;
    source[0x13] = 0x5A;
    EXPECT_EQ(ecrit(source), 0);
    lit();
    ferme_trace();
    // SO is the chip's DO on the data line (DATA_BUS): the decoder takes SO at the falling clock
    // edge, before the protocol reads DATA_IN.
    auto r = decode(rep, vcd(),
                    "microwire:cs=SELECT:sk=CLK:si=DATA_93:so=DATA_BUS,eeprom93xx:addresssize=7:"
                    "wordsize=8",
                    "eeprom93xx,microwire=status");
    verifie_sans_erreur(r);
    // EWEN and EWDS end with CS falling while the clock is high: the decoder does not count their
    // last bit and reports them short.
    // Each write is read back.
    EXPECT_EQ(de(r, "eeprom93xx-1: "), (Lignes{"Not enough packet bits",
                                               "Write word",
                                               "Address: 0x0012",
                                               "Data: 0x00c3",
                                               "Read word",
                                               "Address: 0x0012",
                                               "Data: 0x00c3",
                                               "Write word",
                                               "Address: 0x0013",
                                               "Data: 0x005a",
                                               "Read word",
                                               "Address: 0x0013",
                                               "Data: 0x005a",
                                               "Not enough packet bits",
                                               "Read word",
                                               "Address: 0x0012",
                                               "Data: 0x00c3",
                                               "Read word",
                                               "Address: 0x0013",
                                               "Data: 0x005a"}));
    // Each write is followed by a status check that goes from busy to ready.
    auto etats = de(r, "microwire-1: ");
    EXPECT_EQ(std::count(etats.begin(), etats.end(), "Busy"),
              std::count(etats.begin(), etats.end(), "Ready"));
    EXPECT_GE(std::count(etats.begin(), etats.end(), "Ready"), 2);
}

TEST_F(Sigrok, spi) {
    auto& p = monte("25C040");
    trace();
    std::vector<uint8_t> source(512, 0);
    source[0x0A5] = 0xC3;
    source[0x1A5] = 0x3C;
    le_data_deb = le_data_fin = 0x0A5;
    EXPECT_EQ(ecrit(source), 0);
    le_data_deb = le_data_fin = 0x1A5;
    EXPECT_EQ(ecrit(source), 0);
    EXPECT_EQ(p.contenu()[0x1A5], 0x3C);
    le_data_deb = le_data_fin = 0x0A5;
    lit();
    le_data_deb = le_data_fin = 0x1A5;
    lit();
    ferme_trace();
    const std::string pd = "spi:clk=CLK:mosi=DATA_93:miso=DATA_IN:cs=SELECT:cpol=0:cpha=0";
    auto mosi = decode(rep, vcd(), pd, "spi=mosi-transfer");
    verifie_sans_erreur(mosi);
    // Status reads (RDSR, 05) wait for each write cycle; each byte written is read back.
    const Lignes envoyees = de(mosi, "spi-1: ", {""});
    auto miso = decode(rep, vcd(), pd, "spi=miso-transfer");
    verifie_sans_erreur(miso);
    const Lignes recues = de(miso, "spi-1: ", {""});
    ASSERT_EQ(recues.size(), envoyees.size());
    Lignes trames, retours;
    std::size_t statuts = 0;
    for (std::size_t i = 0; i < envoyees.size(); ++i) {
        if (envoyees[i].rfind("05", 0) == 0) {
            ++statuts;
            continue;
        }
        trames.push_back(envoyees[i]);
        retours.push_back(recues[i]);
    }
    EXPECT_EQ(trames, (Lignes{"06", "01 00", "06", "02 A5 C3", "03 A5 FF", "06", "01 00", "06",
                              "0A A5 3C", "0B A5 FF", "03 A5 FF", "0B A5 FF"}));
    EXPECT_GE(statuts, 4u);
    // The chip's side: the data byte of each READ (DATA_IN is read with the clock low).
    ASSERT_EQ(retours.size(), 12u);
    for (std::size_t i : {4u, 10u}) EXPECT_EQ(retours[i].substr(6), "C3") << i;
    for (std::size_t i : {9u, 11u}) EXPECT_EQ(retours[i].substr(6), "3C") << i;
}

} // namespace
