// SPDX-License-Identifier: GPL-2.0-or-later
// Options window: layout, lists, and its handlers (show, fill, type change, Ok, Annuler).
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/messages.h"
#include "operations/programmateur.h"
#include "operations/test_lignes.h"
#include "port/port.h"
#include "ui/grille.h"
#include "ui/interface.h"
#include "vue/texte_options.h"

#include <algorithm>
#include <iterator>
#include <string>

GtkWidget* table_autre = nullptr;
GtkWidget* combo_port = nullptr;
GtkWidget* combo_type = nullptr;
GtkWidget* combo_vcc = nullptr;
GtkWidget* combo_vpp = nullptr;
GtkWidget* combo_vpp40 = nullptr;
GtkWidget* combo_clk = nullptr;
GtkWidget* combo_d_o = nullptr;
GtkWidget* combo_d_i = nullptr;
GtkWidget* combo_d_93_o = nullptr;
GtkWidget* combo_sel = nullptr;
GtkWidget* check_inv_vcc = nullptr;
GtkWidget* check_inv_vpp = nullptr;
GtkWidget* check_inv_vpp40 = nullptr;
GtkWidget* check_inv_clk = nullptr;
GtkWidget* check_inv_d_o = nullptr;
GtkWidget* check_inv_d_i = nullptr;
GtkWidget* check_inv_d_93_o = nullptr;
GtkWidget* check_inv_sel = nullptr;
GtkWidget* check_le_prog = nullptr;
GtkWidget* check_le_data = nullptr;
GtkWidget* check_le_config = nullptr;
GtkWidget* check_le_ID = nullptr;
GtkWidget* check_osc_int = nullptr;
GtkWidget* entry_le_prog_deb = nullptr;
GtkWidget* entry_le_prog_fin = nullptr;
GtkWidget* entry_le_data_deb = nullptr;
GtkWidget* entry_le_data_fin = nullptr;
GtkWidget* entry_tension_vpp = nullptr;

// Adapter of the settings and each line's pin on it (beside the rows, whatever the type).
GtkWidget* entree_adaptateur = nullptr;
GtkWidget* entrees_broches[NB_ENTREES_BROCHES] = {};

namespace {

// "Ok" given while an operation runs: the widgets are read once it has ended.
bool confirmation_en_attente = false;

// One row of `table_autre`: its widgets and the pair of `c_autre` they hold.
struct Rangee_broche {
    const char* libelle;
    GtkWidget** combo;
    GtkWidget** inverse;
    Num_ligne ligne;
};
const Rangee_broche rangees[] = {
    {"VCC :", &combo_vcc, &check_inv_vcc, L_VCC},
    {"VPP :", &combo_vpp, &check_inv_vpp, L_VPP1},
    {"VPP40 :", &combo_vpp40, &check_inv_vpp40, L_VPP2},
    {"CLOCK :", &combo_clk, &check_inv_clk, L_CLK},
    {"DATA OUT :", &combo_d_o, &check_inv_d_o, L_DATA_OUT},
    {"DATA IN :", &combo_d_i, &check_inv_d_i, L_DATA_IN},
    {"DATA 93xxx :", &combo_d_93_o, &check_inv_d_93_o, L_DATA_93},
    {"SELECT 93xxx :", &combo_sel, &check_inv_sel, L_SELECT},
};
constexpr int NB_RANGEES = static_cast<int>(std::size(rangees));
constexpr int NB_LIGNES_DONNEES = static_cast<int>(std::size(liste_lignes_donnees));
constexpr int NB_LIGNES_ETAT = static_cast<int>(std::size(liste_lignes_etat));

static_assert(NB_RANGEES == NB_ENTREES_BROCHES);

// The wiring self-test's line.
GtkWidget* label_essai = nullptr;

// Rows whose line the user chose since the window was last filled: only those are read back, so
// a mask the lists cannot show (several bits, an unknown input bit) stays as it was.
bool choisies[NB_RANGEES] = {};

void rangee_choisie(GtkComboBox*, gpointer indice) {
    choisies[GPOINTER_TO_INT(indice)] = true;
}

struct Case_zone {
    GtkWidget** bouton;
    int* reglage;
};
const Case_zone zones[] = {
    {&check_le_prog, &le_prog_enable},     {&check_le_data, &le_data_enable},
    {&check_le_config, &le_config_enable}, {&check_le_ID, &le_ID_enable},
    {&check_osc_int, &osc_int_enable},
};

struct Entree_plage {
    GtkWidget** entree;
    int* reglage;
};
const Entree_plage plages[] = {
    {&entry_le_prog_deb, &le_prog_deb},
    {&entry_le_prog_fin, &le_prog_fin},
    {&entry_le_data_deb, &le_data_deb},
    {&entry_le_data_fin, &le_data_fin},
};

std::string texte_de(GtkWidget* combo) {
    return gtk_entry_get_text(champ_combo(combo));
}

void met_texte(GtkWidget* combo, const std::string& texte) {
    gtk_entry_set_text(champ_combo(combo), texte.c_str());
}

bool cochee(GtkWidget* b) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(b)) != FALSE;
}

