// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/privileges.h"

#include "core/messages.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define KORVAL_IOPERM 1
#endif

namespace {

// The line driver writes the data register (base) and reads the status register (base + 1): the
// control register and whatever follows (0x3C0 after 0x3BC is VGA) stay closed.
constexpr unsigned long NB_PORTS_LIGNES = 2;

// Ports granted in this process. A grant outlives the drop of root; only a child about to run
// another program gives it back (abandonne_acces_ports).
std::set<int> ports_accordes;
bool root_au_depart = false;

int echec_abandon(const char* etape) {
    message_erreur(std::string("Impossible d'abandonner les droits root (") + etape +
                       ") : " + std::strerror(errno) + "\nLe programme va se terminer",
                   1);
    return -1;
}

} // namespace

bool port_accorde(int base) {
    return ports_accordes.count(base & 0xFFFF) != 0;
}

bool obtient_acces_port(int base) {
    base &= 0xFFFF;
    if (port_accorde(base)) return true;
#ifdef KORVAL_IOPERM
    if (ioperm(static_cast<unsigned long>(base), NB_PORTS_LIGNES, 1) != 0) return false;
    ports_accordes.insert(base);
    return true;
#else
    errno = ENOSYS;
    return false;
#endif
}

void abandonne_acces_ports() {
#ifdef KORVAL_IOPERM
    for (int base : ports_accordes) ioperm(static_cast<unsigned long>(base), NB_PORTS_LIGNES, 0);
#endif
}

std::vector<gid_t> groupes_du_processus() {
    for (;;) {
        const int n = getgroups(0, nullptr);
        if (n < 0) return {};
        std::vector<gid_t> groupes(static_cast<std::size_t>(n));
        const int lus = getgroups(n, groupes.data());
        if (lus >= 0) {
            groupes.resize(static_cast<std::size_t>(lus));
            return groupes;
        }
        if (errno != EINVAL) return {}; // EINVAL: the list grew in between
    }
}

int prepare_privileges(bool acces_direct, int port_configure) {
    uid_t ruid, euid, suid;
    gid_t rgid, egid, sgid;
    if (getresuid(&ruid, &euid, &suid) != 0) return echec_abandon("getresuid");
    if (getresgid(&rgid, &egid, &sgid) != 0) return echec_abandon("getresgid");
    // Set-UID leaves the caller's supplementary groups alone: they are the ones to keep.
    const std::vector<gid_t> groupes = groupes_du_processus();

    if (euid == 0) {
        root_au_depart = true;
        if (acces_direct) {
            // A refusal here is reported when the port is opened.
            for (int p : {0x278, 0x378, 0x3BC}) obtient_acces_port(p);
            if (port_configure >= 0) obtient_acces_port(port_configure);
        }
    }

    if (ruid == 0) return 0;
    if (euid == ruid && suid == ruid && egid == rgid && sgid == rgid) return 0;

    // The caller's own list, not the one the group database gives the user now (which may hold
    // groups the caller had left or not yet taken).
    if (euid == 0 && setgroups(groupes.size(), groupes.data()) != 0)
        return echec_abandon("setgroups");
    if (setresgid(rgid, rgid, rgid) != 0) return echec_abandon("setresgid");
    if (setresuid(ruid, ruid, ruid) != 0) return echec_abandon("setresuid");

    // For good: every id is the real one and root cannot come back.
    if (getresuid(&ruid, &euid, &suid) != 0 || getresgid(&rgid, &egid, &sgid) != 0)
        return echec_abandon("getresuid");
    if (euid != ruid || suid != ruid || egid != rgid || sgid != rgid) {
        errno = EPERM;
        return echec_abandon("identités");
    }
    if (setresuid(static_cast<uid_t>(-1), 0, static_cast<uid_t>(-1)) == 0) {
        errno = EPERM;
        return echec_abandon("retour à root possible");
    }
    return 0;
}

bool acces_direct_permis() {
    return root_au_depart || geteuid() == 0 || !ports_accordes.empty();
}
