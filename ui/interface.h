// SPDX-License-Identifier: GPL-2.0-or-later
// The graphical front end: windows, shared widget handles and handlers.
#pragma once

#include "operations/options_communes.h"
#include <gtk/gtk.h>

#include <string>
#include <vector>

// Windows, built once at start-up.
extern GtkWidget* error_box;
extern GtkWidget* fenetre_principale;
extern GtkWidget* prep_lect_ecr;
extern GtkWidget* lire_file_box;
extern GtkWidget* ecrire_file_box;
extern GtkWidget* prepare_PIC_box;
extern GtkWidget* modif_box;
extern GtkWidget* en_prog_box;
extern GtkWidget* protection_box; // asks before a write turns the code protection on
extern GtkWidget* Options_window;

// Widgets shared between handlers.
extern GtkWidget* error_msg;
extern GtkWidget* util_label;
extern GtkWidget* progress_bar;
extern GtkWidget* modif_adresse;
extern GtkWidget* modif_donnee;
extern GtkWidget* type_PIC;
extern GtkWidget* Fichier;
extern GtkWidget* bouton_charger; // label inside "Charger dans le PIC"
extern GtkWidget* bouton_lire;    // label inside "Lire le PIC"
extern GtkWidget* texte_P;
extern GtkWidget* texte_D;
extern GtkWidget* conf_fuses;
extern GtkWidget* combo_aff_clock;
extern GtkWidget* check_aff_CP0;
extern GtkWidget* check_aff_CP1;
extern GtkWidget* check_aff_DP;
extern GtkWidget* check_aff_WDTE;
extern GtkWidget* check_aff_PWRTE;
extern GtkWidget* check_aff_PWRTE_barre;
extern GtkWidget* check_aff_BODEN;
extern GtkWidget* check_aff_CPD;
extern GtkWidget* check_aff_DEB_barre;
extern GtkWidget* check_aff_LVP;
extern GtkWidget* check_aff_WRT;
extern GtkWidget* check_aff_RESV;
extern GtkWidget* check_aff_MCLRE;
extern GtkWidget* check_aff_CPC;
extern GtkWidget* label_ID;
extern GtkWidget* entry_ID;
// Second configuration word (ui/config2.cpp): its caption, its hexadecimal entry.
extern GtkWidget* label_config2;
extern GtkWidget* entry_config2;

// Options window widgets.
extern GtkWidget* table_autre;
extern GtkWidget* combo_port;
extern GtkWidget* combo_type;
extern GtkWidget* combo_vcc;
extern GtkWidget* combo_vpp;
extern GtkWidget* combo_vpp40;
extern GtkWidget* combo_clk;
extern GtkWidget* combo_d_o;
extern GtkWidget* combo_d_i;
extern GtkWidget* combo_d_93_o;
extern GtkWidget* combo_sel;
// The adapter entry and, in the rows' order (VCC, VPP, VPP40, CLOCK, DATA OUT, DATA IN, DATA 93xxx,
// SELECT 93xxx), each line's pin on it.
constexpr int NB_ENTREES_BROCHES = 8;
extern GtkWidget* entree_adaptateur;
extern GtkWidget* entrees_broches[NB_ENTREES_BROCHES];
extern GtkWidget* check_inv_vcc;
extern GtkWidget* check_inv_vpp;
extern GtkWidget* check_inv_vpp40;
extern GtkWidget* check_inv_clk;
extern GtkWidget* check_inv_d_o;
extern GtkWidget* check_inv_d_i;
extern GtkWidget* check_inv_d_93_o;
extern GtkWidget* check_inv_sel;
extern GtkWidget* check_le_prog;
extern GtkWidget* check_le_data;
extern GtkWidget* check_le_config;
extern GtkWidget* check_le_ID;
extern GtkWidget* check_osc_int;
extern GtkWidget* entry_le_prog_deb;
extern GtkWidget* entry_le_prog_fin;
extern GtkWidget* entry_le_data_deb;
extern GtkWidget* entry_le_data_fin;
extern GtkWidget* entry_tension_vpp; // the board's programming voltage, in volts

