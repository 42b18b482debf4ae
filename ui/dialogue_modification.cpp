// SPDX-License-Identifier: GPL-2.0-or-later
// Memory edit dialog: one program word or data byte at a time, in the display base; and the
// number-base list.
#include "vue/texte_modification.h"
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "hex/hex.h"
#include "ui/interface.h"

#include <algorithm>
#include <string>

int modif_buffer = 0;

namespace {

bool vue_a_refaire = false;

// Size of the memory the dialog edits, bounded by the image's buffers.
int taille_editee() {
    const Desc_PIC* p = pic_courant();
    if (!p) return 0;
    return modif_buffer == 1 ? std::clamp(p->taille_donnee, 0, TAILLE_DONNEE_MAX)
                             : std::clamp(p->taille_prog, 0, TAILLE_PROG_MAX);
}

// Sets the address entry; its handler runs even when the text stays the same (GTK 3 emits
// "changed" only for a new text).
void met_adresse(const std::string& texte) {
    if (texte == gtk_entry_get_text(GTK_ENTRY(modif_adresse)))
        modif_adresse_changed(GTK_ENTRY(modif_adresse), nullptr);
    else
        gtk_entry_set_text(GTK_ENTRY(modif_adresse), texte.c_str());
}

// The configuration word (1 or 2) that an address names in the program memory, else 0.
int mot_config_ici(int adresse) {
    const Desc_PIC* p = pic_courant();
    return p && modif_buffer == 0 ? mot_config_adresse(*p, adresse) : 0;
}

// Stores a configuration word as the part holds it; the writers program it from now on. The
// dialog moves on to the second word after the first where there is one, else stays.
void stocke_config(int adresse, int n, uint32_t valeur) {
    const Desc_PIC& p = *pic_courant();
    const uint16_t mot = mot_config_modif(valeur, p, n);
    if (n == 2) {
        m_pic->config2 = mot;
        m_pic->config2_definie = true;
    } else {
        m_pic->config = mot;
        m_pic->config_definie = true;
    }
    affiche_pic_mem();
    met_adresse(ui2Hex(mot_config_ici(adresse + 1) ? adresse + 1 : adresse, 4));
}

void ouvre(const char* titre, int buffer) {
    gtk_window_set_title(GTK_WINDOW(modif_box), titre);
    presente(modif_box);
    gtk_widget_show(modif_adresse);
    modif_buffer = buffer;
    met_adresse(gtk_entry_get_text(GTK_ENTRY(modif_adresse)));
}

} // namespace

void modif_mem_prog(GtkWidget*, gpointer) {
    ouvre("Modification du programme", 0);
}

void modif_mem_donnee(GtkWidget*, gpointer) {
    ouvre("Modification des donnees", 1);
}

void modif_adresse_changed(GtkEntry* champ, gpointer) {
    const std::string texte = gtk_entry_get_text(champ);
    const std::optional<int> lue = lit_adresse_modif(texte);
    if (!lue || !m_pic) {
        gtk_entry_set_text(GTK_ENTRY(modif_donnee), "");
        return;
    }
    if (const int n = mot_config_ici(*lue)) {
        const unsigned mot = n == 2 ? m_pic->config2 : m_pic->config;
        gtk_entry_set_text(GTK_ENTRY(modif_donnee),
                           texte_valeur_modif(mot, donnee_en_binaire, false).c_str());
        return;
    }
    const int taille = taille_editee();
    if (taille == 0) {
        gtk_entry_set_text(champ, "");
        return;
    }
    int adresse = *lue;
    if (adresse >= taille) {
        adresse = taille - 1;
        gtk_entry_set_text(champ, ui2Hex(adresse, 4).c_str());
    }
    const auto k = static_cast<std::size_t>(adresse);
    const unsigned valeur = modif_buffer == 1 ? m_pic->donnee[k] : m_pic->prog[k];
    gtk_entry_set_text(GTK_ENTRY(modif_donnee),
                       texte_valeur_modif(valeur, donnee_en_binaire, modif_buffer == 1).c_str());
}

void modif_ok(GtkWidget*, gpointer) {
    // A running operation holds the image.
    if (operation_en_cours() || !m_pic) return;
    const std::string texte_adresse = gtk_entry_get_text(GTK_ENTRY(modif_adresse));
    const std::string texte_valeur = gtk_entry_get_text(GTK_ENTRY(modif_donnee));
    if (texte_adresse.empty() || texte_valeur.empty()) return;
    const std::optional<int> adresse = lit_adresse_modif(texte_adresse);
    if (!adresse) return;
    const std::optional<uint32_t> valeur = lit_valeur_modif(texte_valeur, donnee_en_binaire);
    if (!valeur) return;
    if (const int n = mot_config_ici(*adresse)) {
        stocke_config(*adresse, n, *valeur);
        return;
    }
    // An address left beyond the memory by a change of device is bounded again, nothing stored.
    if (*adresse >= taille_editee()) {
        modif_adresse_changed(GTK_ENTRY(modif_adresse), nullptr);
        return;
    }
    const auto k = static_cast<std::size_t>(*adresse);
    if (modif_buffer == 1)
        m_pic->donnee[k] = static_cast<uint8_t>(*valeur & 0xFF);
    else
        m_pic->prog[k] = mot_programme_modif(*valeur, pic_courant()->algo);
    affiche_pic_mem();
    // The entry holds 4 digits: past FFFF it stays on FFFF, the last cell it can name.
    met_adresse(ui2Hex(std::min(*adresse + 1, 0xFFFF), 4));
}

void toggle_b_h(GtkEntry* champ, gpointer) {
    switch (gtk_entry_get_text(champ)[0]) {
    case 'H':
        donnee_en_binaire = 0;
        break;
    case 'B':
        donnee_en_binaire = 1;
        break;
    case 'D':
        donnee_en_binaire = 2;
        break;
    default:
        break;
    }
    if (modif_adresse) modif_adresse_changed(GTK_ENTRY(modif_adresse), nullptr);
    // The refresh writes the configuration panel, which edits the image: not during an operation.
    if (operation_en_cours())
        vue_a_refaire = true;
    else
        affiche_pic_mem();
}

void affichage_differe() {
    if (!vue_a_refaire || operation_en_cours()) return;
    vue_a_refaire = false;
    affiche_pic_mem();
}
