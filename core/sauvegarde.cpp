// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/sauvegarde.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string repertoire_de(const std::string& chemin) {
    const std::size_t barre = chemin.find_last_of('/');
    if (barre == std::string::npos) return ".";
    return barre == 0 ? "/" : chemin.substr(0, barre);
}

std::string nom_de(const std::string& chemin) {
    const std::size_t barre = chemin.find_last_of('/');
    return barre == std::string::npos ? chemin : chemin.substr(barre + 1);
}

// The descriptor an entry of this process's fd directory (/dev/stdout, /dev/fd/3,
// /proc/self/fd/1) stands for. Opening such a name again would start a new file position (or
// replace the file the shell opened), so the descriptor itself is written to.
std::optional<int> descripteur_du_processus(const std::string& chemin) {
    const std::string nom = nom_de(chemin);
    if (nom.empty() || nom.size() > 9 || nom.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    char* rep = ::realpath(repertoire_de(chemin).c_str(), nullptr);
    if (!rep) return std::nullopt;
    const std::string r = rep;
    std::free(rep);
    const std::string processus = "/proc/" + std::to_string(::getpid()) + "/";
    const bool fd = r.size() > 3 && r.compare(r.size() - 3, 3, "/fd") == 0;
    if (r.rfind(processus, 0) != 0 || !fd) return std::nullopt;
    return std::atoi(nom.c_str());
}

} // namespace

std::string suit_liens(std::string chemin) {
    for (int n = 0; n < 40; ++n) {
        struct stat st;
        if (::lstat(chemin.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (descripteur_du_processus(chemin)) break;
        char lu[PATH_MAX];
        const ssize_t k = ::readlink(chemin.c_str(), lu, sizeof lu);
        if (k <= 0 || static_cast<std::size_t>(k) >= sizeof lu) break;
        std::string lien(lu, static_cast<std::size_t>(k));
        chemin = lien[0] == '/' ? lien : repertoire_de(chemin) + "/" + lien;
    }
    return chemin;
}

namespace {

int ecrit_tout(int fd, std::string_view contenu) {
    const char* p = contenu.data();
    std::size_t reste = contenu.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, reste);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        reste -= static_cast<std::size_t>(n);
    }
    return 0;
}

int ferme(int fd, int erreur) {
    if (::close(fd) != 0 && erreur == 0) erreur = errno;
    return erreur;
}

// The file keeps its inode, owner and mode; not atomic, for a directory that cannot take a
// temporary file. The space is reserved first, so that a full disk leaves the file as it was.
int reecrit_sur_place(const std::string& chemin, std::string_view contenu) {
    const int fd = ::open(chemin.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    if (!contenu.empty()) {
        if (const int e = ::posix_fallocate(fd, 0, static_cast<off_t>(contenu.size())); e != 0)
            return ferme(fd, e);
    }
    int erreur = ecrit_tout(fd, contenu);
    if (erreur == 0 && ::ftruncate(fd, static_cast<off_t>(contenu.size())) != 0) erreur = errno;
    if (erreur == 0 && ::fsync(fd) != 0) erreur = errno;
    return ferme(fd, erreur);
}

mode_t mode_par_defaut() {
    const mode_t masque = ::umask(0);
    ::umask(masque);
    return 0666 & ~masque;
}

void synchronise_repertoire(const std::string& rep) {
    const int fd = ::open(rep.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

Sauvegarde_progressive::Sauvegarde_progressive(const std::string& chemin, int mode_nouveau) {
    if (chemin.empty()) {
        erreur = ENOENT;
        return;
    }
    if (const auto d = descripteur_du_processus(chemin)) {
        fd = *d;
        return;
    }
    cible = suit_liens(chemin);
    if (const auto d = descripteur_du_processus(cible)) {
        fd = *d;
        return;
    }

    struct stat st;
    const bool existe = ::stat(cible.c_str(), &st) == 0;
    if (!existe && errno != ENOENT) {
        erreur = errno;
        return;
    }
    if (existe && S_ISDIR(st.st_mode)) {
        erreur = EISDIR;
        return;
    }
    if (existe && !S_ISREG(st.st_mode)) {
        // Devices and FIFOs: written to, never replaced or truncated.
        fd = ::open(cible.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) erreur = errno;
        proprietaire = true;
        return;
    }
    if (existe && ::faccessat(AT_FDCWD, cible.c_str(), W_OK, AT_EACCESS) != 0) {
        erreur = errno;
        return;
    }
    ouvre_temporaire(existe ? &st : nullptr, mode_nouveau);
}

void Sauvegarde_progressive::ouvre_temporaire(const struct stat* ancien, int mode_nouveau) {
    const bool existe = ancien != nullptr;
    temp = repertoire_de(cible) + "/." + nom_de(cible) + ".XXXXXX";
    fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        erreur = errno;
        temp.clear();
        if (existe && (erreur == EACCES || erreur == EPERM)) {
            erreur = 0;
            sur_place = true;
        }
        return;
    }
    proprietaire = true;
    if (existe) {
        struct stat t;
        if (::fstat(fd, &t) == 0 && (t.st_uid != ancien->st_uid || t.st_gid != ancien->st_gid) &&
            ::fchown(fd, ancien->st_uid, ancien->st_gid) != 0) {
            // Only an in-place rewrite keeps the owner.
            abandonne();
            sur_place = true;
            return;
        }
    }
    const mode_t mode = existe              ? ancien->st_mode & 07777
                        : mode_nouveau >= 0 ? static_cast<mode_t>(mode_nouveau)
                                            : mode_par_defaut();
    if (::fchmod(fd, mode) != 0) erreur = errno;
}

Sauvegarde_progressive::~Sauvegarde_progressive() {
    abandonne();
}

void Sauvegarde_progressive::abandonne() {
    if (proprietaire && fd >= 0) ::close(fd);
    if (!temp.empty()) ::unlink(temp.c_str());
    fd = -1;
    proprietaire = false;
    temp.clear();
}

int Sauvegarde_progressive::ecrit(std::string_view contenu) {
    if (erreur != 0) return erreur;
    if (sur_place)
        retenu.append(contenu);
    else
        erreur = ecrit_tout(fd, contenu);
    return erreur;
}

int Sauvegarde_progressive::termine() {
    if (erreur != 0) {
        abandonne();
        return erreur;
    }
    if (sur_place) return erreur = reecrit_sur_place(cible, retenu);
    if (temp.empty()) {
        // Written in place: a descriptor of this process stays open, a device is closed.
        if (proprietaire) {
            erreur = ferme(fd, 0);
            proprietaire = false;
        }
        fd = -1;
        return erreur;
    }
    if (::fsync(fd) != 0) erreur = errno;
    erreur = ferme(fd, erreur);
    proprietaire = false;
    fd = -1;
    if (erreur == 0 && std::rename(temp.c_str(), cible.c_str()) != 0) erreur = errno;
    if (erreur != 0) {
        abandonne();
        return erreur;
    }
    temp.clear();
    synchronise_repertoire(repertoire_de(cible));
    return 0;
}

int sauvegarde_fichier(const std::string& chemin, std::string_view contenu, int mode_nouveau) {
    Sauvegarde_progressive s(chemin, mode_nouveau);
    s.ecrit(contenu);
    return s.termine();
}

std::optional<int> descripteur_designe(const std::string& chemin) {
    if (const auto fd = descripteur_du_processus(chemin)) return fd;
    return descripteur_du_processus(suit_liens(chemin));
}
