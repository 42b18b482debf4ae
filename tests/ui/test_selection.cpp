// SPDX-License-Identifier: GPL-2.0-or-later
// Device selection and the configuration editor.
#include "banc_ui.h"

#include <algorithm>

using namespace test_ui;

TEST_F(Interface, changer_d_appareil_blanchit_au_dela_et_remet_la_configuration) {
    demarre();
    std::fill(m_pic->prog.begin(), m_pic->prog.end(), 0x0123);
    std::fill(m_pic->donnee.begin(), m_pic->donnee.end(), 0x45);
    m_pic->config = 0x1234;
    m_pic->config_definie = true;
    // The same device again (GTK 3 emits nothing for an unchanged text: call the handler).
    combo_pic_changed(champ_combo(boutons.combo_pic), boutons.effacer);
    EXPECT_EQ(m_pic->config, 0x1234);
    EXPECT_TRUE(m_pic->config_definie);
    EXPECT_EQ(m_pic->prog[1023], 0x0123);
    EXPECT_EQ(m_pic->prog[1024], 0xFFFF);
    EXPECT_EQ(m_pic->donnee[63], 0x45);
    EXPECT_EQ(m_pic->donnee[64], 0xFF);

    choisit("PIC16F876"); // 1024 -> 8192 words: words 1024 to 8191 are blank
    EXPECT_EQ(pic_select, 1);
    EXPECT_EQ(m_pic->config, 0x3FFF);
    // Nobody gave this word: a write leaves the chip's own (also after the view set the
    // oscillator list of a family with FOSC2).
    EXPECT_FALSE(m_pic->config_definie);
    choisit("PIC12C671");
    EXPECT_FALSE(m_pic->config_definie);
    choisit("PIC16F876");
    EXPECT_FALSE(m_pic->config_definie);
    EXPECT_TRUE(std::all_of(m_pic->prog.begin() + 1024, m_pic->prog.end(),
                            [](uint16_t w) { return w == 0xFFFF; }));
    EXPECT_EQ(m_pic->prog[1023], 0x0123);
    std::fill(m_pic->prog.begin(), m_pic->prog.end(), 0x0321);
    choisit("PIC16F84"); // 8192 -> 1024: nothing beyond 8192 to blank, the words stay
    EXPECT_EQ(m_pic->prog[5000], 0x0321);
    // A text that names no device only refreshes.
    choisit("");
    EXPECT_EQ(pic_select, 0);
}

TEST_F(Interface, boutons_et_etiquettes_suivent_l_appareil) {
    demarre();
    EXPECT_TRUE(visible(boutons.effacer));
    choisit("PIC16C84");
    EXPECT_EQ(texte(type_PIC), "PIC16C84 (ATTENTION : NON TESTE )");
    EXPECT_TRUE(visible(boutons.effacer));
    testing::internal::CaptureStdout();
    choisit("24C16");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(texte(type_PIC), "24C16");
    EXPECT_EQ(texte(bouton_charger), "Charger dans EEPORM");
    EXPECT_EQ(texte(bouton_lire), "Lire l'EEPROM");
    EXPECT_TRUE(visible(boutons.effacer)); // a serial EEPROM is erased by 0xFF or ERAL
    EXPECT_EQ(texte(boutons.effacer), "Effacer l'EEPROM");
    // No program memory: its pane gives the height to the data, and cannot be modified.
    EXPECT_FALSE(visible(gtk_widget_get_parent(texte_P)));
    EXPECT_TRUE(visible(gtk_widget_get_parent(texte_D)));
    EXPECT_FALSE(sensible(boutons.modifier_prog));
    EXPECT_TRUE(sensible(boutons.modifier_donnee));
    // The simulated socket still holds the chip of the start-up.
    EXPECT_EQ(texte(label_etat),
              "Le support simulé contient toujours le PIC16F84 choisi au démarrage");
    testing::internal::CaptureStdout();
    choisit("PIC12C671");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "algo 2, FOSC2 4\n");
    EXPECT_EQ(texte(bouton_charger), "Charger dans le PIC");
    EXPECT_EQ(texte(bouton_lire), "Lire le PIC");
    EXPECT_FALSE(visible(boutons.effacer));
    GtkTreeModel* m = gtk_combo_box_get_model(GTK_COMBO_BOX(combo_aff_clock));
    EXPECT_EQ(gtk_tree_model_iter_n_children(m, nullptr), 8);
    choisit("PIC16F84");
    m = gtk_combo_box_get_model(GTK_COMBO_BOX(combo_aff_clock));
    EXPECT_EQ(gtk_tree_model_iter_n_children(m, nullptr), 4);
    // The pattern survives the relabelling.
    choisit("93C46");
    choisit("PIC16F84");
    EXPECT_TRUE(visible(boutons.effacer));
    EXPECT_EQ(texte(boutons.effacer), "Effacer PIC");
    EXPECT_TRUE(visible(gtk_widget_get_parent(texte_P)));
    EXPECT_TRUE(sensible(boutons.modifier_prog));
    EXPECT_FALSE(visible(label_etat));
}

