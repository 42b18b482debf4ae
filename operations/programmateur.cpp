// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/programmateur.h"

#include "core/conf_port.h"
#include "core/etat.h"
#include "core/repertoire_conf.h"
#include "port/backend.h"
#include "port/backend_direct.h"
#include "port/backend_ppdev.h"
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

} // namespace

bool installe_programmateur(const Options_programmateur& o) {
    bool pret = true;
    if (o.avec_simulateur) {
        Options_simulateur s;
        s.fichier_etat = o.simulateur;
        s.puce = o.puce;
        s.pannes = o.pannes;
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

Preparation_programmateur prepare_programmateur(const Options_programmateur& o, bool avec_port) {
    if (!o.conf.empty()) force_repertoire_conf(o.conf);
    const bool direct = avec_port && !o.avec_simulateur && o.ppdev.empty();
    const int port = direct && ::getuid() == 0 ? port_des_reglages() : -1;
    if (prepare_privileges(direct, port) != 0) return {false, ""};
    if (direct && !acces_direct_permis())
        return {false, "Erreur : vous devez etre en root, ou il faut que le bit set-UID soit mis "
                       "à 1"};
    return {};
}