// No handler is connected to the Options check buttons: setting them runs nothing.
void coche(GtkWidget* b, bool actif) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(b), actif);
}

// A combo box of a fixed list, its text field wide enough for the longest entry.
GtkWidget* combo_liste(const char* const* liste, int n) {
    GtkWidget* c = combo_fixe(liste, n);
    int large = 0;
    for (int i = 0; i < n; ++i)
        large = std::max(large, static_cast<int>(g_utf8_strlen(liste[i], -1)));
    gtk_entry_set_width_chars(champ_combo(c), large + 1);
    return c;
}

gboolean reste_ouverte(GtkWidget* w, GdkEvent*, gpointer) {
    gtk_widget_show(w);
    return TRUE;
}

GtkWidget* entree_plage(GtkWidget* t, GtkWidget** entree, const char* texte, int gauche, int droite,
                        int haut) {
    *entree = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(*entree), 4);
    gtk_entry_set_width_chars(GTK_ENTRY(*entree), 5);
    gtk_entry_set_text(GTK_ENTRY(*entree), texte);
    attache_fill(t, *entree, gauche, droite, haut, haut + 1, 0, 0);
    return *entree;
}

GtkWidget* case_options(GtkWidget* t, GtkWidget** b, const char* texte, int gauche, int droite,
                        int haut) {
    *b = gtk_check_button_new_with_label(texte);
    attache_fill(t, *b, gauche, droite, haut, haut + 1, 0, 0);
    return *b;
}

// Steps 1 to 11 of a confirmation: the widgets into the settings, the file, the map, the port.
void confirme() {
    for (int i = 0; i < NB_RANGEES; ++i) {
        const Rangee_broche& r = rangees[i];
        if (!choisies[i]) continue;
        const std::string t = texte_de(*r.combo);
        c_autre.l[r.ligne].masque =
            r.ligne == L_DATA_IN ? masque_ligne_entree(t) : masque_ligne_sortie(t);
    }
    // A text that names no port (one a settings file gave, such as "100") keeps the port: port 0
    // is no parallel port.
    if (const int port = port_du_texte(texte_de(combo_port)); port != 0) PORT_PARA = port;
    type_de_prog = type_du_texte(texte_de(combo_type));
    for (const Case_zone& z : zones) *z.reglage = cochee(*z.bouton) ? 1 : 0;
    for (const Entree_plage& p : plages) {
        const Plage_lue lu = lit_plage(gtk_entry_get_text(GTK_ENTRY(*p.entree)));
        *p.reglage = lu.valeur;
        if (lu.texte) gtk_entry_set_text(GTK_ENTRY(*p.entree), lu.texte->c_str());
    }
    for (const Rangee_broche& r : rangees) c_autre.l[r.ligne].inverse = cochee(*r.inverse) ? 1 : 0;
    // Checked by "Ok"; a text changed meanwhile to one that does not read keeps the voltage.
    if (const auto v = lit_tension_vpp(gtk_entry_get_text(GTK_ENTRY(entry_tension_vpp))))
        tension_vpp = *v;
    const std::string adaptateur = gtk_entry_get_text(GTK_ENTRY(entree_adaptateur));
    // The programmer in use stays until the program starts again.
    const bool adaptateur_change = adaptateur != adaptateur_conf;
    adaptateur_conf = adaptateur;
    for (int i = 0; i < NB_RANGEES; ++i)
        broches_conf[rangees[i].ligne] = gtk_entry_get_text(GTK_ENTRY(entrees_broches[i]));
    // The settings take effect even when they cannot be saved.
    if (sauve_conf_port(c_autre).empty())
        message_erreur(texte_echec_sauvegarde(cibles_conf_port()), 0);
    if (const auto b = brochage_confirme(type_de_prog, c_autre)) c_u = *b;
    init_port();
    if (adaptateur_change)
        message_erreur(texte_adaptateur_au_demarrage(adaptateur_conf), 0);
}

