// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up in its fixed order, the program's own options, and the two ways of ending.
#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "operations/interruption.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/pannes.h"
#include "sim/simulateur.h"
#include "ui/interface.h"

#include <csignal>
#include <cstdio>

namespace {

bool fin = false;
bool simulateur_installe = false;
guint id_minuterie = 0;

// Main-window handles become invalid with the window.
void oublie_fenetre_principale(GtkWidget*, gpointer) {
    fenetre_principale = type_PIC = Fichier = bouton_charger = bouton_lire = nullptr;
    texte_P = texte_D = conf_fuses = combo_aff_clock = label_ID = entry_ID = nullptr;
    for (GtkWidget** w :
         {&check_aff_CP0, &check_aff_CP1, &check_aff_DP, &check_aff_WDTE, &check_aff_PWRTE,
          &check_aff_PWRTE_barre, &check_aff_BODEN, &check_aff_CPD, &check_aff_DEB_barre,
          &check_aff_LVP, &check_aff_WRT, &check_aff_RESV, &check_aff_MCLRE, &check_aff_CPC})
        *w = nullptr;
    boutons = {};
}

std::string puce_support;

void installe_port(const Options_korval& o) {
    simulateur_installe = installe_programmateur(o) && o.avec_simulateur;
    puce_support.clear();
    if (simulateur_installe)
        if (const Desc_PIC* p = desc_puce_support(o.puce)) puce_support = p->nom;
}

#ifndef KORVAL_VERSION
#define KORVAL_VERSION "?"
#endif

const char* const usage =
    "Usage : korval [OPTION...] [options de GTK]\n"
    "Programme graphique des PIC de Microchip et des EEPROM série, avec un programmateur\n"
    "branché sur le port parallèle, ou avec le programmateur simulé.\n"
    "\n"
    "Options :\n"
    "  --simulateur FICHIER  programmateur simulé, contenu de la puce gardé dans FICHIER\n"
    "  --puce NOM            composant dans le support simulé (par défaut : celui choisi au\n"
    "                        démarrage ; il y reste si on en choisit un autre ensuite)\n"
    "  --panne NOM           panne simulée (répétable, liste ci-dessous)\n"
    "  --adaptateur NOM      carte simulée derrière un adaptateur : ftdi ou gpio\n"
    "  --ppdev PERIPH        port parallèle par ppdev (par exemple /dev/parport0)\n"
    "  --ftdi[=DESCRIPTION]  programmateur sur un câble USB FTDI (i:0x0403:0x6001...)\n"
    "  --gpio PUCE           programmateur sur les broches GPIO de PUCE (gpiochip0)\n"
    "  --conf REP            répertoire de conf_PICS et conf_port\n"
    "  --trace FICHIER       trace VCD des lignes du programmateur\n"
    "  -h, --help            cette aide\n"
    "  --version             version du programme\n";

int erreur_usage(const std::string& texte) {
    std::fprintf(stderr, "korval : %s\nAide : korval --help\n", texte.c_str());
    return 2;
}

} // namespace

bool lit_options(int& argc, char** argv, Options_korval& o) {
    const Ligne_lue ligne = lit_ligne(argc, argv, o, {}, {}, true);
    if (!ligne.erreur.empty() && !o.aide && !o.version) {
        erreur_usage(ligne.erreur);
        return false;
    }
    // Indices rise, so the kept arguments move down in place.
    int garde = 1;
    for (const int i : ligne.restes) argv[garde++] = argv[i];
    argc = garde;
    argv[argc] = nullptr;
    return true;
}

const char* titre_principal(bool simule) {
    return simule ? "KORVAL  v1.0 — programmateur simulé" : "KORVAL  v1.0";
}

void quitte_boucle() {
    fin = true;
    if (gtk_main_level() > 0) gtk_main_quit();
}

const std::string& puce_du_support() {
    return puce_support;
}

bool fin_demandee() {
    return fin;
}

unsigned minuterie() {
    return id_minuterie;
}

