#include "operations/programmateur.h"

#include "core/etat.h"
#include "port/backend.h"
#include "port/backend_direct.h"
#include "port/backend_ppdev.h"
#include "port/trace_vcd.h"
#include "sim/simulateur.h"

#include <memory>

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
