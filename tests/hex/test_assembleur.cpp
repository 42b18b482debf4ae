// SPDX-License-Identifier: GPL-2.0-or-later
// Files that the gputils assembler writes from the sources in tests/fixtures.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "hex/hex.h"

#include <cstdlib>

namespace {

class Assembleur : public test::Etat_propre {
  protected:
    std::string assemble(const std::string& source, const std::string& format, bool dos) {
        return test::assemble(source, format, rep, dos);
    }

    test::Enregistreur_messages journal;
    test::Repertoire_temp rep;
};

TEST_F(Assembleur, PIC16F84_en_inhx8m_et_inhx32) {
    test::choisit_composant("PIC16F84", 1024, 64, 1);
    for (auto [format, dos] : {std::pair{"inhx8m", true}, std::pair{"inhx32", false}}) {
        SCOPED_TRACE(format);
        const std::string hex = assemble("pic16f84.asm", format, dos);
        if (hex.empty()) return;
        auto m = Lire_Fichier_Hex_PIC(hex);
        EXPECT_TRUE(journal.messages().empty()) << journal.messages()[0].texte;

        std::vector<uint16_t> attendu(TAILLE_PROG_MAX, 0xFFFF);
        attendu[0x000] = 0x2805; // goto debut
        attendu[0x004] = 0x0009; // retfie
        attendu[0x005] = 0x3055; // movlw 0x55
        attendu[0x006] = 0x0086; // movwf 0x06
        attendu[0x007] = 0x0185; // clrf 0x05
        attendu[0x008] = 0x0B8C; // decfsz 0x0C, f
        attendu[0x009] = 0x2808; // goto boucle
        attendu[0x00A] = 0x0063; // sleep
        EXPECT_EQ(m->prog, attendu);
        EXPECT_EQ(std::vector<uint8_t>(m->id, m->id + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
        EXPECT_EQ(m->config, 0x3FF1);
        EXPECT_EQ(m->donnee[0], 0x12);
        EXPECT_EQ(m->donnee[1], 0x34);
        EXPECT_EQ(m->donnee[2], 0xFF);
    }
}

TEST_F(Assembleur, PIC12C508_en_inhx8m_et_inhx32) {
    test::choisit_composant("PIC12C508", 512, 0, 3);
    for (auto [format, dos] : {std::pair{"inhx8m", false}, std::pair{"inhx32", true}}) {
        SCOPED_TRACE(format);
        const std::string hex = assemble("pic12c508.asm", format, dos);
        if (hex.empty()) return;
        auto m = Lire_Fichier_Hex_PIC(hex);
        EXPECT_TRUE(journal.messages().empty()) << journal.messages()[0].texte;

        std::vector<uint16_t> attendu(TAILLE_PROG_MAX, 0xFFFF);
        attendu[0x000] = 0x0025; // movwf 0x05
        attendu[0x001] = 0x0A10; // goto debut
        attendu[0x010] = 0x0C3E; // movlw 0x3E
        attendu[0x011] = 0x0006; // tris 6
        attendu[0x012] = 0x0066; // clrf 0x06
        attendu[0x013] = 0x02E7; // decfsz 0x07, f
        attendu[0x014] = 0x0A13; // goto boucle
        attendu[0x015] = 0x0003; // sleep
        EXPECT_EQ(m->prog, attendu);
        EXPECT_EQ(std::vector<uint8_t>(m->id, m->id + 4),
                  (std::vector<uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
        EXPECT_EQ(m->config, 0x0FEA);
        EXPECT_EQ(m->donnee, std::vector<uint8_t>(131072, 0xFF));
    }
}

} // namespace
