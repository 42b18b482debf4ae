// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's widgets and texts, and the dialog windows.
#include "banc_ui.h"

#include "core/messages.h"

#include <functional>

using namespace test_ui;

namespace {

// Byte index of the underlined character in a label, -1 when none.
int lettre_soulignee(GtkWidget* label) {
    PangoAttrList* attrs = pango_layout_get_attributes(gtk_label_get_layout(GTK_LABEL(label)));
    if (!attrs) return -1;
    PangoAttrIterator* it = pango_attr_list_get_iterator(attrs);
    int indice = -1;
    do {
        PangoAttribute* a = pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE);
        if (a && reinterpret_cast<PangoAttrInt*>(a)->value != PANGO_UNDERLINE_NONE) {
            indice = static_cast<int>(a->start_index);
            break;
        }
    } while (pango_attr_iterator_next(it));
    pango_attr_iterator_destroy(it);
    return indice;
}

} // namespace

TEST_F(Interface, fenetre_principale_textes_cellules_et_soulignements) {
    demarre();
    struct {
        GtkWidget* bouton;
        const char* texte;
        int souligne;
        int haut;
    } attendus[] = {
        {boutons.charger, "Charger dans le PIC", 0, 2},
        {boutons.lire, "Lire le PIC", 0, 3},
        {boutons.sauver_hex, "Sauver vers un Fichier HEX", 0, 4},
        {boutons.lire_hex, "Lire un Fichier HEX", 2, 5},
        {boutons.effacer, "Effacer PIC", 0, 6},
        {boutons.comparer, "Comparer", 2, 7},
        {boutons.options, "Options", 0, 8},
        {boutons.aide, "Aide", 0, 9},
        {boutons.quitter, "Quitter", 0, 10},
    };
    for (const auto& a : attendus) {
        SCOPED_TRACE(a.texte);
        GtkWidget* l = gtk_bin_get_child(GTK_BIN(a.bouton));
        EXPECT_EQ(texte(l), a.texte);
        EXPECT_EQ(lettre_soulignee(l), a.souligne);
        cellule(a.bouton, 7, 11, a.haut, a.haut + 1);
    }
    EXPECT_EQ(lettre_soulignee(gtk_bin_get_child(GTK_BIN(boutons.modifier_prog))), -1);
    EXPECT_EQ(texte(boutons.modifier_prog), "Modifier Prog");
    EXPECT_EQ(texte(boutons.modifier_donnee), "Modifier Donnee");
    EXPECT_EQ(texte(boutons.combo_base), "Hexa");
    EXPECT_EQ(liste_combo(boutons.combo_base),
              (std::vector<std::string>{"Hexa", "Decimale", "Binaire"}));
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(champ_combo(boutons.combo_base))));
    // The device list: grouped by kind, a name may be typed.
    EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(champ_combo(boutons.combo_pic))));
    EXPECT_EQ(liste_combo(boutons.combo_pic),
              (std::vector<std::string>{"PIC 12 bits", "PIC 14 bits EPROM/OTP", "PIC flash",
                                        "EEPROM I2C", "EEPROM Microwire", "EEPROM SPI"}));
    GtkTreeModel* m = gtk_combo_box_get_model(GTK_COMBO_BOX(boutons.combo_pic));
    GtkTreeIter flash, nom;
    ASSERT_TRUE(gtk_tree_model_iter_nth_child(m, &flash, nullptr, 2));
    std::vector<std::string> noms;
    for (gboolean ok = gtk_tree_model_iter_children(m, &nom, &flash); ok;
         ok = gtk_tree_model_iter_next(m, &nom)) {
        gchar* t = nullptr;
        gtk_tree_model_get(m, &nom, 0, &t, -1);
        noms.push_back(t);
        g_free(t);
    }
    EXPECT_EQ(noms, (std::vector<std::string>{"PIC16F84", "PIC16F876", "PIC16C84"}));
    cellule(boutons.combo_pic, 11, 14, 9, 10);
    cellule(type_PIC, 6, 12, 0, 1);
    cellule(Fichier, 2, 11, 1, 2);
    cellule(boutons.modifier_prog, 0, 2, 10, 11);
    cellule(boutons.combo_base, 2, 5, 10, 11);
    cellule(boutons.modifier_donnee, 5, 7, 10, 11);
    cellule(entry_ID, 1, 2, 16, 17);
    cellule(check_aff_CPC, 0, 2, 15, 16);
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(entry_ID)), 8);
    EXPECT_EQ(texte(check_aff_PWRTE_barre), "Power Up Timer");
    EXPECT_EQ(texte(check_aff_DEB_barre), "Debugger");
    EXPECT_EQ(texte(check_aff_WDTE), "Chien de garde");
    EXPECT_EQ(texte(conf_fuses), "Type d'horloge : ");
    EXPECT_TRUE(gtk_grid_get_row_homogeneous(GTK_GRID(gtk_widget_get_parent(boutons.charger))));
    EXPECT_TRUE(gtk_grid_get_column_homogeneous(GTK_GRID(gtk_widget_get_parent(boutons.charger))));
    // The view's text widgets are read-only.
    EXPECT_FALSE(gtk_text_view_get_editable(GTK_TEXT_VIEW(texte_P)));
    EXPECT_FALSE(gtk_text_view_get_editable(GTK_TEXT_VIEW(texte_D)));
}

