// SPDX-License-Identifier: GPL-2.0-or-later
// Texts of the Options window, both ways, and the paths the settings are saved to.
#include "commun/outils.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/repertoire_conf.h"
#include "vue/texte_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

Plage_lue plage(int valeur, const char* texte) {
    return {valeur, texte ? std::optional<std::string>(texte) : std::nullopt};
}

} // namespace

static std::ostream& operator<<(std::ostream& o, const Plage_lue& p) {
    return o << p.valeur << " / " << (p.texte ? *p.texte : "(inchangé)");
}

TEST(Options_textes, lignes_de_sortie_aller_retour_et_masques_composes) {
    for (int bit = 0; bit < 8; ++bit) {
        const std::string t = texte_ligne_sortie(static_cast<uint8_t>(1u << bit));
        EXPECT_EQ(t, liste_lignes_donnees[bit]);
        EXPECT_EQ(masque_ligne_sortie(t), 1u << bit);
    }
    EXPECT_EQ(texte_ligne_sortie(0), "—"); // no line
    EXPECT_EQ(texte_ligne_sortie(1), "D0");
    EXPECT_EQ(texte_ligne_sortie(0x06), "D3"); // bits 1 and 2 add up
    EXPECT_EQ(texte_ligne_sortie(0x21), "D5"); // bit 0 counts nothing
    EXPECT_EQ(texte_ligne_sortie(0xFF), "DL"); // '0' + 28
    // A digit beyond 7 (or no digit at all) names no data-register bit.
    EXPECT_EQ(masque_ligne_sortie("D8"), 0);
    EXPECT_EQ(masque_ligne_sortie("DL"), 0);
    EXPECT_EQ(masque_ligne_sortie("D"), 0);
    EXPECT_EQ(masque_ligne_sortie(""), 0);
    EXPECT_EQ(masque_ligne_sortie("—"), 0);
}

TEST(Options_textes, ligne_d_entree_cinq_textes_et_les_autres_masques) {
    const uint8_t masques[5] = {8, 16, 32, 64, 128};
    for (int k = 0; k < 5; ++k) {
        ASSERT_EQ(texte_ligne_entree(masques[k]), std::string(liste_lignes_etat[k]));
        EXPECT_EQ(masque_ligne_entree(liste_lignes_etat[k]), masques[k]);
    }
    for (int m : {1, 4, 0x48, 0xFF}) EXPECT_FALSE(texte_ligne_entree(static_cast<uint8_t>(m))) << m;
    EXPECT_EQ(texte_ligne_entree(0), std::string("—"));
    EXPECT_EQ(masque_ligne_entree("—"), 0);
    EXPECT_EQ(masque_ligne_entree("5-X"), 0); // 1 << 8: nothing in 8 bits
    EXPECT_EQ(masque_ligne_entree(""), 0);
}

TEST(Options_textes, port_et_type_y_compris_les_ports_hors_liste) {
    EXPECT_EQ(texte_port(0x378), "378 (LPT1 par défaut)");
    EXPECT_EQ(texte_port(0x278), "278");
    EXPECT_EQ(texte_port(0x3BC), "3BC");
    EXPECT_EQ(texte_port(0x2BC), "2BC");
    EXPECT_EQ(texte_port(0x3F8), "3F8");
    for (const char* t : liste_ports) EXPECT_EQ(texte_port(port_du_texte(t)), t);
    EXPECT_EQ(port_du_texte("2BC"), 0x2BC); // 0x278 + 0x44
    EXPECT_EQ(port_du_texte("3F8"), 0x378);
    EXPECT_EQ(port_du_texte("100"), 0);
    EXPECT_EQ(port_du_texte(""), 0);

    for (int type = 0; type < 3; ++type) {
        ASSERT_TRUE(texte_type(type));
        EXPECT_EQ(type_du_texte(*texte_type(type)), type);
    }
    EXPECT_FALSE(texte_type(3));
    EXPECT_FALSE(texte_type(-1));
    EXPECT_EQ(type_du_texte("X1"), 1);
    EXPECT_EQ(type_du_texte("?"), 0);
}

