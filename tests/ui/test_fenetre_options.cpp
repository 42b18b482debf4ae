// SPDX-License-Identifier: GPL-2.0-or-later
// The Options window: layout and lists, filling from the settings, confirming and cancelling.
#include "banc_ui.h"

#include "core/conf_port.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"
#include "port/port.h"
#include "vue/texte_options.h"

#include <algorithm>
#include <sstream>

using namespace test_ui;

namespace {

GtkWidget* const* const combos_sortie[] = {&combo_vcc, &combo_vpp,    &combo_vpp40, &combo_clk,
                                           &combo_d_o, &combo_d_93_o, &combo_sel};

void met(GtkWidget* combo, const char* t) {
    gtk_entry_set_text(champ_combo(combo), t);
}
void met_entree(GtkWidget* e, const char* t) {
    gtk_entry_set_text(GTK_ENTRY(e), t);
}
void coche(GtkWidget* b, bool c) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), c);
}
bool cochee(GtkWidget* b) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(b)) != FALSE;
}

GtkWidget* bouton_de(const char* libelle) {
    GtkWidget* t = gtk_bin_get_child(GTK_BIN(Options_window));
    GList* enfants = gtk_container_get_children(GTK_CONTAINER(t));
    GtkWidget* trouve = nullptr;
    for (GList* p = enfants; p; p = p->next)
        if (GTK_IS_BUTTON(p->data) && !GTK_IS_TOGGLE_BUTTON(p->data) &&
            texte(GTK_WIDGET(p->data)) == libelle)
            trouve = GTK_WIDGET(p->data);
    g_list_free(enfants);
    return trouve;
}

void ok() {
    GtkWidget* b = bouton_de("Ok");
    ASSERT_NE(b, nullptr);
    gtk_button_clicked(GTK_BUTTON(b));
}
void annuler() {
    GtkWidget* b = bouton_de("Annuler");
    ASSERT_NE(b, nullptr);
    gtk_button_clicked(GTK_BUTTON(b));
}

// A label of the Options window (or of its pin-map table) by its text.
GtkWidget* label_de(GtkWidget* grille, const char* t) {
    GList* enfants = gtk_container_get_children(GTK_CONTAINER(grille));
    GtkWidget* trouve = nullptr;
    for (GList* p = enfants; p; p = p->next)
        if (GTK_IS_LABEL(p->data) && texte(GTK_WIDGET(p->data)) == t) trouve = GTK_WIDGET(p->data);
    g_list_free(enfants);
    return trouve;
}

// Reads the settings file as start-up would, into fresh globals.
void relit(const std::string& fichier) {
    valeurs_par_defaut_conf();
    c_autre = {};
    std::istringstream in(test::lit_fichier(fichier));
    lire_conf_port(in);
}

class Options : public Interface {
  protected:
    std::string fichier() const { return rep.fichier("conf_port"); }
};

} // namespace

