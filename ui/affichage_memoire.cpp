// SPDX-License-Identifier: GPL-2.0-or-later
// Memory view: program and data dumps, configuration panel or EEPROM description.
#include "vue/vue_memoire.h"
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "ui/interface.h"
#include "ui/vue_defilante.h"

namespace {

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
    // Only the lines shown are formatted, from the image of the moment.
    const int taille_prog = p ? p->taille_prog : 0;
    const int taille_donnee = p ? p->taille_donnee : 0;
    const int base = donnee_en_binaire;
    montre_lignes(
        texte_P, nb_lignes_programme(*m_pic, taille_prog),
        [taille_prog](int n) {
            return m_pic ? ligne_programme(*m_pic, taille_prog, n) : Ligne_vue{};
        },
        en_haut);
    montre_lignes(
        texte_D, nb_lignes_donnees(*m_pic, taille_donnee, base),
        [taille_donnee, base](int n) {
            return m_pic ? ligne_donnees(*m_pic, taille_donnee, base, n) : Ligne_vue{};
        },
        en_haut);
    montre_volet_programme(!p || est_pic(*p));

    for (int i = 0; i < NB_CASES_FUSIBLES; ++i) gtk_widget_hide(case_fusible(i));
    affiche_config2();
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
