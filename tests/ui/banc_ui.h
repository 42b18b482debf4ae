// SPDX-License-Identifier: GPL-2.0-or-later
// Test bench of the graphical program: a private configuration directory, the simulated
// programmer, and the whole interface built as at start-up (without the timer).
#pragma once

#include "commun/outils.h"
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "ui/interface.h"
#include "vue/vue_memoire.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace test_ui {

// A catalogue with one device of each kind the tests need, in this order:
// 0 PIC16F84 (algo 1, family 1), 1 PIC16F876 (8192 words, family 3), 2 PIC16C84 (untested),
// 3 PIC12C671 (algo 2, family 8 with FOSC2), 4 PIC12C508 (algo 3, family 16 with "0" and "-"),
// 5 93C46 (Microwire), 6 24C16 (I2C), 7 25C040 (SPI).
extern const char* const catalogue;

// Settings with the given remembered device and file (no line when negative / empty).
std::string reglages(int dernier_pic, const std::string& dernier_fichier = "");

// Every pending event.
void pompe();
// Names chemin in a file chooser (folder and name for a save) and waits until it has taken it.
void choisit_fichier(GtkWidget* dialogue, const std::string& chemin);

// Text of a label, of an entry, of a text view.
std::string texte(GtkWidget* w);
std::string texte_vue(GtkWidget* vue);
// Lines of a memory view: all of them (its scroll bar's range), and those of attendu that it
// should show now, from the first line its scroll bar shows, as one text.
int lignes_en_tout(GtkWidget* vue);
std::string lignes_montrees(GtkWidget* vue, const std::vector<Ligne_vue>& attendu);
bool visible(GtkWidget* w);
bool sensible(GtkWidget* w);
std::string titre(GtkWidget* fenetre);

// The entries of a combo box's list.
std::vector<std::string> liste_combo(GtkWidget* combo);

// Checks the grid cells of w (or of the ancestor that sits in a grid): columns and rows by
// boundaries.
void cellule(GtkWidget* w, int gauche, int droite, int haut, int bas);

// Confirms an operation in the insertion dialog and lets the timer run it.
void lance(void (*prepare)(GtkWidget*, gpointer));

// Answers the code-protection question (protection_box, run modal by a write) with reponse
// each time it is asked while this object lives; counts the questions and keeps the last text.
class Repondeur_protection {
  public:
    explicit Repondeur_protection(gint reponse);
    ~Repondeur_protection();
    Repondeur_protection(const Repondeur_protection&) = delete;
    Repondeur_protection& operator=(const Repondeur_protection&) = delete;

    int questions = 0;
    std::string texte;

  private:
    static void montree(GtkWidget* boite, gpointer moi);
    gint reponse;
    gulong id = 0;
};

// A full PIC16F84 image (program, data, configuration and IDs) without a blank word.
Memoire_PIC image_16f84();

// Every top-level window titled as a comparison report, whatever the interface keeps track of.
std::vector<GtkWidget*> fenetres_rapport();
// Runs "Comparer" and returns the text of the one new report window.
std::string compare();

class Interface : public test::Etat_propre {
  protected:
    // Writes the files (an empty text leaves a file out), then starts the interface.
    void demarre(const std::string& conf_PICS = catalogue,
                 const std::string& conf_port = reglages(0), bool simule = true);
    void TearDown() override;
    void choisit(const char* nom);

    test::Repertoire_temp rep;
    Options_korval options;
    bool demarree = false;
};

} // namespace test_ui
