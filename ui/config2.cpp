// SPDX-License-Identifier: GPL-2.0-or-later
// Second configuration word in the configuration panel: its value in hexadecimal and a check box
// for each named fuse of its layout, shown only for the parts that have one.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "hex/hex.h"
#include "ui/grille.h"
#include "ui/interface.h"
#include "vue/edition_config.h"
#include "vue/vue_memoire.h"

GtkWidget* label_config2 = nullptr;
GtkWidget* entry_config2 = nullptr;

namespace {

GtkWidget* cases2[NB_CASES_FUSIBLES] = {};

// The layout of the selected part's second word, or null when it has one word only.
const Fusibles* fusibles2_courants() {
    const Desc_PIC* p = pic_courant();
    if (!p || !m_pic || !est_pic(*p) || mots_config(*p) < 2) return nullptr;
    return &fusibles2_de(*p);
}

// A word the user gave is one the writers program; the panel shows it as stored.
void change_config2(uint16_t mot) {
    m_pic->config2 = mot;
    m_pic->config2_definie = true;
    affiche_pic_mem();
}

void case2_change(GtkToggleButton* bouton, gpointer index) {
    const Fusibles* f2 = fusibles2_courants();
    if (!f2 || operation_en_cours()) return;
    const uint16_t mot = applique_case(m_pic->config2, GPOINTER_TO_INT(index),
                                       gtk_toggle_button_get_active(bouton) != FALSE, *f2);
    change_config2(masque_config2(mot, *f2));
}

// The word as the entry shows it.
std::string texte_montre(const Fusibles& f2) {
    return ui2Hex(masque_config2(m_pic->config2, f2), 4);
}

// The value is read when the user confirms it (Return, or leaving an entry whose text changed),
// not at each key: the panel rewrites the entry with the word as stored. A text that does not
// read is replaced by the word kept.
void valide_config2(bool entree) {
    const Fusibles* f2 = fusibles2_courants();
    if (!f2 || operation_en_cours()) return;
    const std::string texte = gtk_entry_get_text(GTK_ENTRY(entry_config2));
    // Only passing through the entry gives no word.
    if (!entree && texte == texte_montre(*f2)) return;
    if (const auto mot = lit_config2(texte, *f2)) {
        change_config2(*mot);
        return;
    }
    montre_etat("Configuration 2 : valeur hexadécimale de 1 à 4 chiffres attendue");
    affiche_pic_mem();
}

void entree_config2_activee(GtkEntry*, gpointer) {
    valide_config2(true);
}

// Not while the window goes: the panel it would refresh is being destroyed.
gboolean entree_config2_quittee(GtkWidget* w, GdkEvent*, gpointer) {
    if (gtk_widget_get_mapped(w) && !gtk_widget_in_destruction(w)) valide_config2(false);
    return FALSE;
}

void oublie_config2(GtkWidget*, gpointer) {
    label_config2 = entry_config2 = nullptr;
    for (GtkWidget*& b : cases2) b = nullptr;
}

void etat_sans_signal(GtkWidget* b, bool actif, int index) {
    g_signal_handlers_block_by_func(b, reinterpret_cast<gpointer>(case2_change),
                                    GINT_TO_POINTER(index));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), actif);
    g_signal_handlers_unblock_by_func(b, reinterpret_cast<gpointer>(case2_change),
                                      GINT_TO_POINTER(index));
}

} // namespace

GtkWidget* case_fusible2(int index) {
    if (index < 0 || index >= NB_CASES_FUSIBLES) return nullptr;
    return cases2[index];
}

void construit_config2(GtkWidget* grille, int ligne) {
    label_config2 = gtk_label_new("Configuration 2 : ");
    gtk_label_set_xalign(GTK_LABEL(label_config2), 0.0f);
    attache_fill(grille, label_config2, 0, 1, ligne, ligne + 1, 0, 0);
    entry_config2 = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(entry_config2), 4);
    gtk_entry_set_width_chars(GTK_ENTRY(entry_config2), 4);
    attache_fill(grille, entry_config2, 1, 2, ligne, ligne + 1, 0, 0);
    g_signal_connect(entry_config2, "activate", G_CALLBACK(entree_config2_activee), nullptr);
    g_signal_connect(entry_config2, "focus-out-event", G_CALLBACK(entree_config2_quittee), nullptr);
    g_signal_connect(entry_config2, "destroy", G_CALLBACK(oublie_config2), nullptr);
    for (GtkWidget* w : {label_config2, entry_config2}) gtk_widget_set_no_show_all(w, TRUE);
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        GtkWidget* b = gtk_check_button_new_with_label(libelle_case[i]);
        cases2[i] = b;
        gtk_widget_set_no_show_all(b, TRUE);
        gtk_widget_show(gtk_bin_get_child(GTK_BIN(b)));
        attache_fill(grille, b, 0, 2, ligne + 1 + i, ligne + 2 + i, 0, 0);
        g_signal_connect(b, "clicked", G_CALLBACK(case2_change), GINT_TO_POINTER(i));
    }
}

void affiche_config2() {
    if (!entry_config2) return;
    const Fusibles* f2 = fusibles2_courants();
    gtk_widget_set_visible(label_config2, f2 != nullptr);
    gtk_widget_set_visible(entry_config2, f2 != nullptr);
    for (GtkWidget* b : cases2) gtk_widget_hide(b);
    if (!f2) return;
    const uint16_t mot = masque_config2(m_pic->config2, *f2);
    gtk_entry_set_text(GTK_ENTRY(entry_config2), texte_montre(*f2).c_str());
    const auto etats = etats_cases(mot, *f2);
    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) {
        const Etat_case& e = etats[static_cast<std::size_t>(i)];
        if (!e.visible) continue;
        etat_sans_signal(cases2[i], e.cochee, i);
        gtk_widget_show(cases2[i]);
    }
}

void prend_config2_tapee() {
    if (entry_config2 && gtk_widget_get_visible(entry_config2)) valide_config2(false);
}

void config2_sensible(bool sensible) {
    if (!entry_config2) return;
    gtk_widget_set_sensitive(entry_config2, sensible);
    for (GtkWidget* b : cases2) gtk_widget_set_sensitive(b, sensible);
}