TEST_F(Options, disposition_listes_et_longueurs) {
    demarre();
    GtkWidget* t = gtk_bin_get_child(GTK_BIN(Options_window));
    ASSERT_TRUE(GTK_IS_GRID(t));
    EXPECT_FALSE(gtk_grid_get_row_homogeneous(GTK_GRID(t)));
    struct {
        const char* texte;
        int g, d, h, b;
    } labels[] = {{"PORT :", 2, 3, 1, 2},
                  {"Type de programmateur :", 1, 3, 2, 3},
                  {"Lecture/Ecriture de :", 7, 8, 0, 1},
                  {"debut", 9, 11, 0, 1},
                  {"fin", 11, 13, 0, 1}};
    for (const auto& l : labels) {
        SCOPED_TRACE(l.texte);
        GtkWidget* w = label_de(t, l.texte);
        ASSERT_NE(w, nullptr);
        cellule(w, l.g, l.d, l.h, l.b);
    }
    cellule(table_autre, 0, 5, 5, 10);
    cellule(combo_port, 3, 5, 1, 2);
    cellule(combo_type, 3, 5, 2, 3);
    cellule(check_le_prog, 7, 8, 1, 2);
    cellule(entry_le_prog_deb, 9, 11, 1, 2);
    cellule(entry_le_prog_fin, 11, 13, 1, 2);
    cellule(check_le_data, 7, 8, 2, 3);
    cellule(entry_le_data_deb, 9, 11, 2, 3);
    cellule(entry_le_data_fin, 11, 13, 2, 3);
    cellule(check_le_config, 7, 8, 3, 4);
    cellule(check_le_ID, 7, 8, 4, 5);
    cellule(check_osc_int, 7, 11, 5, 6);
    cellule(bouton_de("Ok"), 11, 12, 5, 6);
    cellule(bouton_de("Annuler"), 11, 12, 7, 8);
    EXPECT_EQ(texte(check_le_prog), "Prog");
    EXPECT_EQ(texte(check_le_data), "Donnees");
    EXPECT_EQ(texte(check_le_config), "Config");
    EXPECT_EQ(texte(check_le_ID), "ID");
    EXPECT_EQ(texte(check_osc_int), "Ecrire le dernier octet des PIC12CXXX\n(Oscillateur interne : "
                                    "Déconseillé, sauf UV)");

    const char* rangees[] = {"VCC :",      "VPP :",     "VPP40 :",      "CLOCK :",
                             "DATA OUT :", "DATA IN :", "DATA 93xxx :", "SELECT 93xxx :"};
    GtkWidget* combos[] = {combo_vcc, combo_vpp, combo_vpp40,  combo_clk,
                           combo_d_o, combo_d_i, combo_d_93_o, combo_sel};
    GtkWidget* inverses[] = {check_inv_vcc, check_inv_vpp, check_inv_vpp40,  check_inv_clk,
                             check_inv_d_o, check_inv_d_i, check_inv_d_93_o, check_inv_sel};
    const std::vector<std::string> donnees = {"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "—"};
    const std::vector<std::string> etat = {"0-ERROR/", "1-SELECT", "2-PE",
                                           "3-ACK/",   "4-BUSY/",  "—"};
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(rangees[i]);
        GtkWidget* l = label_de(table_autre, rangees[i]);
        ASSERT_NE(l, nullptr);
        cellule(l, 2, 3, 4 + i, 5 + i);
        cellule(combos[i], 3, 5, 4 + i, 5 + i);
        cellule(inverses[i], 5, 6, 4 + i, 5 + i);
        EXPECT_EQ(texte(inverses[i]), "Inverse");
        EXPECT_EQ(gtk_widget_get_parent(combos[i]), table_autre);
        EXPECT_EQ(liste_combo(combos[i]), i == 5 ? etat : donnees);
        // The rows are shown: only the table hides them.
        EXPECT_TRUE(visible(combos[i]));
        EXPECT_TRUE(visible(inverses[i]));
        EXPECT_TRUE(visible(l));
    }
    EXPECT_EQ(liste_combo(combo_type), (std::vector<std::string>{"KORVAL", "P16Pro", "Autres"}));
    EXPECT_EQ(liste_combo(combo_port),
              (std::vector<std::string>{"3BC", "378 (LPT1 par défaut)", "278"}));
    for (GtkWidget* c : {combo_port, combo_type, combo_vcc, combo_vpp, combo_vpp40, combo_clk,
                         combo_d_o, combo_d_i, combo_d_93_o, combo_sel})
        EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(champ_combo(c))));
    for (GtkWidget* e :
         {entry_le_prog_deb, entry_le_prog_fin, entry_le_data_deb, entry_le_data_fin}) {
        EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(e)), 4);
        gtk_entry_set_text(GTK_ENTRY(e), "12345");
        EXPECT_EQ(texte(e), "1234");
    }

    // Before "Autres" the pin map is hidden, the rest is there.
    Options_clicked(nullptr, nullptr);
    pompe();
    EXPECT_TRUE(visible(Options_window));
    EXPECT_FALSE(visible(table_autre));
    EXPECT_FALSE(gtk_widget_get_mapped(combo_clk));
    for (GtkWidget* w : {combo_port, combo_type, check_le_prog, entry_le_data_fin, check_osc_int})
        EXPECT_TRUE(gtk_widget_get_mapped(w));
    EXPECT_TRUE(gtk_widget_get_mapped(label_de(t, "PORT :")));
    // Showing everything again does not show the table.
    gtk_widget_show_all(Options_window);
    EXPECT_FALSE(visible(table_autre));
}

