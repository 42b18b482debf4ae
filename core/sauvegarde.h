// SPDX-License-Identifier: GPL-2.0-or-later
// Saving a whole file so that a failure never leaves half of it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct stat;

// Replaces the file at chemin by contenu. Returns 0, or the errno value of the step that failed
// (the old file is then as it was, except after an in-place rewrite that failed half-way for
// another reason than space: the space is reserved before the first byte is written).
//  - A symbolic link is followed: the file it names is saved and the link stays.
//  - A regular file (or a new one) is written to a temporary file in its directory, synced and
//    renamed over it; an existing file keeps its mode and, where possible, its owner. A new file
//    gets mode_nouveau, or 0666 less the umask when it is negative.
//  - A regular file that is writable in a directory that is not is rewritten in place.
//  - Anything else (/dev/stdout, a FIFO, a terminal) is written to directly, never replaced.
int sauvegarde_fichier(const std::string& chemin, std::string_view contenu, int mode_nouveau = -1);

// The same, the contents given piece by piece: the file is put in place by termine (or left as
// it was when anything failed or termine is never called). For a file rewritten in place the
// pieces are kept in memory until then.
class Sauvegarde_progressive {
  public:
    explicit Sauvegarde_progressive(const std::string& chemin, int mode_nouveau = -1);
    ~Sauvegarde_progressive();
    Sauvegarde_progressive(const Sauvegarde_progressive&) = delete;
    Sauvegarde_progressive& operator=(const Sauvegarde_progressive&) = delete;

    // 0, or the errno value of the first failure (nothing more is written after it).
    int ecrit(std::string_view contenu);
    int termine();
    int echec() const { return erreur; }

  private:
    void abandonne();
    // The temporary file beside cible, with the owner and mode of ancien (null: a new file).
    void ouvre_temporaire(const struct stat* ancien, int mode_nouveau);

    int fd = -1;
    bool proprietaire = false; // fd is closed here
    bool sur_place = false;
    int erreur = 0;
    std::string cible, temp, retenu;
};

// Follows symbolic links to the file they name (which may not exist yet). Stops at an entry of
// the fd directory, whose "link" is no path.
std::string suit_liens(std::string chemin);

// The descriptor of this process that chemin names, links followed (/dev/stdout, /dev/fd/3,
// /proc/self/fd/1), open or not; none for any other path.
std::optional<int> descripteur_designe(const std::string& chemin);
