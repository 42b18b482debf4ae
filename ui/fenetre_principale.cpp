// SPDX-License-Identifier: GPL-2.0-or-later
// Main window: layout, widgets and signal connections.
#include "core/catalogue.h"
#include "ui/grille.h"
#include "ui/interface.h"
#include "ui/vue_defilante.h"
#include "vue/vue_memoire.h"

GtkWidget* fenetre_principale = nullptr;
GtkWidget* type_PIC = nullptr;
GtkWidget* Fichier = nullptr;
GtkWidget* bouton_charger = nullptr;
GtkWidget* bouton_lire = nullptr;
GtkWidget* texte_P = nullptr;
GtkWidget* texte_D = nullptr;
GtkWidget* conf_fuses = nullptr;
GtkWidget* combo_aff_clock = nullptr;
GtkWidget* check_aff_CP0 = nullptr;
GtkWidget* check_aff_CP1 = nullptr;
GtkWidget* check_aff_DP = nullptr;
GtkWidget* check_aff_WDTE = nullptr;
GtkWidget* check_aff_PWRTE = nullptr;
GtkWidget* check_aff_PWRTE_barre = nullptr;
GtkWidget* check_aff_BODEN = nullptr;
GtkWidget* check_aff_CPD = nullptr;
GtkWidget* check_aff_DEB_barre = nullptr;
GtkWidget* check_aff_LVP = nullptr;
GtkWidget* check_aff_WRT = nullptr;
GtkWidget* check_aff_RESV = nullptr;
GtkWidget* check_aff_MCLRE = nullptr;
GtkWidget* check_aff_CPC = nullptr;
GtkWidget* label_ID = nullptr;
GtkWidget* entry_ID = nullptr;
GtkWidget* label_etat = nullptr;
Boutons_principaux boutons;

namespace {

GtkWidget** const cases[NB_CASES_FUSIBLES] = {
    &check_aff_CP0,       &check_aff_CP1,         &check_aff_DP,    &check_aff_WDTE,
    &check_aff_PWRTE,     &check_aff_PWRTE_barre, &check_aff_BODEN, &check_aff_CPD,
    &check_aff_DEB_barre, &check_aff_LVP,         &check_aff_WRT,   &check_aff_RESV,
    &check_aff_MCLRE,     &check_aff_CPC,
};

void clique(GtkWidget* b, GCallback f, gpointer data) {
    g_signal_connect(b, "clicked", f, data);
}

// "Programme :", the program view and its scroll bar.
GtkWidget* volet_programme[3] = {};

// A file dropped on the window: the first local one is read.
void fichier_depose(GtkWidget*, GdkDragContext* contexte, gint, gint, GtkSelectionData* donnees,
                    guint, guint temps, gpointer) {
    gchar** uris = gtk_selection_data_get_uris(donnees);
    bool lu = false;
    for (gchar** u = uris; u && *u && !lu; ++u) {
        gchar* nom = g_filename_from_uri(*u, nullptr, nullptr);
        if (nom) {
            lit_fichier_depose(nom);
            lu = true;
        }
        g_free(nom);
    }
    g_strfreev(uris);
    gtk_drag_finish(contexte, lu, FALSE, temps);
}

} // namespace

GtkWidget* case_fusible(int index) {
    if (index < 0 || index >= NB_CASES_FUSIBLES) return nullptr;
    return *cases[index];
}

GtkEntry* champ_combo(GtkWidget* combo) {
    return GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo)));
}

void construit_fenetre_principale(const char* titre) {
    fenetre_principale = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(fenetre_principale), titre);
    g_signal_connect(fenetre_principale, "destroy", G_CALLBACK(destroy), nullptr);
    g_signal_connect(fenetre_principale, "key-press-event", G_CALLBACK(touche_pressee), nullptr);
}

// A button of the right-hand column at row ligne, its label underlined by motif.
GtkWidget* bouton_colonne(GtkWidget* t, const char* texte, const char* motif, int ligne,
                          GCallback f, gpointer data, GtkWidget** label = nullptr) {
    GtkWidget* b = bouton_souligne(texte, motif, label);
    attache_fill(t, b, 7, 11, ligne, ligne + 1, 4, 0);
    clique(b, f, data);
    return b;
}

void montre_etat(const std::string& texte) {
    if (!label_etat) return;
    gtk_label_set_text(GTK_LABEL(label_etat), texte.c_str());
    gtk_widget_set_visible(label_etat, !texte.empty());
}

void montre_volet_programme(bool montre) {
    for (GtkWidget* w : volet_programme)
        if (w) gtk_widget_set_visible(w, montre);
}

