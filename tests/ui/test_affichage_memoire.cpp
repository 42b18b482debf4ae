// SPDX-License-Identifier: GPL-2.0-or-later
// The memory view in the main window: lines, colours, configuration panel.
#include "banc_ui.h"

#include "ui/vue_defilante.h"
#include "vue/vue_memoire.h"

#include <algorithm>

using namespace test_ui;

namespace {

// Lines of a text view with whether each is red, and whether every line has the fixed font.
struct Ligne_vue_gtk {
    std::string texte;
    bool rouge;
    bool fixe;
};

std::vector<Ligne_vue_gtk> lignes_de(GtkWidget* vue) {
    GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(vue));
    GtkTextTagTable* tags = gtk_text_buffer_get_tag_table(b);
    GtkTextTag* rouge = gtk_text_tag_table_lookup(tags, "rouge");
    GtkTextTag* fixe = gtk_text_tag_table_lookup(tags, "fixe");
    std::vector<Ligne_vue_gtk> l;
    const int n = gtk_text_buffer_get_line_count(b);
    for (int i = 0; i < n; ++i) {
        GtkTextIter debut, fin;
        gtk_text_buffer_get_iter_at_line(b, &debut, i);
        fin = debut;
        if (gtk_text_iter_ends_line(&fin) && gtk_text_iter_is_end(&fin)) break; // the empty end
        gtk_text_iter_forward_line(&fin);
        gchar* t = gtk_text_buffer_get_text(b, &debut, &fin, FALSE);
        l.push_back({t, gtk_text_iter_has_tag(&debut, rouge) != FALSE,
                     gtk_text_iter_has_tag(&debut, fixe) != FALSE});
        g_free(t);
    }
    return l;
}

// The view holds the lines it shows: those of attendu from the first its scroll bar shows.
void compare(GtkWidget* vue, const std::vector<Ligne_vue>& attendu) {
    const auto l = lignes_de(vue);
    ASSERT_EQ(lignes_en_tout(vue), static_cast<int>(attendu.size()));
    const auto premiere = static_cast<std::size_t>(gtk_adjustment_get_value(defilement_de(vue)));
    const auto page = static_cast<std::size_t>(gtk_adjustment_get_page_size(defilement_de(vue)));
    ASSERT_EQ(l.size(), std::min(page, attendu.size() - premiere));
    for (std::size_t i = 0; i < l.size(); ++i) {
        EXPECT_EQ(l[i].texte, attendu[premiere + i].texte) << "ligne " << i;
        EXPECT_EQ(l[i].rouge, attendu[premiere + i].rouge) << "ligne " << i;
        EXPECT_TRUE(l[i].fixe) << "ligne " << i;
    }
}

std::vector<GtkWidget*> cases_visibles() {
    std::vector<GtkWidget*> v;
    for (int i = 0; i < 14; ++i)
        if (visible(case_fusible(i))) v.push_back(case_fusible(i));
    return v;
}

bool cochee(GtkWidget* c) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(c)) != FALSE;
}

} // namespace

TEST_F(Interface, vue_programme_et_donnees_lignes_exactes_et_couleurs) {
    demarre();
    for (int i = 0; i < 1024; ++i)
        m_pic->prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>(i * 3);
    for (int i = 0; i < 64; ++i)
        m_pic->donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i + 200);
    affiche_pic_mem();
    const auto p = lignes_de(texte_P);
    ASSERT_EQ(lignes_en_tout(texte_P), 128);
    ASSERT_GE(p.size(), 2u);
    EXPECT_EQ(p[0].texte, "0000: 0000 0003 0006 0009 000C 000F 0012 0015 \n");
    EXPECT_FALSE(p[0].rouge);
    EXPECT_EQ(p[1].texte.substr(0, 11), "0008: 0018 ");
    EXPECT_TRUE(p[1].rouge);
    compare(texte_P, lignes_programme(*m_pic, 1024));
    compare(texte_D, lignes_donnees(*m_pic, 64, 0));

    const std::string programme = texte_vue(texte_P);
    for (int base : {2, 1, 0}) {
        SCOPED_TRACE(base);
        donnee_en_binaire = base;
        affiche_pic_mem();
        compare(texte_D, lignes_donnees(*m_pic, 64, base));
        EXPECT_EQ(texte_vue(texte_P), programme);
    }
    donnee_en_binaire = 2;
    affiche_pic_mem();
    const auto d = lignes_de(texte_D);
    ASSERT_EQ(lignes_en_tout(texte_D), 8);
    ASSERT_GE(d.size(), 2u);
    EXPECT_EQ(d[0].texte, "0000: 200 201 202 203 204 205 206 207 \n");
    EXPECT_EQ(d[1].texte.substr(0, 6), "0008: ");
}

