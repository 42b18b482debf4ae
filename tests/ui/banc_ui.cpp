// SPDX-License-Identifier: GPL-2.0-or-later
#include "banc_ui.h"

#include "core/repertoire_conf.h"
#include "ui/vue_defilante.h"

#include <algorithm>

namespace test_ui {

const char* const catalogue =
    "1  CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 CP0 PWRTE/ WDTE FOSC1 FOSC0\n"
    "3  CP1 CP0 DEB/ - WRT CPD LVP BODEN CP1 CP0 PWRTE/ WDTE FOSC1 FOSC0\n"
    "8  CP1 CP0 CP1 CP0 CP1 CP0 MCLRE CP1 CP0 PWRTE/ WDTE FOSC2 FOSC1 FOSC0\n"
    "16 0 0 - - - - - - - MCLRE CP0 WDTE FOSC1 FOSC0\n"
    "PIC16F84   1024 64  1  1  0 1 0\n"
    "PIC16F876  8192 256 3  1  1 0 0\n"
    "PIC16C84   1024 64  1  1  0 0 0\n"
    "PIC12C671  1024 0   8  2  0 0 1\n"
    "PIC12C508  512  0   16 3  0 1 1\n"
    "93C46      0    128 31 -3 0 1 0\n"
    "24C16      0    2048 31 -1 0 1 0\n"
    "25C040     0    512 31 -4 0 1 0\n";

std::string reglages(int dernier_pic, const std::string& dernier_fichier) {
    std::string t = "_PORT 378\n_TYPE_P 0\n";
    if (dernier_pic >= 0) t += "_DERNIER_PIC " + std::to_string(dernier_pic) + "\n";
    if (!dernier_fichier.empty()) t += "_DERNIER_FICHIER " + dernier_fichier + "\n";
    return t;
}

void pompe() {
    while (gtk_events_pending()) gtk_main_iteration();
}

std::string texte(GtkWidget* w) {
    if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
    if (GTK_IS_ENTRY(w)) return gtk_entry_get_text(GTK_ENTRY(w));
    if (GTK_IS_BIN(w)) return texte(gtk_bin_get_child(GTK_BIN(w)));
    return {};
}

std::string texte_vue(GtkWidget* vue) {
    GtkTextBuffer* b = gtk_text_view_get_buffer(GTK_TEXT_VIEW(vue));
    GtkTextIter debut, fin;
    gtk_text_buffer_get_bounds(b, &debut, &fin);
    gchar* t = gtk_text_buffer_get_text(b, &debut, &fin, FALSE);
    std::string s = t;
    g_free(t);
    return s;
}

int lignes_en_tout(GtkWidget* vue) {
    return static_cast<int>(gtk_adjustment_get_upper(defilement_de(vue)));
}

std::string lignes_montrees(GtkWidget* vue, const std::vector<Ligne_vue>& attendu) {
    GtkAdjustment* adj = defilement_de(vue);
    EXPECT_EQ(lignes_en_tout(vue), static_cast<int>(attendu.size()));
    const auto premiere = static_cast<std::size_t>(gtk_adjustment_get_value(adj));
    const auto page = static_cast<std::size_t>(gtk_adjustment_get_page_size(adj));
    std::string t;
    for (std::size_t n = premiere; n < attendu.size() && n < premiere + page; ++n)
        t += attendu[n].texte;
    return t;
}

bool visible(GtkWidget* w) {
    return gtk_widget_get_visible(w) != FALSE;
}
bool sensible(GtkWidget* w) {
    return gtk_widget_get_sensitive(w) != FALSE;
}

std::string titre(GtkWidget* fenetre) {
    return gtk_window_get_title(GTK_WINDOW(fenetre));
}

std::vector<std::string> liste_combo(GtkWidget* combo) {
    std::vector<std::string> l;
    GtkTreeModel* m = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    GtkTreeIter it;
    for (gboolean ok = gtk_tree_model_get_iter_first(m, &it); ok;
         ok = gtk_tree_model_iter_next(m, &it)) {
        gchar* t = nullptr;
        gtk_tree_model_get(m, &it, gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(combo)), &t,
                           -1);
        l.push_back(t);
        g_free(t);
    }
    return l;
}

void cellule(GtkWidget* w, int gauche, int droite, int haut, int bas) {
    GtkWidget* g = gtk_widget_get_parent(w);
    while (g && !GTK_IS_GRID(g)) {
        w = g;
        g = gtk_widget_get_parent(w);
    }
    ASSERT_NE(g, nullptr);
    int l, t, wi, h;
    gtk_container_child_get(GTK_CONTAINER(g), w, "left-attach", &l, "top-attach", &t, "width", &wi,
                            "height", &h, nullptr);
    EXPECT_EQ(l, gauche);
    EXPECT_EQ(l + wi, droite);
    EXPECT_EQ(t, haut);
    EXPECT_EQ(t + h, bas);
}

