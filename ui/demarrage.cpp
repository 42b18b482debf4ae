// Start-up in its fixed order, the program's own options, and the two ways of ending.
#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"
#include "core/memoire.h"
#include "core/messages.h"
#include "core/repertoire_conf.h"
#include "operations/interruption.h"
#include "port/backend.h"
#include "port/port.h"
#include "port/privileges.h"
#include "sim/pannes.h"
#include "sim/simulateur.h"
#include "ui/interface.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

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

// The port of the settings that start-up will read, for the port permission asked while root.
int port_des_reglages() {
    std::ifstream f(chemin_conf_port_lecture());
    if (!f) return -1;
    lire_conf_port(f);
    const int port = PORT_PARA;
    valeurs_par_defaut_conf();
    return port;
}

void installe_port(const Options_korval& o) {
    simulateur_installe = installe_programmateur(o) && o.avec_simulateur;
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
    "  --puce NOM            composant dans le support simulé (par défaut : celui choisi)\n"
    "  --panne NOM           panne simulée (répétable, liste ci-dessous)\n"
    "  --ppdev PERIPH        port parallèle par ppdev (par exemple /dev/parport0)\n"
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
    struct Option {
        const char* nom;
        std::string* valeur;
    };
    std::string panne;
    const Option options[] = {
        {"--simulateur", &o.simulateur}, {"--puce", &o.puce}, {"--panne", &panne},
        {"--ppdev", &o.ppdev},           {"--conf", &o.conf}, {"--trace", &o.trace}};
    int garde = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const Option* trouve = nullptr;
        const char* valeur = nullptr;
        for (const Option& op : options) {
            const std::size_t n = std::strlen(op.nom);
            if (std::strcmp(a, op.nom) == 0) {
                trouve = &op;
                if (i + 1 >= argc) {
                    erreur_usage(std::string("l'option ") + op.nom + " demande une valeur");
                    return false;
                }
                valeur = argv[++i];
            } else if (std::strncmp(a, op.nom, n) == 0 && a[n] == '=') {
                trouve = &op;
                valeur = a + n + 1;
            }
            if (trouve) break;
        }
        if (!trouve) {
            argv[garde++] = argv[i];
            continue;
        }
        *trouve->valeur = valeur;
        if (trouve->valeur == &o.simulateur) o.avec_simulateur = true;
        if (trouve->valeur == &panne) o.pannes.push_back(panne);
    }
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
    // Like korval-cli: help and version on standard output, before anything else.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::signal(SIGPIPE, SIG_IGN);
            std::fputs(usage, stdout);
            std::printf("\nPannes du programmateur simulé :\n");
            for (const Desc_panne& p : liste_pannes())
                std::printf("  %-20s %s\n", p.nom, p.description);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("korval %s\n", KORVAL_VERSION);
            return 0;
        }
    }
    Options_korval o;
    if (!lit_options(argc, argv, o)) return 2;
    if (!o.conf.empty()) force_repertoire_conf(o.conf);

    // Port access and the drop of root come before GTK, which refuses to run set-UID. Only a
    // process started by root may ask for the port its settings name: a set-UID one gets the
    // three usual ports, whatever the user's own settings file says.
    const bool direct = !o.avec_simulateur && o.ppdev.empty();
    const int port = direct && getuid() == 0 ? port_des_reglages() : -1;
    if (prepare_privileges(direct, port) != 0) return 1;
    if (direct && !acces_direct_permis()) {
        std::printf(
            "Erreur : vous devez etre en root, ou il faut que le bit set-UID soit mis à 1\n");
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