TEST(Options_textes, plages_lues_comme_par_pourcent_X) {
    EXPECT_EQ(lit_plage("1G"), plage(1, nullptr));
    EXPECT_EQ(lit_plage("XYZ"), plage(0, "0"));
    EXPECT_EQ(lit_plage(""), plage(0, "0"));
    EXPECT_EQ(lit_plage("FFFF"), plage(0xFFFF, nullptr));
    EXPECT_EQ(lit_plage("ffff"), plage(0xFFFF, nullptr));
    EXPECT_EQ(lit_plage("-1"), plage(0, "0")); // a negative start must never become an address
    EXPECT_EQ(lit_plage("-0"), plage(0, nullptr));
    EXPECT_EQ(lit_plage(" 3F"), plage(0x3F, nullptr));
    EXPECT_EQ(lit_plage("+10"), plage(0x10, nullptr));
    EXPECT_EQ(lit_plage("0x1F"), plage(0x1F, nullptr));
    EXPECT_EQ(lit_plage("0xG"), plage(0, nullptr)); // the "0" reads, the "x" ends it
    EXPECT_EQ(lit_plage("10000"), plage(0xFFFF, "FFFF"));
    EXPECT_EQ(lit_plage("FFFFFFFFFFFF"), plage(0xFFFF, "FFFF"));

    EXPECT_EQ(texte_plage(65535), "FFFF");
    EXPECT_EQ(texte_plage(0x12), "0012");
    // Values a settings file may hold that 4 digits cannot show: bounded, never an empty entry.
    EXPECT_EQ(texte_plage(-1), "0000");
    EXPECT_EQ(texte_plage(70000), "FFFF");
}

TEST(Options_textes, brochages_actifs_apres_confirmation) {
    Brochage autre = {};
    autre.l[L_CLK] = {0x08, 1};
    EXPECT_EQ(brochage_confirme(0, autre), brochage_korval);
    const std::optional<Brochage> p16 = brochage_confirme(1, autre);
    ASSERT_TRUE(p16);
    EXPECT_EQ(p16->l[L_SELECT], (Ligne{0x40, 1}));
    EXPECT_EQ(p16->l[L_DATA_93], (Ligne{0x20, 1}));
    EXPECT_EQ(p16->l[L_VCC], (Ligne{0x04, 0}));
    EXPECT_EQ(p16->l[L_VPP2], (Ligne{0x10, 0}));
    EXPECT_EQ(p16->l[L_DATA_IN], (Ligne{0x40, 1}));
    EXPECT_EQ(brochage_confirme(2, autre), autre);
    EXPECT_FALSE(brochage_confirme(3, autre));
}

class Chemins_conf : public test::Etat_propre {
  protected:
    void SetUp() override {
        Etat_propre::SetUp();
        for (const char* v : {"XDG_CONFIG_HOME", "KORVAL_CONF"}) {
            const char* ancien = std::getenv(v);
            anciens.push_back({v, ancien ? std::optional<std::string>(ancien) : std::nullopt});
        }
        unsetenv("KORVAL_CONF");
        setenv("XDG_CONFIG_HOME", rep.fichier("xdg").c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [nom, valeur] : anciens)
            valeur ? setenv(nom, valeur->c_str(), 1) : unsetenv(nom);
        Etat_propre::TearDown();
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> anciens;
    test::Repertoire_temp rep;
};

TEST_F(Chemins_conf, chemins_essayes_ceux_de_la_sauvegarde) {
    const std::string perso = rep.fichier("xdg") + "/korval-1.2/conf_port";
    EXPECT_EQ(cibles_conf_port(), (std::vector<std::string>{"/etc/korval-1.2/conf_port", perso}));
    // Once the per-user file exists, it alone is written.
    std::filesystem::create_directories(rep.fichier("xdg/korval-1.2"));
    test::ecrit_fichier(rep.fichier("xdg/korval-1.2/conf_port"), "_PORT 278\n");
    EXPECT_EQ(cibles_conf_port(), (std::vector<std::string>{perso}));
    force_repertoire_conf(rep.fichier("conf"));
    EXPECT_EQ(cibles_conf_port(), (std::vector<std::string>{rep.fichier("conf") + "/conf_port"}));

    // A directory that cannot exist: the save fails on exactly the paths given.
    force_repertoire_conf(rep.fichier("xdg/korval-1.2/conf_port") + "/sous");
    EXPECT_EQ(sauve_conf_port(c_autre), "");
    EXPECT_EQ(texte_echec_sauvegarde(cibles_conf_port()),
              "Les options n'ont pas pu être enregistrées dans :\n" +
                  rep.fichier("xdg/korval-1.2/conf_port") +
                  "/sous/conf_port\nElles restent valables jusqu'à la fin du programme.");
}

TEST(Options_textes, tension_vpp_dans_la_plage) {
    const struct {
        const char* tape;
        std::optional<int> lu;
    } cas[] = {
        {"13", 13},
        {"5", 5},
        {"14", 14},
        {" 9 ", 9},
        {"4", std::nullopt},
        {"15", std::nullopt},
        {"12V", std::nullopt},
        {"", std::nullopt},
        {"-5", std::nullopt},
        {"1 3", std::nullopt},
        {"100", std::nullopt},
    };
    for (const auto& c : cas) EXPECT_EQ(lit_tension_vpp(c.tape), c.lu) << '"' << c.tape << '"';
}
