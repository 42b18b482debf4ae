// SPDX-License-Identifier: GPL-2.0-or-later
// A read-only text view that holds only the lines it shows, formatted on demand, with a scroll
// bar over all of them: any size of memory shows and scrolls at the same cost.
#pragma once

#include "vue/vue_memoire.h"

#include <functional>
#include <gtk/gtk.h>

using Source_lignes = std::function<Ligne_vue(int n)>;

// The view in *vue, inside the returned container (to attach); its scroll bar in *barre.
GtkWidget* cree_vue_defilante(GtkWidget** vue, GtkWidget** barre);

// Shows nb lines given by source: from the first line when en_haut, else from the line at the
// top until now (as far as it still exists).
void montre_lignes(GtkWidget* vue, int nb, Source_lignes source, bool en_haut);

// The scroll bar's adjustment: its value is the first line shown, its page the lines shown.
GtkAdjustment* defilement_de(GtkWidget* vue);