TEST_F(Interface, cases_oscillateur_et_ID_modifient_l_image) {
    demarre();
    m_pic->config = 0x3FFF;
    affiche_pic_mem();
    // Family 1: CP0 covers bits 13 to 4.
    gtk_button_clicked(GTK_BUTTON(check_aff_CP0)); // ticked: protected
    EXPECT_EQ(m_pic->config, 0x000F);
    gtk_button_clicked(GTK_BUTTON(check_aff_CP0));
    EXPECT_EQ(m_pic->config, 0x3FFF);
    gtk_button_clicked(GTK_BUTTON(check_aff_PWRTE_barre)); // ticked: timer on, bit 3 at 0
    EXPECT_EQ(m_pic->config, 0x3FF7);
    gtk_button_clicked(GTK_BUTTON(check_aff_WDTE)); // was ticked: off
    EXPECT_EQ(m_pic->config, 0x3FF3);
    gtk_entry_set_text(champ_combo(combo_aff_clock), "XT");
    EXPECT_EQ(m_pic->config, 0x3FF1);

    choisit("PIC12C671");
    m_pic->config = 0x3FF8;
    gtk_entry_set_text(champ_combo(combo_aff_clock), "INTRC/CLKOUT");
    EXPECT_EQ(m_pic->config, 0x3FFD);
    gtk_entry_set_text(champ_combo(combo_aff_clock), "XT");
    EXPECT_EQ(m_pic->config, 0x3FF9);
    gtk_button_clicked(GTK_BUTTON(check_aff_MCLRE));
    const bool mclre = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check_aff_MCLRE));
    EXPECT_EQ((m_pic->config & 0x0080) != 0, mclre);

    gtk_entry_set_text(GTK_ENTRY(entry_ID), "0102FFA0");
    EXPECT_EQ(m_pic->id[0], 0x01);
    EXPECT_EQ(m_pic->id[2], 0xFF);
    EXPECT_EQ(m_pic->id[3], 0xA0);
    gtk_entry_set_text(GTK_ENTRY(entry_ID), "ABC");
    EXPECT_EQ(m_pic->id[0], 0xAB);
    EXPECT_EQ(m_pic->id[1], 0xC0);
    // The editor does not refresh the view.
    EXPECT_EQ(texte(entry_ID), "ABC");
}

TEST_F(Interface, nom_tape_avec_completion_puis_choisi) {
    demarre();
    GtkEntry* champ = champ_combo(boutons.combo_pic);
    GtkEntryCompletion* c = gtk_entry_get_completion(champ);
    ASSERT_NE(c, nullptr);
    // The completion offers the catalogue's names, in its order.
    GtkTreeModel* m = gtk_entry_completion_get_model(c);
    EXPECT_EQ(gtk_tree_model_iter_n_children(m, nullptr), 8);
    gtk_entry_set_text(champ, "93c");
    EXPECT_EQ(texte(type_PIC), "PIC16F84"); // a part of a name selects nothing
    // The whole name selects the device; a text left half typed shows the selected one again.
    gtk_entry_set_text(champ, "93C46");
    EXPECT_EQ(texte(type_PIC), "93C46");
    EXPECT_EQ(pic_select, 5);
    gtk_entry_set_text(champ, "24C");
    remontre_composant_choisi();
    EXPECT_EQ(texte(boutons.combo_pic), "93C46");
    EXPECT_EQ(pic_select, 5);
}

TEST_F(Interface, second_mot_de_configuration_dans_le_panneau_et_le_dialogue) {
    demarre(std::string(catalogue) + "18.2 0 0 0 WRT WRT x 0 0 0 0 0 0 0 0\n" +
            "PIC16F886  8192 256 18 8  1 1 0\n");
    EXPECT_FALSE(visible(entry_config2)); // PIC16F84: one word
    choisit("PIC16F886");
    EXPECT_TRUE(visible(label_config2));
    EXPECT_EQ(texte(entry_config2), "0700"); // blank: the bits that read 0 shown so
    GtkWidget* wrt = case_fusible2(10);
    EXPECT_TRUE(visible(wrt));
    // Passing through the entry gives no word; leaving it with another text does.
    auto quitte = [] {
        GdkEvent* e = gdk_event_new(GDK_FOCUS_CHANGE);
        e->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(entry_config2)));
        gtk_widget_send_focus_change(entry_config2, e);
        gdk_event_free(e);
    };
    quitte();
    EXPECT_FALSE(m_pic->config2_definie);
    gtk_entry_set_text(GTK_ENTRY(entry_config2), "600");
    quitte();
    EXPECT_EQ(m_pic->config2_definie ? m_pic->config2 : -1, 0x0600);
    // Typed, masked to the stored bits; a text that does not read keeps the word.
    const struct {
        const char* tape;
        uint16_t mot;
        const char* montre;
        bool wrt;
    } cas[] = {{"3EFF", 0x0600, "0600", true},
               {"100", 0x0100, "0100", false},
               {"zz", 0x0100, "0100", false}};
    for (const auto& c : cas) {
        gtk_entry_set_text(GTK_ENTRY(entry_config2), c.tape);
        g_signal_emit_by_name(entry_config2, "activate");
        EXPECT_TRUE(m_pic->config2_definie);
        EXPECT_EQ(m_pic->config2, c.mot) << c.tape;
        EXPECT_EQ(texte(entry_config2), c.montre);
        EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(wrt)) != FALSE, c.wrt);
    }
    gtk_button_clicked(GTK_BUTTON(wrt));
    EXPECT_EQ(texte(entry_config2), "0700");

    // The modify dialog names the second word by its address, and stays on it.
    modif_mem_prog(nullptr, nullptr);
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), "2008");
    EXPECT_EQ(texte(modif_donnee), "0700");
    gtk_entry_set_text(GTK_ENTRY(modif_donnee), "0");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(texte(entry_config2), "0000");
    EXPECT_EQ(texte(modif_adresse), "2008");

    // Another part: nobody gave its words, and it has no second one.
    choisit("PIC16F84");
    EXPECT_FALSE(m_pic->config2_definie);
    EXPECT_FALSE(visible(entry_config2));
    EXPECT_FALSE(visible(wrt));
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), "");
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), "2008");
    EXPECT_EQ(texte(modif_adresse), "03FF");
}