// Main-window widgets without a handle of their own in the original layout, kept here so that
// their sensitivity can follow the catalogue and the running operation.
struct Boutons_principaux {
    GtkWidget* charger = nullptr;
    GtkWidget* lire = nullptr;
    GtkWidget* sauver_hex = nullptr;
    GtkWidget* lire_hex = nullptr;
    GtkWidget* comparer = nullptr;
    GtkWidget* options = nullptr;
    GtkWidget* aide = nullptr;
    GtkWidget* quitter = nullptr;
    GtkWidget* effacer = nullptr;
    GtkWidget* combo_pic = nullptr; // device list
    GtkWidget* modifier_prog = nullptr;
    GtkWidget* modifier_donnee = nullptr;
    GtkWidget* combo_base = nullptr; // number-base list
};
extern Boutons_principaux boutons;

// The fuse check buttons by index (0 to 13, the order of fusible_de_case).
GtkWidget* case_fusible(int index);

// The second word's fuse check buttons by index, as case_fusible.
GtkWidget* case_fusible2(int index);
// Builds the second word's caption and entry at row ligne of the panel's grid, its boxes below.
void construit_config2(GtkWidget* grille, int ligne);
// Shows the second word of the image for a part that has one, hides its widgets otherwise.
void affiche_config2();
void config2_sensible(bool sensible);
// A second word typed but not yet confirmed is taken (before a command given by its key, which
// leaves the focus in the entry).
void prend_config2_tapee();

// Text field of a combo box built with an entry.
GtkEntry* champ_combo(GtkWidget* combo);

// Shows a secondary window on top of the main window, transient for it (ui/fenetres.cpp).
void presente(GtkWidget* fenetre);
// Gives a window its natural size for what it now shows, smaller as well as larger.
void taille_naturelle(GtkWidget* fenetre);
// Sizes a file selection to at most 80 % of the monitor of the main window, then presents it.
void presente_selection(GtkWidget* dialogue);

// Status line under the memory view: the result of the last operation ("" clears it).
extern GtkWidget* label_etat;
void montre_etat(const std::string& texte);
// The program pane, collapsed for a serial EEPROM so that the data pane takes the height.
void montre_volet_programme(bool montre);

// Building (ui/fenetres.cpp, ui/fenetre_principale.cpp).
void construit_error_box();
void construit_fenetre_principale(const char* titre); // the shell, start-up step 5
void construit_fenetres_secondaires();                // step 7
void construit_contenu_principal();                   // step 8
void construit_Options_window();

// Start-up and ending (ui/demarrage.cpp).
struct Options_korval : Options_communes {};
// Takes the program's own options out of argv (GTK's and what follows "--" are left); false
// with a message on standard error for a wrong value, unless --help or --version was given.
bool lit_options(int& argc, char** argv, Options_korval& o);
const char* titre_principal(bool simule);
// Start-up steps 3 to 13 after GTK is initialised; avec_minuterie false leaves out the timer.
void demarre_interface(const Options_korval& o, bool avec_minuterie = true);
// Destroys every window (without running destroy) and forgets the handles.
void arrete_interface();
void destroy(GtkWidget* w, gpointer data);
// Name of the chip in the simulated socket, fixed at start-up ("" without the simulator).
const std::string& puce_du_support();
// Quits the main loop, or notes the request when no loop runs.
void quitte_boucle();
bool fin_demandee();
int korval_main(int argc, char** argv);

// Quitting (ui/quitter.cpp): "Quitter", its letter and the window manager's close end the
// program at once, or during an operation ask whether to end once it is over.
extern GtkWidget* quitter_box;
void construit_quitter_box(); // after the main window's shell
void quitter_demande(GtkWidget* w, gpointer data);
// At the end of an operation: hides the question, ends the program if it was asked for.
void fin_differee();
void oublie_quitter();

// Memory view (ui/affichage_memoire.cpp).
void affiche_pic_mem();
// The same with both views back at their first line (a new image: a file or a read).
void affiche_pic_mem_en_haut();