TEST_F(Options, rempli_depuis_les_reglages) {
    demarre(catalogue, "_PORT 2BC\n_TYPE_P 2\n_VCC/ 4\n_VPP1 8\n_VPP2/ 16\n_CLK/ 2\n"
                       "_DATA_OUT 1\n_DATA_IN/ 32\n_DATA_93 0\n_SELECT/ 6\n"
                       "_L_E_PROG_ENABLE 0\n_L_E_PROG_DEBUT 16\n_L_E_PROG_FIN 1023\n"
                       "_L_E_DATA_ENABLE 1\n_L_E_DATA_DEBUT 0\n_L_E_DATA_FIN 65535\n"
                       "_L_E_CONFIG_ENABLE 0\n_L_E_ID_ENABLE 1\n_ECRIRE_OSC_INT_12C5XX 1\n");
    EXPECT_EQ(texte(combo_port), "2BC");
    EXPECT_EQ(texte(combo_type), "Autres");
    EXPECT_TRUE(visible(table_autre));
    EXPECT_EQ(texte(combo_vcc), "D2");
    EXPECT_EQ(texte(combo_vpp), "D3");
    EXPECT_EQ(texte(combo_vpp40), "D4");
    EXPECT_EQ(texte(combo_clk), "D1");
    EXPECT_EQ(texte(combo_d_o), "D0");
    EXPECT_EQ(texte(combo_d_93_o), "—"); // mask 0: no line
    EXPECT_EQ(texte(combo_sel), "D3");   // bits 1 and 2: 1 + 2
    EXPECT_EQ(texte(combo_d_i), "2-PE");
    EXPECT_TRUE(cochee(check_inv_vcc));
    EXPECT_FALSE(cochee(check_inv_vpp));
    EXPECT_TRUE(cochee(check_inv_vpp40));
    EXPECT_TRUE(cochee(check_inv_clk));
    EXPECT_FALSE(cochee(check_inv_d_o));
    EXPECT_TRUE(cochee(check_inv_d_i));
    EXPECT_FALSE(cochee(check_inv_d_93_o));
    EXPECT_TRUE(cochee(check_inv_sel));
    EXPECT_FALSE(cochee(check_le_prog));
    EXPECT_TRUE(cochee(check_le_data));
    EXPECT_FALSE(cochee(check_le_config));
    EXPECT_TRUE(cochee(check_le_ID));
    EXPECT_TRUE(cochee(check_osc_int));
    EXPECT_EQ(texte(entry_le_prog_deb), "0010");
    EXPECT_EQ(texte(entry_le_prog_fin), "03FF");
    EXPECT_EQ(texte(entry_le_data_deb), "0000");
    EXPECT_EQ(texte(entry_le_data_fin), "FFFF");
}

