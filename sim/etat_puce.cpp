// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim/etat_puce.h"

#include "core/messages.h"
#include "core/sauvegarde.h"
#include "core/texte.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The file is not loaded and must not be replaced: the user is told how to start a new chip.
Chargement_etat refuse(const std::string& raison, const Modele_puce& puce) {
    message_erreur(raison + " : il n'est ni chargé ni modifié. Pour simuler une puce " +
                       puce.description().nom +
                       " neuve, donnez un autre nom de fichier à --simulateur.",
                   0);
    return Chargement_etat::refuse;
}

void impossible_d_enregistrer(const std::string& chemin, int erreur) {
    message_erreur("Impossible d'enregistrer l'état de la puce simulée dans " + chemin + " : " +
                       std::strerror(erreur),
                   0);
}

} // namespace

std::string nom_puce_etat(const std::string& texte) {
    static const std::string entete = "; puce ";
    if (texte.compare(0, entete.size(), entete) != 0) return "";
    std::size_t fin = texte.find_first_of("\r\n", entete.size());
    std::string nom = texte.substr(entete.size(), fin == std::string::npos ? std::string::npos
                                                                           : fin - entete.size());
    while (!nom.empty() && (nom.back() == ' ' || nom.back() == '\t')) nom.pop_back();
    return nom;
}

Chargement_etat charge_etat_puce(Modele_puce& puce, const std::string& chemin) {
    std::error_code ec;
    fs::file_status st = fs::status(chemin, ec);
    if (st.type() == fs::file_type::not_found) return Chargement_etat::absent;

    // A chip's state is a few hundred KiB at most: the settings readers' cap applies.
    const std::optional<std::string> texte = lit_fichier_texte(chemin);
    if (!texte)
        return refuse("Impossible de lire le fichier d'état " + chemin +
                          " (pas un fichier ordinaire, illisible, ou de plus de 4 Mio)",
                      puce);
    return charge_etat_puce_texte(puce, *texte, chemin);
}

Chargement_etat charge_etat_puce_texte(Modele_puce& puce, const std::string& texte,
                            const std::string& chemin) {
    const std::string& attendu = puce.description().nom;
    std::string nom = nom_puce_etat(texte);
    if (nom.empty()) return refuse("Le fichier d'état " + chemin + " ne nomme aucune puce", puce);
    if (nom != attendu)
        return refuse("Le fichier d'état " + chemin + " est celui d'une " + nom + ", pas d'une " +
                          attendu,
                      puce);
    std::string vierge = puce.etat_hex();
    if (!puce.charge_etat_hex(texte)) {
        // The model may have taken part of the text before giving up.
        puce.charge_etat_hex(vierge);
        return refuse("Le fichier d'état " + chemin + " est illisible", puce);
    }
    return Chargement_etat::charge;
}

namespace {

// The lock beside the file that chemin names once links are followed (also a link to a file not
// made yet), so that every path to one state file ("./x", a link, another directory's "../")
// takes the same lock.
std::string verrou_de(const std::string& chemin) {
    const std::string cible = suit_liens(chemin);
    std::error_code ec;
    const fs::path reel = fs::weakly_canonical(cible, ec);
    return (ec ? cible : reel.string()) + ".verrou";
}

} // namespace

std::unique_ptr<Verrou_etat> Verrou_etat::prend(const std::string& chemin) {
    const std::string verrou = verrou_de(chemin);
    // A holder that ends removes the lock file before unlocking it: a lock taken on a file that
    // is no longer at its path is worth nothing, and the new one is tried.
    for (int essai = 0; essai < 100; ++essai) {
        int fd = ::open(verrou.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            impossible_d_enregistrer(chemin, errno);
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int erreur = errno;
            ::close(fd);
            if (erreur != EWOULDBLOCK) {
                impossible_d_enregistrer(chemin, erreur);
                return nullptr;
            }
            message_erreur("Le fichier d'état " + chemin +
                               " est déjà employé par un autre korval ou korval-cli : attendez "
                               "la fin de son opération, ou donnez un autre nom de fichier à "
                               "--simulateur.",
                           0);
            return nullptr;
        }
        struct stat ouvert, present;
        if (::fstat(fd, &ouvert) == 0 && ::stat(verrou.c_str(), &present) == 0 &&
            ouvert.st_dev == present.st_dev && ouvert.st_ino == present.st_ino)
            return std::unique_ptr<Verrou_etat>(new Verrou_etat(fd, chemin, verrou));
        ::close(fd);
    }
    impossible_d_enregistrer(chemin, EAGAIN);
    return nullptr;
}

Verrou_etat::Verrou_etat(int f, std::string chemin, std::string verrou)
    : fd(f), chemin_etat(std::move(chemin)), chemin_verrou(std::move(verrou)) {}

Verrou_etat::~Verrou_etat() {
    ::unlink(chemin_verrou.c_str());
    ::close(fd);
}

bool sauve_etat_puce(const Modele_puce& puce, const std::string& chemin) {
    const int erreur = sauvegarde_fichier(chemin, puce.etat_hex());
    if (erreur != 0)
        message_erreur("Impossible d'enregistrer l'état de la puce simulée dans " + chemin + " : " +
                           std::strerror(erreur),
                       0);
    return erreur == 0;
}
