// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard: every key of every window, as key events with exact modifier states.
#include "banc_ui.h"

#include "core/messages.h"

#include <glib/gstdio.h>

using namespace test_ui;

namespace {

constexpr guint ALT_VERR_NUM = GDK_MOD1_MASK | GDK_MOD2_MASK; // 0x18
constexpr guint ALT = GDK_MOD1_MASK;                          // 0x08

GdkEvent* evenement(GtkWidget* fenetre, guint keyval, guint etat) {
    gtk_widget_realize(fenetre);
    GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
    e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(fenetre)));
    e->key.send_event = TRUE;
    e->key.time = GDK_CURRENT_TIME;
    e->key.keyval = keyval;
    e->key.state = etat;
    GdkDisplay* d = gtk_widget_get_display(fenetre);
    GdkKeymapKey* touches = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(d), keyval, &touches, &n) &&
        n > 0)
        e->key.hardware_keycode = static_cast<guint16>(touches[0].keycode);
    g_free(touches);
    gdk_event_set_device(e, gdk_seat_get_keyboard(gdk_display_get_default_seat(d)));
    return e;
}

// What the key handler itself answers.
gboolean pressee(GtkWidget* fenetre, guint keyval, guint etat = 0) {
    GdkEvent* e = evenement(fenetre, keyval, etat);
    const gboolean r = touche_pressee(fenetre, &e->key, nullptr);
    gdk_event_free(e);
    return r;
}

// The key as the toolkit delivers it: the window's handlers, then the focused widget.
void tape(GtkWidget* fenetre, guint keyval, guint etat = 0) {
    GdkEvent* e = evenement(fenetre, keyval, etat);
    gtk_widget_event(fenetre, e);
    gdk_event_free(e);
}

std::vector<GtkWidget*> visibles() {
    std::vector<GtkWidget*> v;
    for (GtkWidget* w : {error_box, prep_lect_ecr, lire_file_box, ecrire_file_box, prepare_PIC_box,
                         modif_box, en_prog_box, Options_window})
        if (visible(w)) v.push_back(w);
    return v;
}

void cache_tout() {
    for (GtkWidget* w : visibles()) gtk_widget_hide(w);
}

// A stand-in help browser that writes its argument into a file.
std::string faux_kdehelp(const test::Repertoire_temp& rep) {
    const std::string sortie = rep.fichier("vu");
    const std::string chemin = rep.fichier("kdehelp");
    test::ecrit_fichier(chemin, "#!/bin/sh\necho \"$*\" > " + sortie + ".tmp && mv " + sortie +
                                    ".tmp " + sortie + "\n");
    g_chmod(chemin.c_str(), 0755);
    return sortie;
}

std::string attend_fichier(const std::string& chemin) {
    for (int k = 0; k < 500 && !g_file_test(chemin.c_str(), G_FILE_TEST_EXISTS); ++k)
        g_usleep(10000);
    return g_file_test(chemin.c_str(), G_FILE_TEST_EXISTS) ? test::lit_fichier(chemin) : "";
}

} // namespace