void destroy(GtkWidget*, gpointer) {
    sauve_conf_port(c_autre);
    quitte_boucle();
}

void demarre_interface(const Options_korval& o, bool avec_minuterie) {
    fin = false;
    construit_error_box();
    installe_puits_message(affiche_message);
    Lire_Fichier_Conf();
    // A fatal message (no catalogue) waits for its confirmation: no port, nothing else posted.
    if (erreur_fin == 0) {
        installe_port(o);
        init_port();
    }
    construit_fenetre_principale(titre_principal(o.avec_simulateur));
    g_signal_connect(fenetre_principale, "destroy", G_CALLBACK(oublie_fenetre_principale), nullptr);
    construit_fenetres_secondaires();
    construit_quitter_box();
    construit_contenu_principal();
    installe_puits_progression(progression_ui);
    m_pic = std::make_unique<Memoire_PIC>();
    affiche_pic_mem();
    put_options();
    if (const Desc_PIC* p = pic_courant())
        gtk_entry_set_text(champ_combo(boutons.combo_pic), p->nom.c_str());
    else
        gtk_label_set_text(GTK_LABEL(type_PIC), "");
    met_a_jour_sensibilite();
    // A message posted before the main window existed (a missing catalogue) comes on top of it.
    if (gtk_widget_get_visible(error_box)) presente(error_box);
    if (avec_minuterie) id_minuterie = g_timeout_add(500, timeout, nullptr);
}

void arrete_interface() {
    if (id_minuterie) g_source_remove(id_minuterie);
    id_minuterie = 0;
    if (fenetre_principale) {
        g_signal_handlers_disconnect_by_func(fenetre_principale,
                                             reinterpret_cast<gpointer>(destroy), nullptr);
        gtk_widget_destroy(fenetre_principale);
    }
    ferme_rapports();
    oublie_options();
    if (quitter_box) gtk_widget_destroy(quitter_box);
    oublie_quitter();
    for (GtkWidget** w :
         {&error_box, &prep_lect_ecr, &lire_file_box, &ecrire_file_box, &prepare_PIC_box,
          &modif_box, &en_prog_box, &protection_box, &Options_window}) {
        if (*w) gtk_widget_destroy(*w);
        *w = nullptr;
    }
    error_msg = util_label = progress_bar = modif_adresse = modif_donnee = nullptr;
    modif_buffer = 0;
    installe_puits_message({});
    installe_puits_progression({});
    while (gtk_events_pending()) gtk_main_iteration();
    if (simulateur_installe) termine_simulateur();
    simulateur_installe = false;
    fin = false;
}

int korval_main(int argc, char** argv) {
    Options_korval o;
    if (!lit_options(argc, argv, o)) return 2;
    // Like korval-cli: help and version on standard output, before anything else.
    if (o.aide) {
        std::signal(SIGPIPE, SIG_IGN);
        std::fputs(usage, stdout);
        std::printf("\nPannes du programmateur simulé :\n");
        for (const Desc_panne& p : liste_pannes())
            std::printf("  %-20s %s\n", p.nom, p.description);
        return 0;
    }
    if (o.version) {
        std::printf("korval %s\n", KORVAL_VERSION);
        return 0;
    }

    // Port access and the drop of root come before GTK, which refuses to run set-UID.
    const Preparation_programmateur depart = prepare_programmateur(o, true);
    if (!depart.pret) {
        if (!depart.message.empty()) std::printf("%s\n", depart.message.c_str());
        return 1;
    }

    gtk_init(&argc, &argv);
    if (argc > 1) return erreur_usage(std::string("option inconnue : ") + argv[1]);
    // The windows are gone by the time an interrupted operation is reported.
    installe_gestion_signaux(
        [](const std::string& texte) { std::fprintf(stderr, "%s\n", texte.c_str()); });
    demarre_interface(o);
    gtk_main();
    if (simulateur_installe) termine_simulateur();
    return 0;
}
