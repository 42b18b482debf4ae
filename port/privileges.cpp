#include "port/privileges.h"

#include "core/messages.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <set>
#include <string>
#include <unistd.h>

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define KORVAL_IOPERM 1
#endif

namespace {

// Ports granted in this process. A grant outlives the drop of root, and is never given back.
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
    if (ioperm(static_cast<unsigned long>(base), 8, 1) != 0) return false;
    ports_accordes.insert(base);
    return true;
#else
    errno = ENOSYS;
    return false;
#endif
}

int prepare_privileges(bool acces_direct, int port_configure) {
    uid_t ruid, euid, suid;
    gid_t rgid, egid, sgid;
    if (getresuid(&ruid, &euid, &suid) != 0) return echec_abandon("getresuid");
    if (getresgid(&rgid, &egid, &sgid) != 0) return echec_abandon("getresgid");

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

    if (euid == 0) {
        // The real user's groups, as at login; none when the user is unknown.
        const passwd* pw = getpwuid(ruid);
        if ((pw ? initgroups(pw->pw_name, rgid) : setgroups(0, nullptr)) != 0)
            return echec_abandon("setgroups");
    }
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
