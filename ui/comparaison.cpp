// SPDX-License-Identifier: GPL-2.0-or-later
// Comparison report: run by the timer for a confirmed "Comparer"; each report in a window of its
// own, destroyed when closed.
#include "core/memoire.h"
#include "operations/operations.h"
#include "ui/interface.h"

#include <algorithm>

namespace {

std::vector<GtkWidget*> rapports;

void oublie_rapport(GtkWidget* w, gpointer) {
    rapports.erase(std::remove(rapports.begin(), rapports.end(), w), rapports.end());
}

} // namespace

const std::vector<GtkWidget*>& rapports_ouverts() {
    return rapports;
}

void ferme_rapports() {
    // Each destroy takes its window out of the list.
    while (!rapports.empty()) gtk_widget_destroy(rapports.back());
}

std::string comparaison_du_PIC() {
    // No programmer, another part in the socket, or a chip that could not be read: the message
    // only, no window.
    const std::optional<Rapport_comparaison> r = compare_image(*m_pic);
    if (!r || r->lecture_echouee || r->refusee) return {};
    GtkWidget* f = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(f), "Résulat de la comparaison");
    GtkWidget* l = gtk_label_new(r->texte_avec_totaux.c_str());
    gtk_label_set_justify(GTK_LABEL(l), GTK_JUSTIFY_LEFT);
    gtk_container_set_border_width(GTK_CONTAINER(f), 10);
    gtk_container_add(GTK_CONTAINER(f), l);
    rapports.push_back(f);
    g_signal_connect(f, "destroy", G_CALLBACK(oublie_rapport), nullptr);
    gtk_widget_show(l);
    presente(f);
    return r->difference ? "Différences : voir le rapport" : "Identique";
}
