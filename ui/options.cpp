// The Options window's shell, built hidden at start-up. Its layout, widgets and handlers are
// those of the Options dialog, which fills this window and put_options.
#include "ui/interface.h"

namespace {

// The window stays open when the window manager asks to close it.
gboolean reste_ouverte(GtkWidget* w, GdkEvent*, gpointer) {
    gtk_widget_show(w);
    return TRUE;
}

} // namespace

void construit_Options_window() {
    Options_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(Options_window), "Options");
    g_signal_connect(Options_window, "delete-event", G_CALLBACK(reste_ouverte), nullptr);
}

void put_options() {}