TEST_F(Interface, clavier_lettres_de_la_fenetre_principale_avec_alt_et_verr_num) {
    demarre();
    struct {
        guint touche;
        int operation;
        const char* titre;
    } insertions[] = {{GDK_KEY_c, 1, "Insertion du PIC - Ecriture"},
                      {GDK_KEY_l, 0, "Insertion du PIC - Lecture"},
                      {GDK_KEY_m, 3, "Insertion du PIC - Comparaison"},
                      {GDK_KEY_e, 2, "Insertion du PIC - Effacement"}};
    for (const auto& i : insertions) {
        SCOPED_TRACE(i.titre);
        ecrire_pic = -1;
        // Alt alone, or with Shift or Control, does nothing.
        for (guint etat : {0u, ALT, ALT_VERR_NUM | GDK_SHIFT_MASK, ALT_VERR_NUM | GDK_CONTROL_MASK,
                           static_cast<guint>(GDK_MOD2_MASK)}) {
            EXPECT_FALSE(pressee(fenetre_principale, i.touche, etat)) << etat;
            EXPECT_TRUE(visibles().empty());
        }
        EXPECT_EQ(ecrire_pic, -1);
        EXPECT_TRUE(pressee(fenetre_principale, i.touche, ALT_VERR_NUM));
        EXPECT_EQ(ecrire_pic, i.operation);
        EXPECT_EQ(titre(prepare_PIC_box), i.titre);
        EXPECT_EQ(visibles(), std::vector<GtkWidget*>{prepare_PIC_box});
        cache_tout();
    }
    // Another keyboard group (layout) is no modifier.
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_l, ALT_VERR_NUM | 0x2000));
    EXPECT_EQ(ecrire_pic, 0);
    cache_tout();

    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_r, ALT_VERR_NUM));
    EXPECT_EQ(lire_hex, 1);
    EXPECT_EQ(titre(prep_lect_ecr), "Lecture");
    EXPECT_EQ(visibles(), std::vector<GtkWidget*>{prep_lect_ecr});
    cache_tout();
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_s, ALT_VERR_NUM));
    EXPECT_EQ(lire_hex, 0);
    EXPECT_EQ(titre(prep_lect_ecr), "Ecrire");
    cache_tout();
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_o, ALT));
    EXPECT_FALSE(visible(Options_window));
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_o, ALT_VERR_NUM));
    EXPECT_EQ(visibles(), std::vector<GtkWidget*>{Options_window});
    cache_tout();
    // Upper case with the same state (Caps Lock is not in it) names the same letter.
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_O, ALT_VERR_NUM));
    EXPECT_TRUE(visible(Options_window));
    cache_tout();
    // Letters that no button underlines, and Return, are not the window's.
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_x, ALT_VERR_NUM));
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_Return, ALT_VERR_NUM));
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_Escape));
    EXPECT_TRUE(visibles().empty());
}

TEST_F(Interface, clavier_e_suit_le_bouton_effacer) {
    demarre(catalogue, reglages(3)); // PIC12C671: no erase button
    EXPECT_FALSE(visible(boutons.effacer));
    ecrire_pic = -1;
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_e, ALT_VERR_NUM));
    EXPECT_EQ(ecrire_pic, -1);
    EXPECT_FALSE(visible(prepare_PIC_box));
    choisit("PIC16F84");
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_e, ALT_VERR_NUM));
    EXPECT_EQ(ecrire_pic, 2);
}

TEST_F(Interface, clavier_q_sauve_et_termine_seulement_avec_verr_num) {
    demarre(catalogue, reglages(1));
    choisit("24C16");
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_q, ALT));
    EXPECT_FALSE(fin_demandee());
    EXPECT_EQ(test::lit_fichier(rep.fichier("conf_port")), reglages(1));
    tape(fenetre_principale, GDK_KEY_q, ALT_VERR_NUM);
    EXPECT_TRUE(fin_demandee());
    EXPECT_NE(test::lit_fichier(rep.fichier("conf_port")).find("_DERNIER_PIC 6"),
              std::string::npos);
}

TEST_F(Interface, clavier_a_lance_l_aide) {
    test::Repertoire_temp bin;
    const std::string sortie = faux_kdehelp(bin);
    const std::string chemin = g_getenv("PATH");
    g_setenv("PATH", (bin.chemin().string() + ":" + chemin).c_str(), TRUE);
    demarre();
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_a, ALT));
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_a, ALT_VERR_NUM));
    const std::string vu = attend_fichier(sortie);
    g_setenv("PATH", chemin.c_str(), TRUE);
    EXPECT_EQ(vu, adresse_aide() + "\n");
}

TEST_F(Interface, clavier_les_autres_touches_vont_au_champ_ID) {
    demarre();
    gtk_entry_set_text(GTK_ENTRY(entry_ID), "");
    gtk_widget_grab_focus(entry_ID);
    ASSERT_EQ(gtk_window_get_focus(GTK_WINDOW(fenetre_principale)), entry_ID);
    EXPECT_FALSE(pressee(fenetre_principale, GDK_KEY_a));
    for (guint k : {GDK_KEY_a, GDK_KEY_b, GDK_KEY_1, GDK_KEY_2}) tape(fenetre_principale, k);
    EXPECT_EQ(texte(entry_ID), "ab12");
    EXPECT_EQ(m_pic->id[0], 0xAB);
    EXPECT_EQ(m_pic->id[1], 0x12);
    // A letter that acts does not reach the entry.
    tape(fenetre_principale, GDK_KEY_o, ALT_VERR_NUM);
    EXPECT_EQ(texte(entry_ID), "ab12");
    EXPECT_TRUE(visible(Options_window));
}