void lance(void (*prepare)(GtkWidget*, gpointer)) {
    prepare(nullptr, prepare_PIC_box);
    ok_prepare_PIC_box(nullptr, prepare_PIC_box);
    timeout(nullptr);
}

Repondeur_protection::Repondeur_protection(gint r) : reponse(r) {
    id = g_signal_connect(protection_box, "show", G_CALLBACK(montree), this);
}

Repondeur_protection::~Repondeur_protection() {
    if (protection_box) g_signal_handler_disconnect(protection_box, id);
}

void Repondeur_protection::montree(GtkWidget* boite, gpointer moi) {
    auto* r = static_cast<Repondeur_protection*>(moi);
    ++r->questions;
    gchar* t = nullptr;
    g_object_get(boite, "text", &t, nullptr);
    r->texte = t ? t : "";
    g_free(t);
    // The dialog's own loop is not running yet: the answer comes from inside it.
    g_idle_add(
        [](gpointer donnee) -> gboolean {
            const auto* repondeur = static_cast<const Repondeur_protection*>(donnee);
            gtk_dialog_response(GTK_DIALOG(protection_box), repondeur->reponse);
            return G_SOURCE_REMOVE;
        },
        r);
}

void choisit_fichier(GtkWidget* dialogue, const std::string& chemin) {
    GtkFileChooser* fc = GTK_FILE_CHOOSER(dialogue);
    if (gtk_file_chooser_get_action(fc) == GTK_FILE_CHOOSER_ACTION_SAVE) {
        gchar* rep = g_path_get_dirname(chemin.c_str());
        gchar* base = g_path_get_basename(chemin.c_str());
        gtk_file_chooser_set_current_folder(fc, rep);
        gtk_file_chooser_set_current_name(fc, base);
        g_free(rep);
        g_free(base);
    } else {
        gtk_file_chooser_set_filename(fc, chemin.c_str());
    }
    // The chooser changes folder asynchronously: wait until it names the file (slow under ASan).
    for (int k = 0; k < 400; ++k) {
        pompe();
        gchar* n = gtk_file_chooser_get_filename(fc);
        const bool pret = n && chemin == n;
        g_free(n);
        if (pret) break;
        g_usleep(5000);
    }
}

Memoire_PIC image_16f84() {
    Memoire_PIC m;
    for (int i = 0; i < 1024; ++i)
        m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 7 + 0x100) & 0x3FFF);
    for (int i = 0; i < 64; ++i)
        m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(0xA0 ^ i);
    m.config = 0x3FF1;
    m.config_definie = true;
    const uint8_t id[4] = {0x01, 0x02, 0x0F, 0x0A};
    std::copy(id, id + 4, m.id);
    return m;
}

std::vector<GtkWidget*> fenetres_rapport() {
    std::vector<GtkWidget*> v;
    GList* l = gtk_window_list_toplevels();
    for (GList* p = l; p; p = p->next) {
        const gchar* t = gtk_window_get_title(GTK_WINDOW(p->data));
        if (t && std::string(t) == "Résulat de la comparaison") v.push_back(GTK_WIDGET(p->data));
    }
    g_list_free(l);
    return v;
}

std::string compare() {
    const std::vector<GtkWidget*> avant = fenetres_rapport();
    lance(prepare_PIC_c);
    const std::vector<GtkWidget*> apres = fenetres_rapport();
    if (apres.size() != avant.size() + 1) {
        ADD_FAILURE() << "fenêtres de rapport : " << avant.size() << " puis " << apres.size();
        return {};
    }
    for (GtkWidget* f : apres) {
        if (std::find(avant.begin(), avant.end(), f) != avant.end()) continue;
        EXPECT_TRUE(visible(f));
        GtkWidget* l = gtk_bin_get_child(GTK_BIN(f));
        EXPECT_TRUE(GTK_IS_LABEL(l));
        EXPECT_TRUE(visible(l));
        EXPECT_EQ(gtk_label_get_justify(GTK_LABEL(l)), GTK_JUSTIFY_LEFT);
        return texte(l);
    }
    return {};
}

void Interface::demarre(const std::string& conf_PICS, const std::string& conf_port, bool simule) {
    if (!conf_PICS.empty()) test::ecrit_fichier(rep.fichier("conf_PICS"), conf_PICS);
    if (!conf_port.empty()) test::ecrit_fichier(rep.fichier("conf_port"), conf_port);
    force_repertoire_conf(rep.chemin().string());
    options.avec_simulateur = simule;
    options.simulateur = rep.fichier("puce.etat");
    demarre_interface(options, false);
    demarree = true;
    pompe();
}

void Interface::TearDown() {
    if (demarree) arrete_interface();
    test::Etat_propre::TearDown();
}

void Interface::choisit(const char* nom) {
    gtk_entry_set_text(champ_combo(boutons.combo_pic), nom);
}

} // namespace test_ui
