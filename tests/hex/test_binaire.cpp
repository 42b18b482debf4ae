// SPDX-License-Identifier: GPL-2.0-or-later
// Raw byte images: the size the reader reports (streams longer than the data buffer, endless ones),
// the bytes it keeps, and the text written for the selected device.
#include "commun/outils.h"

#include "hex/binaire.h"

#include <sstream>
#include <streambuf>

namespace {

// A stream without end, every byte 0x5A.
class Sans_fin : public std::streambuf {
  protected:
    int_type underflow() override {
        std::fill(std::begin(tampon), std::end(tampon), '\x5A');
        setg(tampon, tampon, tampon + sizeof tampon);
        return traits_type::to_int_type(tampon[0]);
    }

  private:
    char tampon[4096];
};

class Binaire : public test::Etat_propre {
  protected:
    test::Repertoire_temp rep;
};

TEST_F(Binaire, taille_lue_et_octets_gardes) {
    const std::size_t grand = TAILLE_DONNEE_MAX + 10;
    struct Cas {
        const char* nom;
        std::size_t octets; // bytes of the file, each (i * 3) & 0xFF
        bool par_chemin;
        bool sans_fin;
        std::size_t taille;
        bool exacte;
    };
    const Cas cas[] = {
        {"vide", 0, false, false, 0, true},
        {"court", 3, false, false, 3, true},
        {"plus long que le tampon", grand, false, false, grand, true},
        {"fichier plus long que le tampon", grand, true, false, grand, true},
        {"sans fin", 0, false, true, std::size_t{1} << 26, false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        std::string contenu(c.octets, '\0');
        for (std::size_t i = 0; i < c.octets; ++i) contenu[i] = static_cast<char>(i * 3);
        Lecture_binaire bilan;
        std::unique_ptr<Memoire_PIC> m;
        Sans_fin source;
        std::istream sans_fin(&source);
        std::istringstream flux(contenu);
        if (c.par_chemin) {
            const std::string chemin = rep.fichier("image.bin");
            test::ecrit_fichier(chemin, contenu);
            m = Lire_Fichier_Binaire(chemin, &bilan);
        } else {
            m = Lire_Binaire(c.sans_fin ? sans_fin : flux, &bilan);
        }
        EXPECT_FALSE(bilan.illisible);
        EXPECT_EQ(bilan.taille, c.taille);
        EXPECT_EQ(bilan.taille_exacte, c.exacte);
        EXPECT_EQ(m->donnees_lues, c.taille > 0);
        EXPECT_EQ(m->config, 0x03FF);
        for (std::size_t i : {std::size_t{0}, std::size_t{2}, std::size_t{3},
                              static_cast<std::size_t>(TAILLE_DONNEE_MAX - 1)}) {
            const uint8_t attendu = c.sans_fin     ? 0x5A
                                    : i < c.octets ? static_cast<uint8_t>(i * 3)
                                                   : 0xFF;
            EXPECT_EQ(m->donnee[i], attendu) << i;
        }
    }
}

TEST_F(Binaire, fichier_absent_et_texte_du_composant) {
    test::Enregistreur_messages messages;
    Lecture_binaire bilan;
    Lire_Fichier_Binaire(rep.fichier("absent.bin"), &bilan);
    EXPECT_TRUE(bilan.illisible);
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].texte.find("absent.bin"), std::string::npos);

    test::choisit_composant("EEPROM_5", 0, 5, -1);
    Memoire_PIC m;
    m.donnee[0] = 0x00;
    m.donnee[4] = 0x12;
    m.donnee[5] = 0x34;
    EXPECT_EQ(Texte_Binaire(m), std::string("\x00\xFF\xFF\xFF\x12", 5));
}

} // namespace