TEST_F(Interface, clavier_fenetre_d_erreur) {
    demarre();
    for (guint k : {GDK_KEY_Return, GDK_KEY_Escape, GDK_KEY_KP_Enter}) {
        message_erreur("un problème", 0);
        EXPECT_FALSE(pressee(error_box, GDK_KEY_x));
        EXPECT_TRUE(visible(error_box));
        EXPECT_TRUE(pressee(error_box, k));
        EXPECT_FALSE(visible(error_box));
        EXPECT_FALSE(fin_demandee());
    }
    // A fatal message: the keys hide it and the program goes on, even with the focus on "Ok";
    // only a click on "Ok" ends the program.
    GtkWidget* ok = gtk_grid_get_child_at(GTK_GRID(gtk_bin_get_child(GTK_BIN(error_box))), 0, 1);
    ASSERT_TRUE(GTK_IS_BUTTON(ok));
    for (guint k : {GDK_KEY_Escape, GDK_KEY_Return, GDK_KEY_KP_Enter}) {
        message_erreur("Le fichier conf_PICS n'existe pas\nLe programme va se terminer", 1);
        gtk_widget_grab_focus(ok);
        tape(error_box, k);
        EXPECT_FALSE(visible(error_box)) << k;
        EXPECT_FALSE(fin_demandee()) << k;
    }
    message_erreur("Le fichier conf_PICS n'existe pas\nLe programme va se terminer", 1);
    gtk_button_clicked(GTK_BUTTON(ok));
    EXPECT_FALSE(visible(error_box));
    EXPECT_TRUE(fin_demandee());
}

TEST_F(Interface, clavier_choix_du_fichier) {
    demarre();
    lire_hex_clicked(nullptr, prep_lect_ecr);
    EXPECT_FALSE(pressee(prep_lect_ecr, GDK_KEY_Return));
    EXPECT_FALSE(pressee(prep_lect_ecr, GDK_KEY_x));
    EXPECT_TRUE(pressee(prep_lect_ecr, GDK_KEY_p));
    EXPECT_EQ(juste_donnee, 0);
    EXPECT_EQ(visibles(), std::vector<GtkWidget*>{lire_file_box});
    cache_tout();
    ecrire_hex_clicked(nullptr, prep_lect_ecr);
    EXPECT_TRUE(pressee(prep_lect_ecr, GDK_KEY_D, GDK_SHIFT_MASK));
    EXPECT_EQ(juste_donnee, 1);
    EXPECT_EQ(visibles(), std::vector<GtkWidget*>{ecrire_file_box});
    cache_tout();
    lire_hex_clicked(nullptr, prep_lect_ecr);
    EXPECT_TRUE(pressee(prep_lect_ecr, GDK_KEY_Escape));
    EXPECT_TRUE(visibles().empty());
}

TEST_F(Interface, clavier_options_entree_et_echap) {
    demarre();
    Options_clicked(nullptr, nullptr);
    gtk_entry_set_text(champ_combo(combo_port), "278");
    // Escape: cancelled.
    gtk_widget_grab_focus(entry_le_prog_deb);
    tape(Options_window, GDK_KEY_Escape);
    EXPECT_FALSE(visible(Options_window));
    EXPECT_EQ(PORT_PARA, 0x378);
    EXPECT_EQ(texte(combo_port), "378 (LPT1 par défaut)");
    // Return, even from an entry: confirmed.
    Options_clicked(nullptr, nullptr);
    gtk_entry_set_text(champ_combo(combo_port), "278");
    gtk_entry_set_text(GTK_ENTRY(entry_le_prog_deb), "XYZ");
    tape(Options_window, GDK_KEY_Return);
    EXPECT_FALSE(visible(Options_window));
    EXPECT_EQ(PORT_PARA, 0x278);
    EXPECT_EQ(texte(entry_le_prog_deb), "0");
    EXPECT_NE(test::lit_fichier(rep.fichier("conf_port")).find("_PORT 278\n"), std::string::npos);
    // Return on a focused "Annuler" is left to that button (which the toolkit then clicks).
    Options_clicked(nullptr, nullptr);
    GtkWidget* annuler =
        gtk_grid_get_child_at(GTK_GRID(gtk_bin_get_child(GTK_BIN(Options_window))), 11, 7);
    ASSERT_EQ(texte(annuler), "Annuler");
    gtk_widget_grab_focus(annuler);
    EXPECT_FALSE(pressee(Options_window, GDK_KEY_Return));
    EXPECT_TRUE(visible(Options_window));
    gtk_widget_grab_focus(check_le_prog); // a check button is no push button
    EXPECT_TRUE(pressee(Options_window, GDK_KEY_Return));
    EXPECT_FALSE(visible(Options_window));
    // Other keys go on to the focused entry.
    Options_clicked(nullptr, nullptr);
    EXPECT_FALSE(pressee(Options_window, GDK_KEY_q, ALT_VERR_NUM));
    gtk_entry_set_text(GTK_ENTRY(entry_le_prog_deb), "");
    gtk_widget_grab_focus(entry_le_prog_deb);
    tape(Options_window, GDK_KEY_1);
    tape(Options_window, GDK_KEY_f);
    EXPECT_EQ(texte(entry_le_prog_deb), "1f");
    EXPECT_TRUE(visible(Options_window));
}