TEST_F(Interface, fenetres_secondaires_cachees_avec_leurs_textes) {
    demarre();
    EXPECT_TRUE(visible(fenetre_principale));
    struct {
        GtkWidget* f;
        const char* titre;
    } fenetres[] = {{error_box, "Erreur"},
                    {prep_lect_ecr, "Lecture"},
                    {lire_file_box, "Lire un fichier Hex"},
                    {ecrire_file_box, "Enregistrer un fichier Hex"},
                    {prepare_PIC_box, "Insertion du PIC"},
                    {modif_box, "Modification"},
                    {en_prog_box, "*****  En cours...  *****"},
                    {Options_window, "Options"}};
    for (const auto& f : fenetres) {
        SCOPED_TRACE(f.titre);
        EXPECT_EQ(titre(f.f), f.titre);
        EXPECT_FALSE(visible(f.f));
    }
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(lire_file_box)),
              GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(ecrire_file_box)),
              GTK_FILE_CHOOSER_ACTION_SAVE);
    // Saving over a file asks first; both open on the HEX files.
    EXPECT_TRUE(gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(ecrire_file_box)));
    for (GtkWidget* d : {lire_file_box, ecrire_file_box})
        EXPECT_STREQ(gtk_file_filter_get_name(gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(d))),
                     "Fichiers HEX");
    EXPECT_EQ(texte(util_label), "Ecriture");
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(modif_adresse)), 4);
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(modif_donnee)), 16);
    cellule(modif_adresse, 2, 6, 0, 1);
    cellule(progress_bar, 0, 1, 1, 2);
}

TEST_F(Interface, fermer_une_fenetre_la_cache_et_la_garde) {
    demarre();
    gtk_entry_set_text(GTK_ENTRY(modif_donnee), "3FFF");
    for (GtkWidget* f :
         {error_box, prep_lect_ecr, prepare_PIC_box, modif_box, en_prog_box, lire_file_box}) {
        gtk_widget_show(f);
        GdkEvent* e = gdk_event_new(GDK_DELETE);
        e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(f)));
        gboolean traite = FALSE;
        g_signal_emit_by_name(f, "delete-event", e, &traite);
        gdk_event_free(e);
        EXPECT_TRUE(traite);
        EXPECT_FALSE(visible(f));
    }
    EXPECT_EQ(texte(modif_donnee), "3FFF");
    // The Options window stays open.
    gtk_widget_show(Options_window);
    GdkEvent* e = gdk_event_new(GDK_DELETE);
    e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(Options_window)));
    gboolean traite = FALSE;
    g_signal_emit_by_name(Options_window, "delete-event", e, &traite);
    gdk_event_free(e);
    EXPECT_TRUE(traite);
    EXPECT_TRUE(visible(Options_window));
}

TEST_F(Interface, insertion_les_titres_par_operation) {
    demarre();
    struct {
        void (*f)(GtkWidget*, gpointer);
        int etat;
        const char* titre;
    } ops[] = {{prepare_PIC_l, 0, "Insertion du PIC - Lecture"},
               {prepare_PIC_e, 1, "Insertion du PIC - Ecriture"},
               {prepare_PIC_r, 2, "Insertion du PIC - Effacement"},
               {prepare_PIC_c, 3, "Insertion du PIC - Comparaison"}};
    for (const auto& o : ops) {
        o.f(nullptr, prepare_PIC_box);
        EXPECT_EQ(ecrire_pic, o.etat);
        EXPECT_EQ(titre(prepare_PIC_box), o.titre);
        EXPECT_TRUE(visible(prepare_PIC_box));
    }
    // The buttons are connected to the same handlers.
    gtk_widget_hide(prepare_PIC_box);
    gtk_button_clicked(GTK_BUTTON(boutons.lire));
    EXPECT_EQ(ecrire_pic, 0);
    gtk_button_clicked(GTK_BUTTON(boutons.charger));
    EXPECT_EQ(ecrire_pic, 1);
    gtk_button_clicked(GTK_BUTTON(boutons.effacer));
    EXPECT_EQ(ecrire_pic, 2);
    gtk_button_clicked(GTK_BUTTON(boutons.comparer));
    EXPECT_EQ(ecrire_pic, 3);
    EXPECT_TRUE(visible(prepare_PIC_box));
}

