// SPDX-License-Identifier: GPL-2.0-or-later
// The lists of kinds that the messages and the manuals give follow the kind table: a new kind
// changes the generated messages, and makes this test name each manual page to update.
#include "commun/outils.h"

#include "core/catalogue.h"
#include "core/genre_puce.h"

#include <sstream>
#include <string>

namespace {

class Textes_genres : public test::Etat_propre {};

TEST_F(Textes_genres, les_listes_suivent_la_table) {
    const std::string effacables = numeros_genres(genre_pic_effacable, " et ");
    const std::string pics = numeros_genres(genre_pic);
    struct Cas {
        const char* fichier;
        std::string texte;
    };
    const Cas cas[] = {
        {"man/korval-cli.1", "algorithmes " + effacables + " (PIC"},
        {"man/korval-cli.1", "algorithme (" + pics + ") ou protocole"},
        {"aide/fenetre.htm", "(algorithmes " + effacables + ")"},
        {"aide/ligne_de_commande.htm", "PIC des algorithmes " + effacables + " :"},
        {"aide/ligne_de_commande.htm", "protocole (" + pics + ", I2C"},
    };
    for (const Cas& c : cas)
        EXPECT_NE(test::lit_fichier(test::fichier_source(c.fichier)).find(c.texte),
                  std::string::npos)
            << c.fichier << " does not say \"" << c.texte << "\"";
}

TEST_F(Textes_genres, les_numeros_se_lisent_comme_une_suite_ou_une_liste) {
    struct Cas {
        bool (*garde)(const Faits_genre&);
        const char* attendu;
    };
    const Cas cas[] = {
        {[](const Faits_genre& g) { return g.genre <= Genre_puce::eprom_12 && genre_pic(g); },
         "1 à 3"},
        {[](const Faits_genre& g) {
             return genre_pic(g) && g.genre != Genre_puce::eprom_14 &&
                    g.genre != Genre_puce::eprom_12;
         },
         "1, 4, 5, 6, 7, 8, 9 ou 10"},
        {[](const Faits_genre& g) { return g.bus == Bus_eeprom::i2c; }, "-1 ou -2"},
        {[](const Faits_genre&) { return false; }, ""},
    };
    for (const Cas& c : cas) EXPECT_EQ(numeros_genres(c.garde), c.attendu);
}

TEST_F(Textes_genres, un_numero_inconnu_est_refuse_avec_les_numeros_de_la_table) {
    for (const Faits_genre* g = debut_genres(); g != fin_genres(); ++g)
        ASSERT_NE(static_cast<int>(g->genre), 99);
    std::istringstream in("X 16 0 0 99 0 1 0\n");
    testing::internal::CaptureStdout();
    lire_catalogue(in, "conf_PICS");
    const std::string sortie = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(tab_pic.empty());
    EXPECT_NE(sortie.find("algorithme inconnu : ni " + numeros_genres(genre_pic) + ", ni " +
                          numeros_genres(genre_eeprom)),
              std::string::npos)
        << sortie;
}

} // namespace