TEST_F(Options, aller_retour_ok_fichier_relu) {
    demarre();
    EXPECT_EQ(texte(combo_port), "378 (LPT1 par défaut)");
    EXPECT_EQ(texte(combo_type), "KORVAL");
    Options_clicked(nullptr, nullptr);
    met(combo_port, "278");
    met(combo_type, "Autres");
    EXPECT_TRUE(visible(table_autre));
    const char* bits[] = {"D7", "D6", "D5", "D3", "D2", "D1", "D4"}; // vcc ... sel
    for (int i = 0; i < 7; ++i) met(*combos_sortie[i], bits[i]);
    met(combo_d_i, "3-ACK/");
    for (GtkWidget* b : {check_inv_vcc, check_inv_vpp, check_inv_vpp40, check_inv_clk,
                         check_inv_d_o, check_inv_d_i, check_inv_d_93_o, check_inv_sel})
        coche(b, false);
    coche(check_inv_clk, true);
    coche(check_inv_sel, true);
    coche(check_le_prog, false);
    coche(check_le_data, true);
    coche(check_le_config, false);
    coche(check_le_ID, false);
    coche(check_osc_int, true);
    met_entree(entry_le_prog_deb, "10");
    met_entree(entry_le_prog_fin, "3ff");
    met_entree(entry_le_data_deb, "1G");
    met_entree(entry_le_data_fin, "FFFF");
    ok();
    EXPECT_FALSE(visible(Options_window));

    const Brochage attendu = {{
        {0x04, 0}, // DATA_OUT D2
        {0x40, 0}, // DATA_IN 3-ACK/
        {0x08, 1}, // CLK D3
        {0x80, 0}, // VCC D7
        {0x40, 0}, // VPP1 D6
        {0x20, 0}, // VPP2 D5
        {0x10, 1}, // SELECT D4
        {0x02, 0}, // DATA_93 D1
    }};
    EXPECT_EQ(c_autre, attendu);
    EXPECT_EQ(c_u, attendu); // type "Autres": the custom map becomes active
    EXPECT_EQ(PORT_PARA, 0x278);
    EXPECT_EQ(type_de_prog, 2);
    EXPECT_EQ(le_prog_enable, 0);
    EXPECT_EQ(le_prog_deb, 0x10);
    EXPECT_EQ(le_prog_fin, 0x3FF);
    EXPECT_EQ(le_data_enable, 1);
    EXPECT_EQ(le_data_deb, 1);
    EXPECT_EQ(le_data_fin, 0xFFFF);
    EXPECT_EQ(le_config_enable, 0);
    EXPECT_EQ(le_ID_enable, 0);
    EXPECT_EQ(osc_int_enable, 1);
    EXPECT_EQ(texte(entry_le_data_deb), "1G"); // read as far as it goes, left as typed
    // The port was opened again with the new map, every line at rest: only the clock is active
    // low, so its bit alone is set.
    EXPECT_EQ(port_donnee, 0x08);

    // The file holds the same, and reading it back restores it.
    const std::string ecrit = test::lit_fichier(fichier());
    EXPECT_NE(ecrit.find("_CLK/ 8\n"), std::string::npos);
    EXPECT_NE(ecrit.find("_DATA_IN 64\n"), std::string::npos);
    EXPECT_NE(ecrit.find("_PORT 278\n"), std::string::npos);
    relit(fichier());
    EXPECT_EQ(c_autre, attendu);
    EXPECT_EQ(PORT_PARA, 0x278);
    EXPECT_EQ(type_de_prog, 2);
    EXPECT_EQ(le_prog_enable, 0);
    EXPECT_EQ(le_prog_deb, 0x10);
    EXPECT_EQ(le_prog_fin, 0x3FF);
    EXPECT_EQ(le_data_deb, 1);
    EXPECT_EQ(le_data_fin, 0xFFFF);
    EXPECT_EQ(le_config_enable, 0);
    EXPECT_EQ(le_ID_enable, 0);
    EXPECT_EQ(osc_int_enable, 1);
    // The window shows what was confirmed when it is opened again.
    put_options();
    EXPECT_EQ(texte(combo_port), "278");
    EXPECT_EQ(texte(combo_clk), "D3");
    EXPECT_EQ(texte(entry_le_data_deb), "0001");

    // Back to "KORVAL": its preset is active, the lines at rest with its polarities.
    met(combo_type, "KORVAL");
    EXPECT_FALSE(visible(table_autre));
    ok();
    EXPECT_EQ(c_u, brochage_korval);
    EXPECT_EQ(port_donnee, 0x1F); // VCC, VPP1, VPP2, CLK and DATA_OUT inactive, all active low
    EXPECT_EQ(c_autre, attendu);  // the custom map is kept for later
}

TEST_F(Options, plages_textes_limites) {
    demarre();
    struct {
        const char* tape;
        int valeur;
        const char* montre;
    } cas[] = {{"1G", 1, "1G"},         {"XYZ", 0, "0"}, {"", 0, "0"},
               {"FFFF", 65535, "FFFF"}, {"-1", 0, "0"},  {"-FFF", 0, "0"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.tape);
        for (GtkWidget* e :
             {entry_le_prog_deb, entry_le_prog_fin, entry_le_data_deb, entry_le_data_fin})
            met_entree(e, c.tape);
        ok();
        for (int v : {le_prog_deb, le_prog_fin, le_data_deb, le_data_fin}) EXPECT_EQ(v, c.valeur);
        for (GtkWidget* e :
             {entry_le_prog_deb, entry_le_prog_fin, entry_le_data_deb, entry_le_data_fin})
            EXPECT_EQ(texte(e), c.montre);
    }
    // Settings beyond what 4 digits hold show bounded, so confirming does not turn them into 0.
    le_prog_fin = 70000;
    le_data_deb = -5;
    put_options();
    EXPECT_EQ(texte(entry_le_prog_fin), "FFFF");
    EXPECT_EQ(texte(entry_le_data_deb), "0000");
    ok();
    EXPECT_EQ(le_prog_fin, 0xFFFF);
    EXPECT_EQ(le_data_deb, 0);
}