// Device selection and configuration editor (ui/selection.cpp).
void combo_pic_changed(GtkEntry* champ, gpointer effacer);
void check_conf_change(GtkToggleButton* bouton, gpointer index);
void combo_conf_change(GtkEntry* champ, gpointer data);
void entry_ID_change(GtkEntry* champ, gpointer data);
// The device list shows the selected device's name again (after a text typed or held meanwhile).
void remontre_composant_choisi();
// The device list: the catalogue grouped by kind, and a name typed with completion.
GtkWidget* construit_liste_composants(GtkWidget* effacer);

// Device operations (ui/lancement_operations.cpp).
void prepare_PIC_e(GtkWidget* w, gpointer boite);
void prepare_PIC_l(GtkWidget* w, gpointer boite);
void prepare_PIC_r(GtkWidget* w, gpointer boite);
void prepare_PIC_c(GtkWidget* w, gpointer boite);
void ok_prepare_PIC_box(GtkWidget* w, gpointer boite);
gboolean timeout(gpointer data);
// Each body gives the status line of its success ("" after a failure, whose message was posted).
std::string envoie_vers_PIC();
std::string recoit_du_PIC();
std::string effacement_du_PIC();
std::string comparaison_du_PIC();
// Progress sink: bar, caption, then every pending event.
void progression_ui(float fraction, const char* legende, int kind);
// True while the timer runs a device operation.
bool operation_en_cours();
// Sensitivity of the main window's widgets from the catalogue and the running operation.
void met_a_jour_sensibilite();
unsigned minuterie();

// Comparison report (ui/comparaison.cpp): the report windows still open.
const std::vector<GtkWidget*>& rapports_ouverts();
void ferme_rapports();

// Options (ui/fenetre_options.cpp).
void Options_clicked(GtkWidget* w, gpointer data);
void put_options();
void combo_type_changed(GtkEntry* champ, gpointer combo);
void Options_Ok_Clicked(GtkWidget* bouton, gpointer fenetre);
void Options_Annuler_Clicked(GtkWidget* bouton, gpointer fenetre);
// An "Ok" given during an operation, carried out once it has ended.
void confirmation_differee();
// Forgets the Options widgets (their window is gone) and any waiting confirmation.
void oublie_options();

// Memory edit dialog and keyboard (ui/dialogue_modification.cpp, ui/clavier.cpp).
extern int modif_buffer; // 0 program memory, 1 data memory
void modif_mem_prog(GtkWidget* w, gpointer data);
void modif_mem_donnee(GtkWidget* w, gpointer data);
void modif_adresse_changed(GtkEntry* champ, gpointer data);
void modif_ok(GtkWidget* w, gpointer data);
void toggle_b_h(GtkEntry* champ, gpointer data);
// A view refresh held back during an operation, done once it has ended.
void affichage_differe();
gboolean touche_pressee(GtkWidget* fenetre, GdkEventKey* evenement, gpointer data);

// Files, messages and help (ui/fichiers.cpp).
void affiche_message(const std::string& texte, int fin);
void error_ok_clicked(GtkWidget* w, gpointer data);
void lire_hex_clicked(GtkWidget* w, gpointer choix);
void ecrire_hex_clicked(GtkWidget* w, gpointer choix);
void prep_lect_ecr_pic(GtkWidget* w, gpointer choix);
void prep_lect_ecr_eeprom(GtkWidget* w, gpointer choix);
void lire_file_ok_sel(GtkWidget* w, gpointer dialogue);
void ecrire_file_ok_sel(GtkWidget* w, gpointer dialogue);
void cache_file_box(GtkWidget* w, gpointer dialogue);
void aide_clicked(GtkWidget* w, gpointer data);
// Address of the help pages: file:$PWD/aide/aide_sommaire.htm, or the installed copy when the
// start directory holds none.
std::string adresse_aide();
// Reads a HEX file into a new image (the current one is released) and shows it.
void lit_fichier_hex(const std::string& nom, int eeprom);
// A file dropped on the main window: read as the chooser would read it for the selected device.
void lit_fichier_depose(const std::string& nom);
// A file read asked for during an operation, done once it has ended.
void lecture_differee();
// Pre-sets a file selection to a file-system name (its folder, and its name when saving).
void propose_fichier(GtkWidget* dialogue, const std::string& nom);
// Text of the file label for a file-system name.
std::string nom_affichable(const std::string& nom);
