// SPDX-License-Identifier: GPL-2.0-or-later
// Dialog windows: error window, file-kind chooser, file selections, insertion dialog, modify
// dialog and progress window; then the Options window (ui/fenetre_options.cpp).
#include "core/etat.h"
#include "ui/grille.h"
#include "ui/interface.h"

#include <algorithm>

GtkWidget* error_box = nullptr;
GtkWidget* error_msg = nullptr;
GtkWidget* prep_lect_ecr = nullptr;
GtkWidget* lire_file_box = nullptr;
GtkWidget* ecrire_file_box = nullptr;
GtkWidget* prepare_PIC_box = nullptr;
GtkWidget* modif_box = nullptr;
GtkWidget* modif_adresse = nullptr;
GtkWidget* modif_donnee = nullptr;
GtkWidget* en_prog_box = nullptr;
GtkWidget* protection_box = nullptr;
GtkWidget* util_label = nullptr;
GtkWidget* progress_bar = nullptr;
GtkWidget* Options_window = nullptr;

namespace {

GtkWidget* fenetre(const char* titre, bool centree) {
    GtkWidget* f = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (centree) gtk_window_set_position(GTK_WINDOW(f), GTK_WIN_POS_CENTER);
    gtk_window_set_title(GTK_WINDOW(f), titre);
    g_signal_connect(f, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    return f;
}

GtkWidget* grille_dans(GtkWidget* f) {
    GtkWidget* t = gtk_grid_new();
    gtk_container_add(GTK_CONTAINER(f), t);
    return t;
}

void au_clavier(GtkWidget* f) {
    g_signal_connect(f, "key-press-event", G_CALLBACK(touche_pressee), nullptr);
}

void cache(GtkWidget*, gpointer w) {
    gtk_widget_hide(GTK_WIDGET(w));
}

void reponse_fichier(GtkDialog* d, gint reponse, gpointer ok) {
    if (reponse == GTK_RESPONSE_ACCEPT)
        reinterpret_cast<void (*)(GtkWidget*, gpointer)>(ok)(nullptr, d);
    else if (reponse == GTK_RESPONSE_CANCEL)
        cache_file_box(nullptr, d);
}

// 80 % of the work area of the monitor that shows the main window.
bool taille_max_ecran(int& l_max, int& h_max) {
    GdkDisplay* ecran = gdk_display_get_default();
    if (!ecran) return false;
    GdkWindow* w = fenetre_principale ? gtk_widget_get_window(fenetre_principale) : nullptr;
    GdkMonitor* moniteur =
        w ? gdk_display_get_monitor_at_window(ecran, w) : gdk_display_get_primary_monitor(ecran);
    if (!moniteur) moniteur = gdk_display_get_monitor(ecran, 0);
    if (!moniteur) return false;
    GdkRectangle zone;
    gdk_monitor_get_workarea(moniteur, &zone);
    l_max = zone.width * 8 / 10;
    h_max = zone.height * 8 / 10;
    return true;
}

// The chooser sizes itself from its saved settings and its font: brought back within bounds
// whenever it would be larger.
void borne_selection(GtkWidget* d) {
    int l_max = 0, h_max = 0;
    if (!taille_max_ecran(l_max, h_max)) return;
    int l = 0, h = 0;
    gtk_window_get_size(GTK_WINDOW(d), &l, &h);
    if (l <= l_max && h <= h_max) return;
    gtk_window_set_default_size(GTK_WINDOW(d), std::min(l, l_max), std::min(h, h_max));
    gtk_window_resize(GTK_WINDOW(d), std::min(l, l_max), std::min(h, h_max));
}

gboolean selection_configuree(GtkWidget* d, GdkEvent*, gpointer) {
    borne_selection(d);
    return FALSE;
}

GtkWidget* selection_fichier(const char* titre, GtkFileChooserAction action, const char* ok,
                             void (*sur_ok)(GtkWidget*, gpointer)) {
    GtkWidget* d = gtk_file_chooser_dialog_new(
        titre, nullptr, action, "_Annuler", GTK_RESPONSE_CANCEL, ok, GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    g_signal_connect(d, "configure-event", G_CALLBACK(selection_configuree), nullptr);
    g_signal_connect_after(d, "map", G_CALLBACK(borne_selection), nullptr);
    g_signal_connect(d, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    g_signal_connect(d, "response", G_CALLBACK(reponse_fichier),
                     reinterpret_cast<gpointer>(sur_ok));
    GtkFileChooser* fc = GTK_FILE_CHOOSER(d);
    // Saving over an existing file asks first.
    gtk_file_chooser_set_do_overwrite_confirmation(fc, TRUE);
    GtkFileFilter* hex = gtk_file_filter_new();
    gtk_file_filter_set_name(hex, "Fichiers HEX");
    gtk_file_filter_add_pattern(hex, "*.hex");
    gtk_file_filter_add_pattern(hex, "*.HEX");
    GtkFileFilter* tous = gtk_file_filter_new();
    gtk_file_filter_set_name(tous, "Tous les fichiers");
    gtk_file_filter_add_pattern(tous, "*");
    gtk_file_chooser_add_filter(fc, hex);
    gtk_file_chooser_add_filter(fc, tous);
    gtk_file_chooser_set_filter(fc, hex);
    return d;
}

} // namespace

void presente(GtkWidget* f) {
    if (fenetre_principale && f != fenetre_principale)
        gtk_window_set_transient_for(GTK_WINDOW(f), GTK_WINDOW(fenetre_principale));
    gtk_window_present(GTK_WINDOW(f));
}

void taille_naturelle(GtkWidget* f) {
    GtkRequisition naturelle;
    gtk_widget_get_preferred_size(f, nullptr, &naturelle);
    gtk_window_resize(GTK_WINDOW(f), std::max(naturelle.width, 1), std::max(naturelle.height, 1));
}

void presente_selection(GtkWidget* d) {
    borne_selection(d);
    presente(d);
    borne_selection(d);
}

void propose_fichier(GtkWidget* dialogue, const std::string& nom) {
    if (nom.empty()) return;
    GtkFileChooser* fc = GTK_FILE_CHOOSER(dialogue);
    if (g_file_test(nom.c_str(), G_FILE_TEST_EXISTS)) {
        gtk_file_chooser_set_filename(fc, nom.c_str());
        return;
    }
    gchar* rep = g_path_get_dirname(nom.c_str());
    if (g_file_test(rep, G_FILE_TEST_IS_DIR)) gtk_file_chooser_set_current_folder(fc, rep);
    g_free(rep);
    if (gtk_file_chooser_get_action(fc) == GTK_FILE_CHOOSER_ACTION_SAVE) {
        gchar* base = g_path_get_basename(nom.c_str());
        gchar* affiche = g_filename_display_name(base);
        gtk_file_chooser_set_current_name(fc, affiche);
        g_free(affiche);
        g_free(base);
    }
}

void construit_error_box() {
    error_box = fenetre("Erreur", false);
    GtkWidget* t = grille_dans(error_box);
    error_msg = gtk_label_new("");
    // Long messages wrap (a path may hold no blank); the window is sized to each message.
    gtk_label_set_line_wrap(GTK_LABEL(error_msg), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(error_msg), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(error_msg), 60);
    attache_fill(t, error_msg, 0, 2, 0, 1, 10, 10);
    GtkWidget* ok = gtk_button_new_with_label("Ok");
    attache_fill(t, ok, 0, 2, 1, 2, 10, 10);
    g_signal_connect(ok, "clicked", G_CALLBACK(error_ok_clicked), nullptr);
    gtk_widget_show_all(t);
    au_clavier(error_box);
}

void construit_fenetres_secondaires() {
    prep_lect_ecr = fenetre("Lecture", true);
    GtkWidget* t = grille_dans(prep_lect_ecr);
    GtkWidget* b = bouton_souligne("Programme + Donnees", "_");
    attache_fill(t, b, 0, 1, 0, 1, 10, 10);
    g_signal_connect(b, "clicked", G_CALLBACK(prep_lect_ecr_pic), prep_lect_ecr);
    b = bouton_souligne("Donnees", "_");
    attache_fill(t, b, 0, 1, 1, 2, 10, 10);
    g_signal_connect(b, "clicked", G_CALLBACK(prep_lect_ecr_eeprom), prep_lect_ecr);
    b = gtk_button_new_with_label("Annuler");
    attache_fill(t, b, 0, 1, 2, 3, 10, 10);
    g_signal_connect(b, "clicked", G_CALLBACK(cache), prep_lect_ecr);
    gtk_widget_show_all(t);
    au_clavier(prep_lect_ecr);

    lire_file_box = selection_fichier("Lire un fichier Hex", GTK_FILE_CHOOSER_ACTION_OPEN,
                                      "_Ouvrir", lire_file_ok_sel);
    propose_fichier(lire_file_box, lastFile);
    ecrire_file_box = selection_fichier("Enregistrer un fichier Hex", GTK_FILE_CHOOSER_ACTION_SAVE,
                                        "_Enregistrer", ecrire_file_ok_sel);
    propose_fichier(ecrire_file_box, lastFile);

    prepare_PIC_box = fenetre("Insertion du PIC", true);
    t = grille_dans(prepare_PIC_box);
    GtkWidget* l =
        gtk_label_new("Inserer le PIC ou l'EEPROM\n en verifiant qu'il est au bon endroit "
                      "et dans le bon sens,\n et que le programmateur est allumé\n (voir "
                      "l'aide pour plus de détails)");
    attache_fill(t, l, 0, 10, 0, 5, 10, 10);
    GtkWidget* ok = gtk_button_new_with_label("Ok");
    attache_fill(t, ok, 5, 6, 5, 6, 10, 10);
    g_signal_connect(ok, "clicked", G_CALLBACK(ok_prepare_PIC_box), prepare_PIC_box);
    b = gtk_button_new_with_label("Annuler");
    attache_fill(t, b, 6, 7, 5, 6, 10, 10);
    g_signal_connect(b, "clicked", G_CALLBACK(cache), prepare_PIC_box);
    gtk_widget_set_can_default(ok, TRUE);
    gtk_widget_grab_default(ok);
    gtk_widget_show_all(t);
    au_clavier(prepare_PIC_box);

    modif_box = fenetre("Modification", true);
    // Its buttons have no padding of their own: a border around the content.
    gtk_container_set_border_width(GTK_CONTAINER(modif_box), BORDURE_FENETRE / 2);
    t = grille_dans(modif_box);
    attache_fill(t, gtk_label_new("Adresse :"), 0, 2, 0, 1, 10, 0);
    attache_fill(t, gtk_label_new("Donnee : "), 0, 2, 1, 2, 10, 0);
    modif_adresse = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(modif_adresse), 4);
    attache_fill(t, modif_adresse, 2, 6, 0, 1, 10, 5);
    g_signal_connect(modif_adresse, "changed", G_CALLBACK(modif_adresse_changed), nullptr);
    modif_donnee = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(modif_donnee), 16);
    attache_fill(t, modif_donnee, 2, 6, 1, 2, 10, 5);
    b = gtk_button_new_with_label("Modifier");
    gtk_widget_set_can_default(b, TRUE);
    attache_fill(t, b, 0, 3, 3, 4, 0, 5);
    g_signal_connect(b, "clicked", G_CALLBACK(modif_ok), nullptr);
    b = gtk_button_new_with_label("Fermer");
    attache_fill(t, b, 3, 6, 3, 4, 0, 5);
    g_signal_connect(b, "clicked", G_CALLBACK(cache), modif_box);
    gtk_widget_show_all(t);
    au_clavier(modif_box);

    // Placed over the memory view when shown (ui/lancement_operations.cpp).
    en_prog_box = fenetre("*****  En cours...  *****", false);
    t = grille_dans(en_prog_box);
    gtk_grid_set_row_homogeneous(GTK_GRID(t), TRUE);
    gtk_grid_set_column_homogeneous(GTK_GRID(t), TRUE);
    util_label = gtk_label_new("Ecriture");
    attache_fill(t, util_label, 0, 1, 0, 1, 10, 10);
    progress_bar = gtk_progress_bar_new();
    attache_fill(t, progress_bar, 0, 1, 1, 2, 10, 10);
    gtk_widget_show_all(t);

    // Run modal by the write (ui/lancement_operations.cpp); closing it answers "Non".
    protection_box = gtk_message_dialog_new(GTK_WINDOW(fenetre_principale), GTK_DIALOG_MODAL,
                                            GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE, "%s", "");
    gtk_window_set_title(GTK_WINDOW(protection_box), "Protection du code");
    gtk_dialog_add_buttons(GTK_DIALOG(protection_box), "Oui", GTK_RESPONSE_YES, "Non",
                           GTK_RESPONSE_NO, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(protection_box), GTK_RESPONSE_NO);
    g_signal_connect(protection_box, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete),
                     nullptr);

    construit_Options_window();
}