TEST_F(Options, ports_hors_liste_et_ligne_d_entree_inconnue) {
    demarre(catalogue, "_PORT 2BC\n_TYPE_P 0\n_DATA_IN 72\n");
    EXPECT_EQ(texte(combo_port), "2BC");
    EXPECT_EQ(texte(combo_d_i), ""); // mask 72 has no text: the field keeps its own
    met(combo_d_i, "1-SELECT");
    ok();
    EXPECT_EQ(PORT_PARA, 0x2BC);
    EXPECT_EQ(c_autre.l[L_DATA_IN].masque, 16);

    c_autre.l[L_DATA_IN].masque = 3;
    PORT_PARA = 0x3F8;
    put_options();
    EXPECT_EQ(texte(combo_port), "3F8");
    EXPECT_EQ(texte(combo_d_i), ""); // no entry names mask 3, nor the text chosen before
    ok();
    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(c_autre.l[L_DATA_IN].masque, 3); // not chosen again: kept

    met(combo_port, "3BC");
    ok();
    EXPECT_EQ(PORT_PARA, 0x3BC);
    // A port no rule names stays as it was rather than becoming port 0.
    PORT_PARA = 0x100;
    put_options();
    EXPECT_EQ(texte(combo_port), "100");
    ok();
    EXPECT_EQ(PORT_PARA, 0x100);
}

