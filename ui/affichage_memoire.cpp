// SPDX-License-Identifier: GPL-2.0-or-later
// Memory view: program and data dumps, configuration panel or EEPROM description.
#include "vue/vue_memoire.h"
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "ui/interface.h"

namespace {

// Fills a new buffer that no view shows, one insertion per line, then hands it to the view: the
// view lays the finished text out once.
void remplit(GtkWidget* vue, const std::vector<Ligne_vue>& lignes, bool en_haut) {
    GtkTextView* tv = GTK_TEXT_VIEW(vue);
    GtkTextTagTable* tags = gtk_text_buffer_get_tag_table(gtk_text_view_get_buffer(tv));
    GtkTextTag* fixe = gtk_text_tag_table_lookup(tags, "fixe");
    GtkTextTag* rouge = gtk_text_tag_table_lookup(tags, "rouge");
    GtkTextBuffer* b = gtk_text_buffer_new(tags);
    GtkTextIter fin;
    gtk_text_buffer_get_end_iter(b, &fin);
    // One insertion per line, red ones with their tag; the fixed font over the whole text at once.
    g_object_freeze_notify(G_OBJECT(b));
    for (const Ligne_vue& l : lignes) {
        const auto n = static_cast<gint>(l.texte.size());
        if (l.rouge)
            gtk_text_buffer_insert_with_tags(b, &fin, l.texte.data(), n, rouge, nullptr);
        else
            gtk_text_buffer_insert(b, &fin, l.texte.data(), n);
    }
    GtkTextIter debut;
    gtk_text_buffer_get_bounds(b, &debut, &fin);
    gtk_text_buffer_apply_tag(b, fixe, &debut, &fin);
    g_object_thaw_notify(G_OBJECT(b));
    // The line at the top of the view stays there when the text is rebuilt.
    GtkAdjustment* adj = gtk_scrollable_get_vadjustment(GTK_SCROLLABLE(vue));
    int ligne_haut = 0;
    if (adj && !en_haut && gtk_adjustment_get_value(adj) > 0.0) {
        GtkTextIter haut;
        gtk_text_view_get_line_at_y(tv, &haut, static_cast<gint>(gtk_adjustment_get_value(adj)),
                                    nullptr);
        ligne_haut = gtk_text_iter_get_line(&haut);
    }
    gtk_text_view_set_buffer(tv, b);
    // Scrolled once the new text is laid out.
    GtkTextIter it;
    gtk_text_buffer_get_iter_at_line(b, &it, ligne_haut);
    GtkTextMark* marque = gtk_text_buffer_create_mark(b, nullptr, &it, TRUE);
    gtk_text_view_scroll_to_mark(tv, marque, 0.0, TRUE, 0.0, 0.0);
    g_object_unref(b);
}

void etat_sans_signal(GtkWidget* b, bool actif, int index) {
    g_signal_handlers_block_by_func(b, reinterpret_cast<gpointer>(check_conf_change),
                                    GINT_TO_POINTER(index));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), actif);
    g_signal_handlers_unblock_by_func(b, reinterpret_cast<gpointer>(check_conf_change),
                                      GINT_TO_POINTER(index));
}

void affiche(bool en_haut) {
    if (!texte_P || !texte_D || !m_pic) return;
    const Desc_PIC* p = pic_courant();
    static const std::vector<Ligne_vue> vide;
    remplit(texte_P, p ? lignes_programme(*m_pic, p->taille_prog) : vide, en_haut);
    remplit(texte_D, p ? lignes_donnees(*m_pic, p->taille_donnee, donnee_en_binaire) : vide,
            en_haut);
    montre_volet_programme(!p || est_pic(*p));

    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) gtk_widget_hide(case_fusible(i));
    if (!p) {
        // No device: an empty panel.
        gtk_label_set_text(GTK_LABEL(conf_fuses), "");
        gtk_widget_hide(combo_aff_clock);
        gtk_widget_hide(label_ID);
        gtk_widget_hide(entry_ID);
        return;
    }
    if (est_pic(*p)) {
        const Fusibles& f = fusibles_de(*p);
        gtk_label_set_text(GTK_LABEL(conf_fuses), "Type d'horloge : ");
        if (auto osc = texte_oscillateur(m_pic->config, f))
            gtk_entry_set_text(champ_combo(combo_aff_clock), osc->c_str());
        gtk_widget_show(combo_aff_clock);
        const auto etats = etats_cases(m_pic->config, f);
        for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
            const Etat_case& e = etats[static_cast<std::size_t>(i)];
            if (!e.visible) continue;
            etat_sans_signal(case_fusible(i), e.cochee, i);
            gtk_widget_show(case_fusible(i));
        }
        m_pic->config = normalise_config(m_pic->config, f);
        gtk_entry_set_text(GTK_ENTRY(entry_ID), texte_ID(m_pic->id).c_str());
        gtk_widget_show(label_ID);
        gtk_widget_show(entry_ID);
    } else {
        gtk_widget_hide(entry_ID);
        gtk_widget_hide(label_ID);
        gtk_widget_hide(combo_aff_clock);
        gtk_label_set_text(GTK_LABEL(conf_fuses), description_eeprom(*p).c_str());
    }
}

} // namespace

void affiche_pic_mem() {
    affiche(false);
}

void affiche_pic_mem_en_haut() {
    affiche(true);
}
