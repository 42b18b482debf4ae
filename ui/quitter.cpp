// SPDX-License-Identifier: GPL-2.0-or-later
// Quitting: "Quitter", its letter and the window manager's close; during a device operation the
// program asks first and, on "Oui", ends once the operation is over.
#include "ui/interface.h"

GtkWidget* quitter_box = nullptr;

namespace {

bool fin_apres_operation = false;

// The normal end: the main window goes, its "destroy" saves the settings and leaves the loop.
void quitte_maintenant() {
    fin_apres_operation = false;
    if (quitter_box) gtk_widget_hide(quitter_box);
    if (fenetre_principale)
        gtk_widget_destroy(fenetre_principale);
    else
        destroy(nullptr, nullptr);
}

void reponse(GtkDialog* d, gint r, gpointer) {
    gtk_widget_hide(GTK_WIDGET(d));
    fin_apres_operation = r == GTK_RESPONSE_YES; // "Non", Escape, close: the run goes on
    // The operation may have ended while the question was up.
    if (fin_apres_operation && !operation_en_cours()) quitte_maintenant();
}

gboolean ferme_principale(GtkWidget*, GdkEvent*, gpointer) {
    if (!operation_en_cours()) return FALSE; // the window goes, as "Quitter" does
    quitter_demande(nullptr, nullptr);
    return TRUE;
}

} // namespace

void construit_quitter_box() {
    quitter_box = gtk_message_dialog_new(GTK_WINDOW(fenetre_principale), GtkDialogFlags{},
                                         GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s",
                                         "Une opération est en cours : quitter quand elle sera "
                                         "finie ?");
    gtk_window_set_title(GTK_WINDOW(quitter_box), "Quitter");
    gtk_dialog_add_buttons(GTK_DIALOG(quitter_box), "Oui", GTK_RESPONSE_YES, "Non", GTK_RESPONSE_NO,
                           nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(quitter_box), GTK_RESPONSE_YES);
    // Escape and the window manager's close answer "Non" (the dialog's own response) and hide it.
    g_signal_connect(quitter_box, "response", G_CALLBACK(reponse), nullptr);
    g_signal_connect(quitter_box, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    g_signal_connect(fenetre_principale, "delete-event", G_CALLBACK(ferme_principale), nullptr);
}

void quitter_demande(GtkWidget*, gpointer) {
    if (!operation_en_cours()) {
        quitte_maintenant();
        return;
    }
    gtk_widget_show(quitter_box);
    gtk_window_present(GTK_WINDOW(quitter_box));
}

void fin_differee() {
    if (operation_en_cours()) return;
    if (quitter_box) gtk_widget_hide(quitter_box);
    if (fin_apres_operation) quitte_maintenant();
}

void oublie_quitter() {
    fin_apres_operation = false;
    quitter_box = nullptr;
}