TEST_F(Options, ligne_non_choisie_gardee_et_sans_ligne) {
    struct {
        const char* reglages;       // pin keys of the settings file
        const char* choix[8];       // what the user picks per row (vcc ... sel), nullptr: nothing
        uint8_t masques[NB_LIGNES]; // c_autre afterwards, in pair order
    } cas[] = {
        // No pin key: every row shows "—" and stays without a line.
        {"", {}, {0, 0, 0, 0, 0, 0, 0, 0}},
        // Masks the lists cannot show are kept while their row is not chosen.
        {"_VCC 6\n_DATA_IN 72\n_CLK 2\n",
         {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
         {0, 72, 2, 6, 0, 0, 0, 0}},
        // "—" takes a line away; a row chosen again reads its text, even the one it showed.
        {"_VCC 6\n_DATA_IN 72\n_CLK 2\n_SELECT 16\n",
         {"D3", nullptr, nullptr, "—", nullptr, "—", nullptr, "D4"},
         {0, 0, 0, 8, 0, 0, 0x10, 0}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.reglages);
        const std::string conf = std::string("_PORT 378\n_TYPE_P 2\n") + c.reglages;
        demarre(catalogue, conf);
        GtkWidget* combos[] = {combo_vcc, combo_vpp, combo_vpp40,  combo_clk,
                               combo_d_o, combo_d_i, combo_d_93_o, combo_sel};
        for (int i = 0; i < 8; ++i) {
            if (!c.choix[i]) continue;
            // Picked from the list, as the user does: the entry already shown counts too.
            const std::vector<std::string> l = liste_combo(combos[i]);
            const auto k = std::find(l.begin(), l.end(), c.choix[i]) - l.begin();
            gtk_combo_box_set_active(GTK_COMBO_BOX(combos[i]), static_cast<gint>(k));
        }
        if (std::string(c.reglages).empty()) {
            for (GtkWidget* w : combos) EXPECT_EQ(texte(w), "—");
        }
        ok();
        Brochage attendu = {};
        for (int i = 0; i < NB_LIGNES; ++i) attendu.l[i].masque = c.masques[i];
        EXPECT_EQ(c_autre, attendu);
        EXPECT_EQ(c_u, attendu);
        relit(fichier());
        EXPECT_EQ(c_autre, attendu);
        arrete_interface();
        demarree = false;
    }
}

TEST_F(Options, p16pro_ses_lignes_eeprom_et_la_carte_perso_gardee_dans_le_fichier) {
    demarre(catalogue, "_PORT 378\n_TYPE_P 2\n_VCC 1\n_VPP1 2\n_VPP2 4\n_DATA_OUT/ 16\n"
                       "_CLK/ 8\n_DATA_IN 64\n_DATA_93 32\n_SELECT 128\n");
    const Brochage perso = c_autre;
    EXPECT_TRUE(visible(table_autre));
    met(combo_type, "P16Pro");
    EXPECT_FALSE(visible(table_autre)); // as soon as the text changes
    ok();
    EXPECT_EQ(type_de_prog, 1);
    Brochage attendu = brochage_p16pro;
    attendu.l[L_SELECT] = {0x40, 1};
    attendu.l[L_DATA_93] = {0x20, 1};
    EXPECT_EQ(c_u, attendu);
    EXPECT_EQ(c_autre, perso);
    relit(fichier());
    EXPECT_EQ(type_de_prog, 1);
    EXPECT_EQ(c_autre, perso);
}

TEST_F(Options, annuler_remet_les_reglages_sans_rien_changer) {
    demarre();
    const std::string avant = test::lit_fichier(fichier());
    Options_clicked(nullptr, nullptr);
    met(combo_port, "3BC");
    met(combo_type, "Autres");
    coche(check_le_prog, false);
    met_entree(entry_le_prog_fin, "12");
    annuler();
    EXPECT_FALSE(visible(Options_window));
    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(le_prog_enable, 1);
    EXPECT_EQ(test::lit_fichier(fichier()), avant);
    Options_clicked(nullptr, nullptr);
    EXPECT_EQ(texte(combo_port), "378 (LPT1 par défaut)");
    EXPECT_EQ(texte(combo_type), "KORVAL");
    EXPECT_FALSE(visible(table_autre));
    EXPECT_TRUE(cochee(check_le_prog));
    EXPECT_EQ(texte(entry_le_prog_fin), "FFFF");
    // Reopening shows what the window held, without refilling it.
    met(combo_port, "278");
    gtk_widget_hide(Options_window);
    Options_clicked(nullptr, nullptr);
    EXPECT_EQ(texte(combo_port), "278");
}

TEST_F(Options, reglages_appliques_meme_sans_pouvoir_les_enregistrer) {
    demarre();
    // The configuration directory becomes one that cannot exist.
    const std::string impossible = rep.fichier("conf_PICS") + "/sous";
    force_repertoire_conf(impossible);
    met(combo_port, "3BC");
    met(combo_type, "P16Pro");
    ok();
    EXPECT_FALSE(visible(Options_window));
    EXPECT_EQ(PORT_PARA, 0x3BC);
    EXPECT_EQ(type_de_prog, 1);
    EXPECT_EQ(c_u.l[L_VCC], (Ligne{0x04, 0}));
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Les options n'ont pas pu être enregistrées dans :\n" + impossible +
                                    "/conf_port\nElles restent valables jusqu'à la fin du "
                                    "programme.");
    EXPECT_EQ(erreur_fin, 0);
}

TEST_F(Options, ok_pendant_une_operation_applique_a_la_fin) {
    demarre();
    const std::string avant = test::lit_fichier(fichier());
    bool deja = false;
    int port_pendant = 0;
    Brochage carte_pendant = {};
    std::string fichier_pendant;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        Options_clicked(nullptr, nullptr);
        met(combo_port, "278");
        met(combo_type, "P16Pro");
        ok();
        port_pendant = PORT_PARA;
        carte_pendant = c_u;
        fichier_pendant = test::lit_fichier(fichier());
    });
    lance(prepare_PIC_l);
    ASSERT_TRUE(deja);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_EQ(port_pendant, 0x378);
    EXPECT_EQ(carte_pendant, brochage_korval);
    EXPECT_EQ(fichier_pendant, avant);
    // Once the read has ended, the confirmation is carried out.
    EXPECT_FALSE(visible(Options_window));
    EXPECT_EQ(PORT_PARA, 0x278);
    EXPECT_EQ(type_de_prog, 1);
    EXPECT_NE(test::lit_fichier(fichier()).find("_PORT 278\n"), std::string::npos);

    // "Annuler" given after such an "Ok" throws the waiting confirmation away.
    met(combo_type, "KORVAL");
    ok();
    deja = false;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        met(combo_port, "3BC");
        ok();
        Options_clicked(nullptr, nullptr);
        annuler();
    });
    lance(prepare_PIC_l);
    ASSERT_TRUE(deja);
    EXPECT_EQ(PORT_PARA, 0x278);
    EXPECT_EQ(texte(combo_port), "278");
}