void construit_contenu_principal() {
    // The layout grid, then the status line below it.
    GtkWidget* boite = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(fenetre_principale), BORDURE_FENETRE);
    gtk_container_add(GTK_CONTAINER(fenetre_principale), boite);
    GtkWidget* t = gtk_grid_new();
    gtk_grid_set_row_homogeneous(GTK_GRID(t), TRUE);
    gtk_grid_set_column_homogeneous(GTK_GRID(t), TRUE);
    gtk_box_pack_start(GTK_BOX(boite), t, TRUE, TRUE, 0);
    label_etat = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(label_etat), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label_etat), PANGO_ELLIPSIZE_END);
    gtk_widget_set_no_show_all(label_etat, TRUE);
    gtk_box_pack_start(GTK_BOX(boite), label_etat, FALSE, FALSE, 0);
    g_signal_connect(label_etat, "destroy", G_CALLBACK(gtk_widget_destroyed), &label_etat);

    gtk_drag_dest_set(fenetre_principale, GTK_DEST_DEFAULT_ALL, nullptr, 0, GDK_ACTION_COPY);
    gtk_drag_dest_add_uri_targets(fenetre_principale);
    g_signal_connect(fenetre_principale, "drag-data-received", G_CALLBACK(fichier_depose), nullptr);

    GtkWidget* l = gtk_label_new("Programmateur pour : ");
    attache_fill(t, l, 4, 7, 0, 1, 0, 0);
    type_PIC = gtk_label_new("PIC16F84");
    attache_fill(t, type_PIC, 6, 12, 0, 1, 0, 0);
    Fichier = gtk_label_new("");
    // A long path is cut in its middle rather than widening the window.
    gtk_label_set_ellipsize(GTK_LABEL(Fichier), PANGO_ELLIPSIZE_MIDDLE);
    gtk_label_set_max_width_chars(GTK_LABEL(Fichier), 1);
    attache_fill(t, Fichier, 2, 11, 1, 2, 0, 0);

    boutons.charger = bouton_colonne(t, "Charger dans le PIC", "_", 2, G_CALLBACK(prepare_PIC_e),
                                     prepare_PIC_box, &bouton_charger);
    boutons.lire = bouton_colonne(t, "Lire le PIC", "_", 3, G_CALLBACK(prepare_PIC_l),
                                  prepare_PIC_box, &bouton_lire);
    boutons.sauver_hex = bouton_colonne(t, "Sauver vers un Fichier HEX", "_", 4,
                                        G_CALLBACK(ecrire_hex_clicked), prep_lect_ecr);
    boutons.lire_hex = bouton_colonne(t, "Lire un Fichier HEX", "  _", 5,
                                      G_CALLBACK(lire_hex_clicked), prep_lect_ecr);
    boutons.comparer =
        bouton_colonne(t, "Comparer", "  _", 7, G_CALLBACK(prepare_PIC_c), prepare_PIC_box);
    boutons.options = bouton_colonne(t, "Options", "_", 8, G_CALLBACK(Options_clicked), nullptr);
    boutons.aide = bouton_colonne(t, "Aide", "_", 9, G_CALLBACK(aide_clicked), nullptr);
    boutons.quitter = bouton_colonne(t, "Quitter", "_", 10, G_CALLBACK(quitter_demande), nullptr);
    boutons.effacer =
        bouton_colonne(t, "Effacer PIC", "_", 6, G_CALLBACK(prepare_PIC_r), prepare_PIC_box);
    gtk_widget_set_no_show_all(boutons.effacer, TRUE);
    gtk_widget_show(gtk_bin_get_child(GTK_BIN(boutons.effacer)));

    boutons.combo_pic = construit_liste_composants(boutons.effacer);
    attache_fill(t, boutons.combo_pic, 11, 14, 9, 10, 0, 0);

    // Memory view.
    GtkWidget* m = gtk_grid_new();
    attache(t, m, 0, 7, 2, 10, A_EXPAND | A_FILL, A_EXPAND | A_FILL, 0, 0);
    volet_programme[0] = gtk_label_new("Programme :");
    attache(m, volet_programme[0], 0, 2, 0, 1, A_RIEN, A_RIEN, 0, 0);
    volet_programme[1] = cree_vue_defilante(&texte_P, &volet_programme[2]);
    attache(m, volet_programme[1], 0, 1, 1, 3, A_SHRINK | A_FILL, A_EXPAND | A_SHRINK | A_FILL, 0,
            0);
    attache(m, volet_programme[2], 1, 2, 1, 3, A_FILL, A_EXPAND | A_SHRINK | A_FILL, 0, 0);
    for (GtkWidget*& w : volet_programme)
        g_signal_connect(w, "destroy", G_CALLBACK(gtk_widget_destroyed), &w);
    attache(m, gtk_label_new("Données :"), 0, 2, 3, 4, A_RIEN, A_RIEN, 0, 0);
    GtkWidget* barre_d = nullptr;
    attache(m, cree_vue_defilante(&texte_D, &barre_d), 0, 1, 4, 6, A_EXPAND | A_SHRINK | A_FILL,
            A_EXPAND | A_SHRINK | A_FILL, 0, 0);
    attache(m, barre_d, 1, 2, 4, 6, A_FILL, A_EXPAND | A_SHRINK | A_FILL, 0, 0);
    GtkTextBuffer* tampon = gtk_text_view_get_buffer(GTK_TEXT_VIEW(texte_P));
    // Every view shares one tag table: the fixed font for all lines, red for odd ones.
    GtkTextTagTable* tags = gtk_text_buffer_get_tag_table(tampon);
    gtk_text_buffer_create_tag(tampon, "fixe", "family", "monospace", nullptr);
    gtk_text_buffer_create_tag(tampon, "rouge", "foreground", "#FF0000", nullptr);
    GtkTextBuffer* tampon_d = gtk_text_buffer_new(tags);
    gtk_text_view_set_buffer(GTK_TEXT_VIEW(texte_D), tampon_d);
    g_object_unref(tampon_d);

    // Configuration editor.
    GtkWidget* c = gtk_grid_new();
    attache(t, c, 11, 14, 3, 9, A_EXPAND | A_FILL, A_EXPAND | A_FILL, 0, 0);
    conf_fuses = gtk_label_new("Type d'Horloge");
    gtk_label_set_xalign(GTK_LABEL(conf_fuses), 0.0f);
    attache_fill(c, conf_fuses, 0, 2, 0, 1, 0, 0);
    combo_aff_clock = gtk_combo_box_text_new_with_entry();
    attache_fill(c, combo_aff_clock, 0, 2, 1, 2, 0, 0);
    g_signal_connect(champ_combo(combo_aff_clock), "changed", G_CALLBACK(combo_conf_change),
                     nullptr);
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        GtkWidget* b = gtk_check_button_new_with_label(libelle_case[i]);
        *cases[i] = b;
        gtk_widget_set_no_show_all(b, TRUE);
        gtk_widget_show(gtk_bin_get_child(GTK_BIN(b)));
        attache_fill(c, b, 0, 2, 2 + i, 3 + i, 0, 0);
        g_signal_connect(b, "clicked", G_CALLBACK(check_conf_change), GINT_TO_POINTER(i));
    }
    label_ID = gtk_label_new("ID : ");
    attache_fill(c, label_ID, 0, 1, 16, 17, 0, 0);
    entry_ID = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(entry_ID), 8);
    gtk_entry_set_width_chars(GTK_ENTRY(entry_ID), 8);
    attache_fill(c, entry_ID, 1, 2, 16, 17, 0, 0);
    g_signal_connect(entry_ID, "changed", G_CALLBACK(entry_ID_change), nullptr);
    construit_config2(c, 17);

    boutons.modifier_prog = gtk_button_new_with_label("Modifier Prog");
    attache_fill(t, boutons.modifier_prog, 0, 2, 10, 11, 0, 0);
    clique(boutons.modifier_prog, G_CALLBACK(modif_mem_prog), nullptr);
    boutons.modifier_donnee = gtk_button_new_with_label("Modifier Donnee");
    attache_fill(t, boutons.modifier_donnee, 5, 7, 10, 11, 0, 0);
    clique(boutons.modifier_donnee, G_CALLBACK(modif_mem_donnee), nullptr);
    static const char* const bases[] = {"Hexa", "Decimale", "Binaire"};
    boutons.combo_base = combo_fixe(bases, 3);
    gtk_entry_set_text(champ_combo(boutons.combo_base), "Hexa");
    gtk_entry_set_width_chars(champ_combo(boutons.combo_base), 8);
    attache(t, boutons.combo_base, 2, 5, 10, 11, A_RIEN, A_RIEN, 0, 0);
    g_signal_connect(champ_combo(boutons.combo_base), "changed", G_CALLBACK(toggle_b_h), nullptr);

    gtk_widget_show_all(fenetre_principale);
    met_a_jour_sensibilite();
}
