// SPDX-License-Identifier: GPL-2.0-or-later
// Keyboard: Return, Escape and the letters of every window that has a key handler.
#include "core/etat.h"
#include "ui/interface.h"

namespace {

constexpr gunichar RETOUR = 13;
constexpr gunichar ECHAP = 27;

// The main window's letters act with Mod1 and Mod2 alone (Alt with Num Lock on under X).
constexpr guint ETAT_RACCOURCI = GDK_MOD1_MASK | GDK_MOD2_MASK;
// The keyboard group (layout) that X keeps in bits 13 and 14 of the state: not a modifier.
constexpr guint GROUPE_CLAVIER = 0x6000;

void charger() {
    prepare_PIC_e(nullptr, prepare_PIC_box);
}
void lire() {
    prepare_PIC_l(nullptr, prepare_PIC_box);
}
void comparer() {
    prepare_PIC_c(nullptr, prepare_PIC_box);
}
void lire_hex() {
    lire_hex_clicked(nullptr, prep_lect_ecr);
}
void sauver_hex() {
    ecrire_hex_clicked(nullptr, prep_lect_ecr);
}
void effacer() {
    prepare_PIC_r(nullptr, prepare_PIC_box);
}
void options() {
    Options_clicked(nullptr, nullptr);
}
void aide() {
    aide_clicked(nullptr, nullptr);
}
void quitter() {
    quitter_demande(nullptr, nullptr);
}

struct Raccourci {
    gunichar lettre;
    GtkWidget* Boutons_principaux::*bouton;
    void (*commande)();
};
const Raccourci raccourcis[] = {
    {'c', &Boutons_principaux::charger, charger},
    {'l', &Boutons_principaux::lire, lire},
    {'m', &Boutons_principaux::comparer, comparer},
    {'r', &Boutons_principaux::lire_hex, lire_hex},
    {'s', &Boutons_principaux::sauver_hex, sauver_hex},
    {'e', &Boutons_principaux::effacer, effacer},
    {'o', &Boutons_principaux::options, options},
    {'a', &Boutons_principaux::aide, aide},
    {'q', &Boutons_principaux::quitter, quitter},
};

// A letter does what its button does, and only while the button can be clicked: "e" does
// nothing while "Effacer PIC" is hidden, nor a letter whose button an operation holds.
bool raccourci(gunichar lettre) {
    for (const Raccourci& r : raccourcis) {
        if (r.lettre != lettre) continue;
        GtkWidget* b = boutons.*r.bouton;
        if (!b || !gtk_widget_get_visible(b) || !gtk_widget_is_sensitive(b)) return false;
        prend_config2_tapee();
        r.commande();
        return true;
    }
    return false;
}

// A plain push button has the focus (check buttons and the combo boxes' arrows excluded).
bool bouton_au_focus(GtkWidget* fenetre) {
    GtkWidget* f = gtk_window_get_focus(GTK_WINDOW(fenetre));
    return f && GTK_IS_BUTTON(f) && !GTK_IS_TOGGLE_BUTTON(f);
}

} // namespace

// TRUE for a key that acted; the others go on to the focused widget.
gboolean touche_pressee(GtkWidget* fenetre, GdkEventKey* evenement, gpointer) {
    // The character the key produces; the keypad's Enter produces a carriage return as well.
    const guint k = evenement->keyval;
    const gunichar c = k == GDK_KEY_KP_Enter || k == GDK_KEY_ISO_Enter
                           ? RETOUR
                           : g_unichar_tolower(gdk_keyval_to_unicode(k));
    if (fenetre == nullptr) return FALSE;
    if (fenetre == error_box) {
        // Both keys only hide the window: a fatal message ends the program through a click on
        // its "Ok" button alone, so Return must not reach that button.
        if (c == RETOUR || c == ECHAP) {
            gtk_widget_hide(error_box);
            return TRUE;
        }
    } else if (fenetre == prep_lect_ecr) {
        if (c == 'p') {
            prep_lect_ecr_pic(nullptr, prep_lect_ecr);
            return TRUE;
        }
        if (c == 'd') {
            prep_lect_ecr_eeprom(nullptr, prep_lect_ecr);
            return TRUE;
        }
        if (c == ECHAP) {
            gtk_widget_hide(prep_lect_ecr);
            return TRUE;
        }
    } else if (fenetre == Options_window) {
        // Return on a focused push button ("Annuler") is that button's.
        if (c == RETOUR && !bouton_au_focus(fenetre)) {
            Options_Ok_Clicked(nullptr, Options_window);
            return TRUE;
        }
        if (c == ECHAP) {
            Options_Annuler_Clicked(nullptr, Options_window);
            return TRUE;
        }
    } else if (fenetre == prepare_PIC_box) {
        if (c == ECHAP) {
            gtk_widget_hide(prepare_PIC_box);
            return TRUE;
        }
    } else if (fenetre == modif_box) {
        if (c == RETOUR) {
            modif_ok(nullptr, nullptr);
            return TRUE;
        }
        if (c == ECHAP) {
            gtk_widget_hide(modif_box);
            return TRUE;
        }
    } else if (fenetre == fenetre_principale) {
        if ((evenement->state & ~GROUPE_CLAVIER) == ETAT_RACCOURCI && raccourci(c)) return TRUE;
    }
    return FALSE;
}