// The adapter and its pins go to the settings file and back into the window; a change of adapter
// is announced, since the programmer in use stays until the next start.
TEST_F(Options, adaptateur_et_broches_enregistres_et_annonces) {
    demarre();
    Options_clicked(nullptr, nullptr);
    met_entree(entree_adaptateur, "ftdi:i:0x0403:0x6001");
    met_entree(entrees_broches[0], "D4");  // VCC
    met_entree(entrees_broches[1], "~D3"); // VPP
    ok();
    EXPECT_FALSE(visible(Options_window));
    ASSERT_TRUE(visible(error_box));
    EXPECT_NE(texte(error_msg).find("« ftdi:i:0x0403:0x6001 » servira au prochain démarrage"),
              std::string::npos)
        << texte(error_msg);
    EXPECT_EQ(erreur_fin, 0);
    gtk_widget_hide(error_box);
    const std::string ecrit = test::lit_fichier(fichier());
    for (const char* ligne :
         {"_ADAPTATEUR ftdi:i:0x0403:0x6001\n", "_VCC_BROCHE D4\n", "_VPP1_BROCHE ~D3\n"})
        EXPECT_NE(ecrit.find(ligne), std::string::npos) << ligne << ecrit;

    relit(fichier());
    EXPECT_EQ(adaptateur_conf, "ftdi:i:0x0403:0x6001");
    EXPECT_EQ(broches_conf[L_VPP1], "~D3");
    met_entree(entree_adaptateur, "");
    put_options();
    EXPECT_EQ(texte(entree_adaptateur), "ftdi:i:0x0403:0x6001");
    EXPECT_EQ(texte(entrees_broches[1]), "~D3");

    // Ok again without a change says nothing; back to the parallel port is announced, and the
    // file no longer names an adapter.
    ok();
    EXPECT_FALSE(visible(error_box));
    met_entree(entree_adaptateur, "");
    ok();
    ASSERT_TRUE(visible(error_box));
    EXPECT_NE(texte(error_msg).find("Le port parallèle servira"), std::string::npos);
    EXPECT_EQ(test::lit_fichier(fichier()).find("_ADAPTATEUR"), std::string::npos);
}

TEST_F(Options, tension_vpp_enregistree_ou_refusee) {
    demarre(catalogue, reglages(0) + "_TENSION_VPP 12\n");
    Options_clicked(nullptr, nullptr);
    EXPECT_EQ(texte(entry_tension_vpp), "12");
    ASSERT_NE(label_de(gtk_bin_get_child(GTK_BIN(Options_window)), note_tension_vpp), nullptr);
    const struct {
        const char* tape;
        int tension; // after "Ok"
        bool accepte;
    } cas[] = {
        {"9", 9, true}, {"15", 9, false}, {"4", 9, false}, {"x", 9, false}, {"14", 14, true}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.tape);
        gtk_widget_hide(error_box);
        Options_clicked(nullptr, nullptr);
        met_entree(entry_tension_vpp, c.tape);
        ok();
        EXPECT_EQ(tension_vpp, c.tension);
        // A refused voltage leaves the window open with a message, nothing confirmed.
        EXPECT_EQ(visible(Options_window), !c.accepte);
        EXPECT_EQ(visible(error_box), !c.accepte);
        if (!c.accepte) {
            EXPECT_EQ(texte(error_msg), texte_tension_refusee(c.tape));
        }
    }
    relit(fichier());
    EXPECT_EQ(tension_vpp, 14);
}
