// SPDX-License-Identifier: GPL-2.0-or-later
// GTK 1.2 table attachment on a GtkGrid: cells by boundaries, fill/expand, padding per side.
#pragma once

#include <gtk/gtk.h>

enum : unsigned { A_RIEN = 0, A_EXPAND = 1, A_SHRINK = 2, A_FILL = 4 };

// Border around the content of a window whose children have no padding (GNOME HIG: 6 to 12).
constexpr int BORDURE_FENETRE = 12;

inline void attache(GtkWidget* grille, GtkWidget* w, int gauche, int droite, int haut, int bas,
                    unsigned h, unsigned v, int xpad, int ypad) {
    gtk_grid_attach(GTK_GRID(grille), w, gauche, haut, droite - gauche, bas - haut);
    gtk_widget_set_hexpand(w, (h & A_EXPAND) != 0);
    gtk_widget_set_vexpand(w, (v & A_EXPAND) != 0);
    gtk_widget_set_halign(w, (h & A_FILL) ? GTK_ALIGN_FILL : GTK_ALIGN_CENTER);
    gtk_widget_set_valign(w, (v & A_FILL) ? GTK_ALIGN_FILL : GTK_ALIGN_CENTER);
    gtk_widget_set_margin_start(w, xpad);
    gtk_widget_set_margin_end(w, xpad);
    gtk_widget_set_margin_top(w, ypad);
    gtk_widget_set_margin_bottom(w, ypad);
}

// Option "fill" of the layouts: fill horizontally, nothing vertically.
inline void attache_fill(GtkWidget* grille, GtkWidget* w, int gauche, int droite, int haut, int bas,
                         int xpad, int ypad) {
    attache(grille, w, gauche, droite, haut, bas, A_FILL, A_RIEN, xpad, ypad);
}

// A button holding a label with an underline pattern ("" for none); returns the button.
inline GtkWidget* bouton_souligne(const char* texte, const char* motif,
                                  GtkWidget** label = nullptr) {
    GtkWidget* b = gtk_button_new();
    GtkWidget* l = gtk_label_new(texte);
    if (motif && *motif) gtk_label_set_pattern(GTK_LABEL(l), motif);
    gtk_container_add(GTK_CONTAINER(b), l);
    if (label) *label = l;
    return b;
}

// A combo box with a fixed list: text field shown, not editable.
inline GtkWidget* combo_fixe(const char* const* liste, int n) {
    GtkWidget* c = gtk_combo_box_text_new_with_entry();
    for (int i = 0; i < n; ++i) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(c), liste[i]);
    GtkWidget* champ = gtk_bin_get_child(GTK_BIN(c));
    gtk_editable_set_editable(GTK_EDITABLE(champ), FALSE);
    return c;
}
