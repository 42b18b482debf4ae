// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/backend_ppdev.h"

#include "core/messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

Backend_ppdev::Backend_ppdev(std::string p) : peripherique(std::move(p)) {}

Backend_ppdev::~Backend_ppdev() {
    ferme();
}

bool Backend_ppdev::ouvre(int) {
    if (fd >= 0) return true;

    const int f = ::open(peripherique.c_str(), O_RDWR | O_CLOEXEC);
    if (f < 0) {
        const int erreur = errno;
        if (erreur == ENOENT || erreur == ENODEV || erreur == ENXIO)
            message_erreur("Le port parallèle " + peripherique +
                               " n'existe pas : chargez le module ppdev (modprobe ppdev) ou "
                               "choisissez un autre port",
                           0);
        else if (erreur == EACCES || erreur == EPERM)
            message_erreur("Accès refusé à " + peripherique +
                               " : l'utilisateur doit être dans le groupe lp (puis se reconnecter)",
                           0);
        else
            message_erreur("Impossible d'ouvrir " + peripherique + " : " + std::strerror(erreur),
                           0);
        return false;
    }

    if (::ioctl(f, PPCLAIM) != 0) {
        const int erreur = errno;
        ::close(f);
        if (erreur == ENOTTY || erreur == EINVAL)
            message_erreur(peripherique + " n'est pas un port parallèle (PPCLAIM : " +
                               std::strerror(erreur) + ")",
                           0);
        else
            message_erreur("Impossible de réserver le port parallèle " + peripherique + " : " +
                               std::strerror(erreur) +
                               " (port pris par un autre programme ou par le pilote lp ?)",
                           0);
        return false;
    }
    fd = f;
    return true;
}

void Backend_ppdev::ferme() {
    if (fd < 0) return;
    ::ioctl(fd, PPRELEASE);
    ::close(fd);
    fd = -1;
}

void Backend_ppdev::ecrit_donnee(uint8_t octet) {
    if (fd < 0) return;
    unsigned char o = octet;
    ::ioctl(fd, PPWDATA, &o);
}

uint8_t Backend_ppdev::lit_etat() {
    unsigned char etat = 0xFF;
    if (fd >= 0 && ::ioctl(fd, PPRSTATUS, &etat) != 0) etat = 0xFF;
    return etat;
}

void Backend_ppdev::attend(int64_t debut_ns, int64_t duree_ns) {
    while (horloge_monotone_ns() - debut_ns < duree_ns) {}
}
