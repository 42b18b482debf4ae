// SPDX-License-Identifier: GPL-2.0-or-later
#include "hex/entree.h"

#include "core/messages.h"

#include <cerrno>
#include <ios>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Tampon_entree::~Tampon_entree() {
    if (possede) ::close(fd);
}

Tampon_entree::int_type Tampon_entree::underflow() {
    ssize_t n;
    do {
        n = ::read(fd, tampon, sizeof tampon);
    } while (n < 0 && errno == EINTR);
    // istream turns the exception into badbit.
    if (n < 0)
        throw std::ios_base::failure("lecture", std::error_code(errno, std::system_category()));
    if (n == 0) return traits_type::eof();
    setg(tampon, tampon, tampon + n);
    return traits_type::to_int_type(tampon[0]);
}

Entree_fichier::Entree_fichier(const std::string& chemin) : std::istream(nullptr) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0) {
        setstate(std::ios_base::failbit);
        return;
    }
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        setstate(std::ios_base::failbit);
        return;
    }
    tampon = std::make_unique<Tampon_entree>(fd, true);
    rdbuf(tampon.get());
}

Entree_fichier::Entree_fichier(int fd) : std::istream(nullptr) {
    tampon = std::make_unique<Tampon_entree>(fd, false);
    rdbuf(tampon.get());
}

std::unique_ptr<Memoire_PIC>
lit_chemin(const std::string& chemin, bool& illisible,
           const std::function<std::unique_ptr<Memoire_PIC>(std::istream&)>& lit) {
    Entree_fichier f(chemin);
    if (!f.ouverte()) {
        message_erreur("Un problème est survenue \npendant l'ouverture du fichier " + chemin + "\n",
                       0);
        illisible = true;
        return std::make_unique<Memoire_PIC>(CONFIG_VIERGE_LECTURE);
    }
    auto m = lit(f);
    if (illisible)
        message_erreur("Un problème est survenu pendant la lecture du fichier " + chemin, 0);
    return m;
}