namespace {

// Waits, for a bounded while, until the window's height satisfies ok.
template <class Condition> int hauteur_quand(GtkWidget* f, Condition ok) {
    // A loaded server may size the window in steps: the height counts once it has held for
    // 20 polls.
    int l = 0, h = 0, avant = -1, stable = 0;
    for (int k = 0; k < 1000 && stable < 20; ++k) {
        pompe();
        gtk_window_get_size(GTK_WINDOW(f), &l, &h);
        stable = ok(h) && h == avant ? stable + 1 : 0;
        avant = h;
        g_usleep(5000);
    }
    return h;
}

} // namespace

TEST_F(Interface, chaque_fenetre_ouverte_devant_la_principale) {
    demarre();
    struct {
        const char* nom;
        std::function<void()> ouvre;
        GtkWidget* f;
    } cas[] = {
        {"insertion", [] { prepare_PIC_e(nullptr, prepare_PIC_box); }, prepare_PIC_box},
        {"progression", [] { ok_prepare_PIC_box(nullptr, prepare_PIC_box); }, en_prog_box},
        {"choix", [] { lire_hex_clicked(nullptr, prep_lect_ecr); }, prep_lect_ecr},
        {"sélection", [] { prep_lect_ecr_pic(nullptr, prep_lect_ecr); }, lire_file_box},
        {"modification", [] { modif_mem_prog(nullptr, nullptr); }, modif_box},
        {"options", [] { Options_clicked(nullptr, nullptr); }, Options_window},
        {"erreur", [] { message_erreur("m", 0); }, error_box},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        c.ouvre();
        pompe();
        EXPECT_TRUE(visible(c.f));
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(c.f)), GTK_WINDOW(fenetre_principale));
    }
    ecrire_pic = 0;
}

TEST_F(Interface, fenetres_a_leur_taille_naturelle_apres_chaque_changement) {
    demarre(catalogue, reglages(1)); // PIC16F876: every fuse row
    const int pic = hauteur_quand(fenetre_principale, [](int h) { return h > 1; });
    choisit("24C16");
    const int eeprom = hauteur_quand(fenetre_principale, [pic](int h) { return h < pic; });
    EXPECT_LT(eeprom, pic);
    choisit("PIC16F876");
    EXPECT_EQ(hauteur_quand(fenetre_principale, [pic](int h) { return h == pic; }), pic);

    Options_clicked(nullptr, nullptr);
    const int simple = hauteur_quand(Options_window, [](int h) { return h > 1; });
    gtk_entry_set_text(champ_combo(combo_type), "Autres");
    const int autres = hauteur_quand(Options_window, [simple](int h) { return h > simple; });
    EXPECT_GT(autres, simple);
    gtk_entry_set_text(champ_combo(combo_type), "KORVAL");
    EXPECT_EQ(hauteur_quand(Options_window, [simple](int h) { return h == simple; }), simple);
    Options_Annuler_Clicked(nullptr, Options_window);
}

TEST_F(Interface, selections_de_fichier_dans_80_pour_cent_de_l_ecran) {
    demarre();
    GdkMonitor* m = gdk_display_get_monitor_at_window(gdk_display_get_default(),
                                                      gtk_widget_get_window(fenetre_principale));
    GdkRectangle zone;
    gdk_monitor_get_workarea(m, &zone);
    for (auto ouvre : {lire_hex_clicked, ecrire_hex_clicked}) {
        ouvre(nullptr, prep_lect_ecr);
        prep_lect_ecr_pic(nullptr, prep_lect_ecr);
        GtkWidget* d = lire_hex == 1 ? lire_file_box : ecrire_file_box;
        hauteur_quand(d, [&](int h) { return h > 1 && h <= zone.height * 8 / 10; });
        int l = 0, h = 0;
        gtk_window_get_size(GTK_WINDOW(d), &l, &h);
        EXPECT_LE(l, zone.width * 8 / 10);
        EXPECT_LE(h, zone.height * 8 / 10);
        EXPECT_GT(l, 100);
        gtk_widget_hide(d);
    }
}
