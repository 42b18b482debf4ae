// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/vue_defilante.h"

#include <algorithm>
#include <cmath>

namespace {

struct Defilement {
    GtkWidget* vue = nullptr;
    GtkAdjustment* adj = nullptr; // lines; owned by the scroll bar and by this
    int nb = 0;
    int visibles = 1;
    Source_lignes source;
    int premiere = -1; // first line now in the buffer, -1 to refill
    guint attente = 0; // refill pending after a new size
};

constexpr const char* CLE = "korval-defilement";
constexpr int LIGNES_PAR_CRAN = 3;

Defilement* etat_de(GtkWidget* vue) {
    return static_cast<Defilement*>(g_object_get_data(G_OBJECT(vue), CLE));
}

void libere(gpointer p) {
    auto* d = static_cast<Defilement*>(p);
    if (d->attente) g_source_remove(d->attente);
    g_object_unref(d->adj);
    delete d;
}

// The lines from the adjustment's value, one insertion per line; the fixed font on all of them.
void remplit(Defilement& d) {
    const int premiere = static_cast<int>(gtk_adjustment_get_value(d.adj));
    GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(d.vue));
    GtkTextTagTable* tags = gtk_text_buffer_get_tag_table(b);
    GtkTextTag* fixe = gtk_text_tag_table_lookup(tags, "fixe");
    GtkTextTag* rouge = gtk_text_tag_table_lookup(tags, "rouge");
    gtk_text_buffer_set_text(b, "", 0);
    GtkTextIter fin;
    gtk_text_buffer_get_end_iter(b, &fin);
    const int derniere = std::min(d.nb, premiere + d.visibles);
    for (int n = std::max(premiere, 0); n < derniere && d.source; ++n) {
        const Ligne_vue l = d.source(n);
        const auto taille = static_cast<gint>(l.texte.size());
        if (l.rouge)
            gtk_text_buffer_insert_with_tags(b, &fin, l.texte.data(), taille, fixe, rouge, nullptr);
        else
            gtk_text_buffer_insert_with_tags(b, &fin, l.texte.data(), taille, fixe, nullptr);
    }
    d.premiere = premiere;
}

void regle(Defilement& d, double valeur) {
    const double page = d.visibles;
    gtk_adjustment_configure(d.adj, std::clamp(valeur, 0.0, std::max(0.0, d.nb - page)), 0.0, d.nb,
                             1.0, std::max(1.0, page - 1.0), page);
}

void valeur_changee(GtkAdjustment*, gpointer p) {
    auto& d = *static_cast<Defilement*>(p);
    if (static_cast<int>(gtk_adjustment_get_value(d.adj)) != d.premiere) remplit(d);
}

int hauteur_ligne(GtkWidget* vue) {
    PangoLayout* l = gtk_widget_create_pango_layout(vue, "0");
    PangoFontDescription* f = pango_font_description_from_string("monospace");
    const PangoFontDescription* base =
        pango_context_get_font_description(pango_layout_get_context(l));
    if (base) pango_font_description_merge(f, base, FALSE);
    pango_layout_set_font_description(l, f);
    int largeur = 0, hauteur = 0;
    pango_layout_get_pixel_size(l, &largeur, &hauteur);
    pango_font_description_free(f);
    g_object_unref(l);
    return std::max(hauteur, 1);
}

gboolean remplit_plus_tard(gpointer p) {
    auto& d = *static_cast<Defilement*>(p);
    d.attente = 0;
    regle(d, gtk_adjustment_get_value(d.adj));
    remplit(d);
    return G_SOURCE_REMOVE;
}

// A new height: as many lines as it holds whole.
void taille_changee(GtkWidget* conteneur, GdkRectangle* zone, gpointer p) {
    auto& d = *static_cast<Defilement*>(p);
    (void)conteneur;
    const int visibles = std::max(1, zone->height / hauteur_ligne(d.vue));
    if (visibles == d.visibles) return;
    d.visibles = visibles;
    // Not while the layout is being allocated.
    if (!d.attente) d.attente = g_idle_add(remplit_plus_tard, &d);
}

gboolean molette(GtkWidget*, GdkEventScroll* e, gpointer p) {
    auto& d = *static_cast<Defilement*>(p);
    double pas = 0.0;
    if (e->direction == GDK_SCROLL_UP)
        pas = -LIGNES_PAR_CRAN;
    else if (e->direction == GDK_SCROLL_DOWN)
        pas = LIGNES_PAR_CRAN;
    else if (e->direction == GDK_SCROLL_SMOOTH)
        pas = std::round(e->delta_y * LIGNES_PAR_CRAN);
    else
        return FALSE;
    gtk_adjustment_set_value(d.adj, gtk_adjustment_get_value(d.adj) + pas);
    return TRUE;
}

} // namespace

GtkWidget* cree_vue_defilante(GtkWidget** vue, GtkWidget** barre) {
    GtkWidget* conteneur = gtk_scrolled_window_new(nullptr, nullptr);
    // The view never scrolls itself: it holds what fits.
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(conteneur), GTK_POLICY_NEVER,
                                   GTK_POLICY_EXTERNAL);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(conteneur), 120);
    *vue = gtk_text_view_new();
    gtk_text_view_set_editable(GTK_TEXT_VIEW(*vue), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(*vue), FALSE);
    gtk_text_view_set_monospace(GTK_TEXT_VIEW(*vue), TRUE);
    gtk_container_add(GTK_CONTAINER(conteneur), *vue);
    auto* d = new Defilement;
    d->vue = *vue;
    d->adj = GTK_ADJUSTMENT(g_object_ref_sink(gtk_adjustment_new(0, 0, 0, 1, 1, 1)));
    g_object_set_data_full(G_OBJECT(*vue), CLE, d, libere);
    g_signal_connect(d->adj, "value-changed", G_CALLBACK(valeur_changee), d);
    g_signal_connect(conteneur, "size-allocate", G_CALLBACK(taille_changee), d);
    g_signal_connect(conteneur, "scroll-event", G_CALLBACK(molette), d);
    *barre = gtk_scrollbar_new(GTK_ORIENTATION_VERTICAL, d->adj);
    return conteneur;
}

void montre_lignes(GtkWidget* vue, int nb, Source_lignes source, bool en_haut) {
    Defilement* d = etat_de(vue);
    if (!d) return;
    d->nb = std::max(nb, 0);
    d->source = std::move(source);
    const double valeur = en_haut ? 0.0 : gtk_adjustment_get_value(d->adj);
    g_signal_handlers_block_by_func(d->adj, reinterpret_cast<gpointer>(valeur_changee), d);
    regle(*d, valeur);
    g_signal_handlers_unblock_by_func(d->adj, reinterpret_cast<gpointer>(valeur_changee), d);
    remplit(*d);
}

GtkAdjustment* defilement_de(GtkWidget* vue) {
    Defilement* d = etat_de(vue);
    return d ? d->adj : nullptr;
}