TEST_F(Interface, vue_sans_donnees_et_eeprom_decrite) {
    demarre();
    choisit("PIC12C671");
    EXPECT_EQ(texte_vue(texte_D), "");
    EXPECT_EQ(lignes_en_tout(texte_P), 128);
    choisit("93C46");
    EXPECT_EQ(texte_vue(texte_P), "");
    EXPECT_EQ(lignes_en_tout(texte_D), 8);
    EXPECT_EQ(texte(conf_fuses), "EEPROM 93C46\nMemoire : 128 octets\nPROTOCOLE : Série");
    EXPECT_FALSE(visible(combo_aff_clock));
    EXPECT_FALSE(visible(label_ID));
    EXPECT_FALSE(visible(entry_ID));
    EXPECT_TRUE(cases_visibles().empty());
    choisit("25C040");
    EXPECT_EQ(texte(conf_fuses), "EEPROM 25C040\nMemoire : 512 octets\nPROTOCOLE : SPI");
    // Back to a PIC: the panel comes back.
    choisit("PIC16F84");
    EXPECT_EQ(texte(conf_fuses), "Type d'horloge : ");
    EXPECT_TRUE(visible(combo_aff_clock));
    EXPECT_TRUE(visible(entry_ID));
}

TEST_F(Interface, cases_des_fusibles_par_famille_sans_lancer_le_gestionnaire) {
    demarre();
    // Family 1: CP0, PWRTE/, WDTE.
    EXPECT_EQ(cases_visibles(),
              (std::vector<GtkWidget*>{check_aff_CP0, check_aff_WDTE, check_aff_PWRTE_barre}));
    m_pic->config = 0x000A; // CP0 bits 0 (protected), PWRTE/ 1 (off), WDTE 0 (off), HS
    affiche_pic_mem();
    EXPECT_TRUE(cochee(check_aff_CP0));
    EXPECT_FALSE(cochee(check_aff_PWRTE_barre));
    EXPECT_FALSE(cochee(check_aff_WDTE));
    EXPECT_EQ(texte(combo_aff_clock), "HS");
    // Setting the boxes did not run their handler: the word is the one shown.
    EXPECT_EQ(m_pic->config, 0x000A);

    choisit("PIC16F876"); // family 3
    EXPECT_EQ(cases_visibles(),
              (std::vector<GtkWidget*>{check_aff_CP0, check_aff_CP1, check_aff_WDTE,
                                       check_aff_PWRTE_barre, check_aff_BODEN, check_aff_CPD,
                                       check_aff_DEB_barre, check_aff_LVP, check_aff_WRT}));
    choisit("PIC12C671"); // family 8
    EXPECT_TRUE(visible(check_aff_MCLRE));
    EXPECT_FALSE(visible(check_aff_BODEN));
}

TEST_F(Interface, mot_de_configuration_normalise_a_l_affichage) {
    demarre();
    choisit("PIC12C508"); // family 16: bits 13, 12 read 0, bits 11 to 5 read 1
    m_pic->config = 0x3005;
    affiche_pic_mem();
    EXPECT_EQ(m_pic->config, 0x0FE5);
    m_pic->id[0] = 1;
    m_pic->id[1] = 2;
    m_pic->id[2] = 255;
    m_pic->id[3] = 160;
    affiche_pic_mem();
    EXPECT_EQ(texte(entry_ID), "0102FFA0");
    EXPECT_EQ(texte(combo_aff_clock), "XT");
}

TEST_F(Interface, oscillateur_invalide_ou_rc_selon_la_famille) {
    demarre();
    m_pic->config = 0x3FFF;
    affiche_pic_mem();
    EXPECT_EQ(texte(combo_aff_clock), "RC");
    choisit("PIC12C671");
    m_pic->config = 0x3FFB;
    affiche_pic_mem();
    EXPECT_EQ(texte(combo_aff_clock), "Invalide");
    EXPECT_EQ(m_pic->config, 0x3FFB);
}
