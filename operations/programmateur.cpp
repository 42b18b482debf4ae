// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/programmateur.h"

#include "core/conf_port.h"
#include "core/etat.h"
#include "core/repertoire_conf.h"
#include "port/adaptateurs.h"
#include "port/backend.h"
#include "port/backend_direct.h"
#include "port/backend_ppdev.h"
#include "port/cablage_adaptateur.h"
#include "port/privileges.h"
#include "port/trace_vcd.h"
#include "sim/simulateur.h"

#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

// The port of the settings that start-up will read; the settings themselves are read again
// later, so the globals go back to their defaults.
int port_des_reglages() {
    std::ifstream f(chemin_conf_port_lecture());
    if (!f) return -1;
    lire_conf_port(f);
    const int port = PORT_PARA;
    valeurs_par_defaut_conf();
    return port;
}

// The adapter the settings name ("ftdi:DESCRIPTION", "gpio:CHIP"), as the options would give it.
// False when they name none.
bool adaptateur_des_reglages(Options_programmateur& o) {
    const std::string& a = adaptateur_conf;
    if (a == "ftdi" || a.starts_with("ftdi:")) {
        o.avec_ftdi = true;
        o.ftdi = a.size() > 5 ? a.substr(5) : "";
        return true;
    }
    if (a.starts_with("gpio:") && a.size() > 5) {
        o.gpio = a.substr(5);
        return true;
    }
    return false;
}

// The adapter installed last and its map, for the names of its pins.
enum class Genre_installe { port, ftdi, gpio };
Genre_installe installe = Genre_installe::port;
Cablage_adaptateur cablage_installe;

// An FTDI or GPIO adapter, wired as the settings say; null after a message.
std::unique_ptr<Backend_port> adaptateur_choisi(const Options_programmateur& o) {
    Cablage_adaptateur c;
    if (!cablage_des_reglages(o.avec_ftdi, c)) return nullptr;
    installe = o.avec_ftdi ? Genre_installe::ftdi : Genre_installe::gpio;
    cablage_installe = c;
    return o.avec_ftdi ? cree_adaptateur_ftdi(o.ftdi, c) : cree_adaptateur_gpio(o.gpio, c);
}

bool sans_choix(const Options_programmateur& o) {
    return !o.avec_simulateur && o.ppdev.empty() && !o.avec_ftdi && o.gpio.empty();
}

} // namespace

bool installe_programmateur(const Options_programmateur& options) {
    Options_programmateur o = options;
    if (sans_choix(o)) adaptateur_des_reglages(o);
    installe = Genre_installe::port;
    bool pret = true;
    if (o.avec_ftdi || !o.gpio.empty()) {
        std::unique_ptr<Backend_port> b = adaptateur_choisi(o);
        pret = b != nullptr;
        if (b) installe_backend(std::move(b));
    } else if (o.avec_simulateur) {
        Options_simulateur s;
        s.fichier_etat = o.simulateur;
        s.puce = o.puce;
        s.pannes = o.pannes;
        s.adaptateur = o.adaptateur;
        s.type_carte = type_de_prog;
        s.cablage = c_u;
        pret = installe_simulateur(s);
    } else if (!o.ppdev.empty()) {
        installe_backend(std::make_unique<Backend_ppdev>(o.ppdev));
    } else {
        installe_backend(std::make_unique<Backend_direct>());
    }
    if (pret && !o.trace.empty()) demarre_trace_vcd(o.trace);
    return pret;
}

std::string broche_programmateur(Num_ligne ligne) {
    if (installe != Genre_installe::port) {
        const Broche_adaptateur& b = cablage_installe.lignes[ligne];
        if (b.broche < 0) return "non câblée";
        return (installe == Genre_installe::ftdi ? "broche " : "ligne ") +
               texte_broche(b, installe == Genre_installe::ftdi);
    }
    std::string bits;
    for (int i = 0; i < 8; ++i)
        if (c_u.l[ligne].masque & (1u << i)) bits += (bits.empty() ? "" : "+") + std::to_string(i);
    return "bit " + bits;
}

Preparation_programmateur prepare_programmateur(const Options_programmateur& o, bool avec_port) {
    if (!o.conf.empty()) force_repertoire_conf(o.conf);
    // An adapter named by the settings needs no port either. A set-UID process reads no file of
    // the user's before it has dropped root: it asks for the port as it always did.
    Options_programmateur choix = o;
    if (sans_choix(choix) && ::geteuid() == ::getuid()) {
        std::ifstream f(chemin_conf_port_lecture());
        if (f) {
            lire_conf_port(f);
            adaptateur_des_reglages(choix);
            valeurs_par_defaut_conf();
        }
    }
    const bool direct = avec_port && sans_choix(choix);
    const int port = direct && ::getuid() == 0 ? port_des_reglages() : -1;
    if (prepare_privileges(direct, port) != 0) return {false, ""};
    if (direct && !acces_direct_permis())
        return {false, "Erreur : vous devez etre en root, ou il faut que le bit set-UID soit mis "
                       "à 1"};
    return {};
}