// Each output line held 3 s in turn, named in the window as it goes, then the whole report.
void essai_lignes_clicked(GtkWidget*, gpointer) {
    if (operation_en_cours()) return;
    std::string rapport;
    teste_lignes(3'000'000, broche_programmateur, [&rapport](const Etape_lignes& e) {
        const std::string t = e.annonce + "\nDATA_IN lu : " + std::to_string(e.data_in) +
                              (e.vu.empty() ? "" : "\n" + e.vu);
        gtk_label_set_text(GTK_LABEL(label_essai), t.c_str());
        while (gtk_events_pending()) gtk_main_iteration();
        rapport += t + "\n";
    });
    gtk_label_set_text(GTK_LABEL(label_essai), "");
    message_erreur(rapport, 0);
}

GtkWidget* libelle_a_droite(const char* texte) {
    GtkWidget* l = gtk_label_new(texte);
    gtk_label_set_xalign(GTK_LABEL(l), 1.0f);
    return l;
}

// The board's programming voltage under the adapter, its note under everything.
void construit_tension(GtkWidget* t) {
    attache_fill(t, libelle_a_droite("Tension VPP (V) :"), 1, 3, 4, 5, 0, 0);
    entry_tension_vpp = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(entry_tension_vpp), 2);
    gtk_entry_set_width_chars(GTK_ENTRY(entry_tension_vpp), 3);
    gtk_entry_set_text(GTK_ENTRY(entry_tension_vpp), std::to_string(tension_vpp).c_str());
    attache(t, entry_tension_vpp, 3, 5, 4, 5, A_RIEN, A_RIEN, 0, 0);
    gtk_widget_set_halign(entry_tension_vpp, GTK_ALIGN_START);
    GtkWidget* note = gtk_label_new(note_tension_vpp);
    gtk_label_set_xalign(GTK_LABEL(note), 0.0f);
    attache_fill(t, note, 0, 13, 13, 14, 10, 3);
}

} // namespace