TEST_F(Interface, clavier_insertion_et_modification) {
    demarre();
    prepare_PIC_l(nullptr, prepare_PIC_box);
    EXPECT_FALSE(pressee(prepare_PIC_box, GDK_KEY_p));
    EXPECT_TRUE(pressee(prepare_PIC_box, GDK_KEY_Escape));
    EXPECT_FALSE(visible(prepare_PIC_box));
    EXPECT_EQ(ecrire_pic, 0); // hidden, not confirmed
    // "Ok" has the focus each time the dialog opens, whichever button had it before, so that
    // Return confirms.
    GtkWidget* insertion = gtk_bin_get_child(GTK_BIN(prepare_PIC_box));
    GtkWidget* ok = gtk_grid_get_child_at(GTK_GRID(insertion), 5, 5);
    ASSERT_EQ(texte(ok), "Ok");
    gtk_widget_grab_focus(gtk_grid_get_child_at(GTK_GRID(insertion), 6, 5));
    prepare_PIC_e(nullptr, prepare_PIC_box);
    EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(prepare_PIC_box)), ok);
    EXPECT_FALSE(pressee(prepare_PIC_box, GDK_KEY_Return));
    gtk_widget_hide(prepare_PIC_box);

    modif_mem_prog(nullptr, nullptr);
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), "20");
    gtk_entry_set_text(GTK_ENTRY(modif_donnee), "1234");
    gtk_widget_grab_focus(modif_donnee);
    tape(modif_box, GDK_KEY_Return);
    EXPECT_EQ(m_pic->prog[0x20], 0x1234);
    EXPECT_EQ(texte(modif_adresse), "0021");
    EXPECT_TRUE(visible(modif_box));
    EXPECT_FALSE(pressee(modif_box, GDK_KEY_m, ALT_VERR_NUM));
    tape(modif_box, GDK_KEY_Escape);
    EXPECT_FALSE(visible(modif_box));
    EXPECT_EQ(texte(modif_adresse), "0021"); // kept for the next opening
}

TEST_F(Interface, clavier_pendant_une_operation_les_lettres_des_boutons_tenus) {
    demarre();
    bool deja = false;
    gboolean lire_hex_agit = TRUE, options_agit = FALSE;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        lire_hex_agit = pressee(fenetre_principale, GDK_KEY_r, ALT_VERR_NUM);
        options_agit = pressee(fenetre_principale, GDK_KEY_o, ALT_VERR_NUM);
    });
    lance(prepare_PIC_l);
    ASSERT_TRUE(deja);
    EXPECT_FALSE(lire_hex_agit); // "Lire un Fichier HEX" is held by the operation
    EXPECT_TRUE(options_agit);
    EXPECT_FALSE(visible(prep_lect_ecr));
}

TEST_F(Interface, clavier_une_lettre_prend_le_second_mot_tape) {
    demarre(std::string(catalogue) + "18.2 0 0 0 WRT WRT x 0 0 0 0 0 0 0 0\n" +
            "PIC16F886  8192 256 18 8  1 1 0\n");
    choisit("PIC16F886");
    gtk_entry_set_text(GTK_ENTRY(entry_config2), "200"); // no Return, the focus stays
    EXPECT_FALSE(m_pic->config2_definie);
    EXPECT_TRUE(pressee(fenetre_principale, GDK_KEY_c, ALT_VERR_NUM));
    EXPECT_TRUE(visible(prepare_PIC_box));
    EXPECT_EQ(m_pic->config2_definie ? m_pic->config2 : -1, 0x0200);
    gtk_widget_hide(prepare_PIC_box);
}
