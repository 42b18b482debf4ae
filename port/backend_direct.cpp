// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/backend_direct.h"

#include "core/messages.h"
#include "port/privileges.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define KORVAL_IOPERM 1
#endif

bool Backend_direct::ouvre(int base) {
    base &= 0xFFFF;
    if (base_ouverte == base) return true;
    base_ouverte = -1;
    if (!obtient_acces_port(base)) {
        const int erreur = errno;
        char port[8];
        std::snprintf(port, sizeof port, "%X", static_cast<unsigned>(base));
        if (erreur == EPERM || erreur == EACCES)
            message_erreur(std::string("Accès refusé au port parallèle ") + port +
                               " : lancez le programme en root",
                           0);
        else
            message_erreur(std::string("Accès refusé au port parallèle ") + port +
                               " : accès direct aux ports impossible sur ce système (" +
                               std::strerror(erreur) + ")",
                           0);
        return false;
    }
    base_ouverte = base;
    return true;
}

void Backend_direct::ecrit_donnee(uint8_t octet) {
#ifdef KORVAL_IOPERM
    if (base_ouverte >= 0) outb(octet, static_cast<unsigned short>(base_ouverte));
#else
    (void)octet;
#endif
}

uint8_t Backend_direct::lit_etat() {
#ifdef KORVAL_IOPERM
    if (base_ouverte >= 0) return inb(static_cast<unsigned short>(base_ouverte + 1));
#endif
    return 0xFF;
}

void Backend_direct::attend(int64_t debut_ns, int64_t duree_ns) {
    while (horloge_monotone_ns() - debut_ns < duree_ns) {}
}