void construit_Options_window() {
    Options_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(Options_window), "Options");
    gtk_container_set_border_width(GTK_CONTAINER(Options_window), BORDURE_FENETRE);
    GtkWidget* t = gtk_grid_new();
    gtk_container_add(GTK_CONTAINER(Options_window), t);

    // Each caption stands against its field.
    attache_fill(t, libelle_a_droite("PORT :"), 2, 3, 1, 2, 0, 0);
    attache(t, libelle_a_droite("Type de programmateur :"), 1, 3, 2, 3,
            A_EXPAND | A_SHRINK | A_FILL, A_RIEN, 0, 0);
    table_autre = gtk_grid_new();
    gtk_widget_set_no_show_all(table_autre, TRUE);
    attache_fill(t, table_autre, 0, 5, 5, 10, 0, 0);
    for (int i = 0; i < NB_RANGEES; ++i)
        attache_fill(table_autre, libelle_a_droite(rangees[i].libelle), 2, 3, 4 + i, 5 + i, 0, 0);

    combo_port = combo_liste(liste_ports, 3);
    attache(t, combo_port, 3, 5, 1, 2, A_RIEN, A_RIEN, 0, 0);
    combo_type = combo_liste(liste_types, 3);
    attache(t, combo_type, 3, 5, 2, 3, A_RIEN, A_RIEN, 0, 0);
    // Against their captions, whatever their width.
    for (GtkWidget* c : {combo_port, combo_type}) gtk_widget_set_halign(c, GTK_ALIGN_START);
    g_signal_connect(champ_combo(combo_type), "changed", G_CALLBACK(combo_type_changed),
                     combo_type);

    for (int i = 0; i < NB_RANGEES; ++i) {
        const Rangee_broche& r = rangees[i];
        *r.combo = r.ligne == L_DATA_IN ? combo_liste(liste_lignes_etat, NB_LIGNES_ETAT)
                                        : combo_liste(liste_lignes_donnees, NB_LIGNES_DONNEES);
        attache_fill(table_autre, *r.combo, 3, 5, 4 + i, 5 + i, 0, 0);
        // The box's own "changed" also comes when the entry already shown is picked again.
        g_signal_connect(*r.combo, "changed", G_CALLBACK(rangee_choisie), GINT_TO_POINTER(i));
        *r.inverse = gtk_check_button_new_with_label("Inverse");
        attache_fill(table_autre, *r.inverse, 5, 6, 4 + i, 5 + i, 0, 0);
    }
    // The table itself stays hidden until the type reads "Autres"; its children are shown.
    gtk_container_foreach(
        GTK_CONTAINER(table_autre), [](GtkWidget* w, gpointer) { gtk_widget_show_all(w); },
        nullptr);

    // The adapter and its pins, beside the pin map; the wiring self-test under "Ok".
    attache_fill(t, libelle_a_droite("Adaptateur :"), 1, 3, 3, 4, 0, 0);
    entree_adaptateur = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(entree_adaptateur),
                                   "ftdi:i:0x0403:0x6001, gpio:gpiochip0");
    attache_fill(t, entree_adaptateur, 3, 5, 3, 4, 0, 0);
    // One column per line, under everything: the pin map's rows only show for "Autres".
    GtkWidget* table_broches = gtk_grid_new();
    attache_fill(t, table_broches, 0, 13, 11, 12, 0, 5);
    attache_fill(table_broches, libelle_a_droite("Broches de l'adaptateur :"), 0, 1, 1, 2, 5, 0);
    for (int i = 0; i < NB_RANGEES; ++i) {
        attache_fill(table_broches, gtk_label_new(rangees[i].libelle), 1 + i, 2 + i, 0, 1, 0, 0);
        entrees_broches[i] = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(entrees_broches[i]), 5);
        attache_fill(table_broches, entrees_broches[i], 1 + i, 2 + i, 1, 2, 0, 0);
    }
    GtkWidget* essai = gtk_button_new_with_label("Test des lignes");
    attache_fill(t, essai, 11, 12, 9, 10, 10, 3);
    g_signal_connect(essai, "clicked", G_CALLBACK(essai_lignes_clicked), nullptr);
    label_essai = gtk_label_new("");
    attache_fill(t, label_essai, 0, 13, 12, 13, 10, 3);
    construit_tension(t);

    attache_fill(t, gtk_label_new("Lecture/Ecriture de :"), 7, 8, 0, 1, 10, 10);
    attache_fill(t, gtk_label_new("debut"), 9, 11, 0, 1, 10, 10);
    attache_fill(t, gtk_label_new("fin"), 11, 13, 0, 1, 10, 10);
    case_options(t, &check_le_prog, "Prog", 7, 8, 1);
    entree_plage(t, &entry_le_prog_deb, "0", 9, 11, 1);
    entree_plage(t, &entry_le_prog_fin, "-1", 11, 13, 1);
    case_options(t, &check_le_data, "Donnees", 7, 8, 2);
    entree_plage(t, &entry_le_data_deb, "0", 9, 11, 2);
    entree_plage(t, &entry_le_data_fin, "-1", 11, 13, 2);
    case_options(t, &check_le_config, "Config", 7, 8, 3);
    case_options(t, &check_le_ID, "ID", 7, 8, 4);
    case_options(t, &check_osc_int,
                 "Ecrire le dernier octet des PIC12CXXX\n(Oscillateur interne : Déconseillé, "
                 "sauf UV)",
                 7, 11, 5);

    g_signal_connect(Options_window, "delete-event", G_CALLBACK(reste_ouverte), nullptr);
    GtkWidget* ok = gtk_button_new_with_label("Ok");
    // The two buttons one above the other, a small gap between them.
    attache_fill(t, ok, 11, 12, 5, 6, 10, 3);
    g_signal_connect(ok, "clicked", G_CALLBACK(Options_Ok_Clicked), Options_window);
    GtkWidget* annuler = gtk_button_new_with_label("Annuler");
    attache_fill(t, annuler, 11, 12, 7, 8, 10, 3);
    g_signal_connect(annuler, "clicked", G_CALLBACK(Options_Annuler_Clicked), Options_window);
    gtk_widget_show_all(t);
    g_signal_connect(Options_window, "key-press-event", G_CALLBACK(touche_pressee), nullptr);
}

void Options_clicked(GtkWidget*, gpointer) {
    presente(Options_window);
}

void put_options() {
    if (!Options_window) return;
    for (const Rangee_broche& r : rangees) coche(*r.inverse, c_autre.l[r.ligne].inverse != 0);
    for (const Rangee_broche& r : rangees)
        if (r.ligne != L_DATA_IN)
            met_texte(*r.combo, texte_ligne_sortie(c_autre.l[r.ligne].masque));
    // An input mask the list cannot name shows no entry: a text left by an earlier choice would
    // name a line that is not the one kept.
    met_texte(combo_d_i, texte_ligne_entree(c_autre.l[L_DATA_IN].masque).value_or(""));
    for (bool& c : choisies) c = false;
    met_texte(combo_port, texte_port(PORT_PARA));
    if (const auto t = texte_type(type_de_prog)) met_texte(combo_type, *t);
    for (const Case_zone& z : zones) coche(*z.bouton, (*z.reglage & 1) != 0);
    for (const Entree_plage& p : plages)
        gtk_entry_set_text(GTK_ENTRY(*p.entree), texte_plage(*p.reglage).c_str());
    gtk_entry_set_text(GTK_ENTRY(entree_adaptateur), adaptateur_conf.c_str());
    gtk_entry_set_text(GTK_ENTRY(entry_tension_vpp), std::to_string(tension_vpp).c_str());
    for (int i = 0; i < NB_RANGEES; ++i)
        gtk_entry_set_text(GTK_ENTRY(entrees_broches[i]), broches_conf[rangees[i].ligne].c_str());
}

void combo_type_changed(GtkEntry* champ, gpointer) {
    gtk_widget_set_visible(table_autre, std::string(gtk_entry_get_text(champ)) == "Autres");
    taille_naturelle(Options_window);
}

void Options_Ok_Clicked(GtkWidget*, gpointer fenetre) {
    // A voltage out of range is refused before anything: the window stays for it to be put right.
    const std::string tension = gtk_entry_get_text(GTK_ENTRY(entry_tension_vpp));
    if (!lit_tension_vpp(tension)) {
        message_erreur(texte_tension_refusee(tension), 0);
        return;
    }
    // The running operation uses the port, the pin map and the ranges.
    confirmation_en_attente = operation_en_cours();
    if (!confirmation_en_attente) confirme();
    gtk_widget_hide(GTK_WIDGET(fenetre));
}

void Options_Annuler_Clicked(GtkWidget*, gpointer fenetre) {
    confirmation_en_attente = false;
    put_options();
    gtk_widget_hide(GTK_WIDGET(fenetre));
}

void confirmation_differee() {
    // Shown again meanwhile, the window waits for its own "Ok" or "Annuler".
    if (!confirmation_en_attente || operation_en_cours() || !Options_window ||
        gtk_widget_get_visible(Options_window))
        return;
    confirmation_en_attente = false;
    confirme();
}

void oublie_options() {
    confirmation_en_attente = false;
    for (bool& c : choisies) c = false;
    table_autre = combo_port = combo_type = nullptr;
    for (const Rangee_broche& r : rangees) *r.combo = *r.inverse = nullptr;
    for (const Case_zone& z : zones) *z.bouton = nullptr;
    for (const Entree_plage& p : plages) *p.entree = nullptr;
    entree_adaptateur = label_essai = entry_tension_vpp = nullptr;
    for (GtkWidget*& e : entrees_broches) e = nullptr;
}
