// SPDX-License-Identifier: GPL-2.0-or-later
// An input opened once and read as a stream: a file (not a directory), or a descriptor such as
// standard input. A read error sets the stream's badbit.
#pragma once

#include "core/memoire.h"

#include <functional>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

class Tampon_entree : public std::streambuf {
  public:
    Tampon_entree(int descripteur, bool a_fermer) : fd(descripteur), possede(a_fermer) {}
    ~Tampon_entree() override;
    Tampon_entree(const Tampon_entree&) = delete;
    Tampon_entree& operator=(const Tampon_entree&) = delete;

  protected:
    int_type underflow() override;

  private:
    int fd;
    bool possede;
    char tampon[65536];
};

class Entree_fichier : public std::istream {
  public:
    // Opens chemin for reading; ouverte() is false when it cannot be opened or is a directory.
    explicit Entree_fichier(const std::string& chemin);
    // Reads descriptor fd, which stays open.
    explicit Entree_fichier(int fd);

    bool ouverte() const { return tampon != nullptr; }

  private:
    std::unique_ptr<Tampon_entree> tampon;
};

// Configuration word of a read image, as the file readers give it (ten one bits).
constexpr uint16_t CONFIG_VIERGE_LECTURE = 0x03FF;

// Opens chemin and reads it with lit, which sets illisible when the stream fails. A file that
// cannot be opened gives a blank image and sets illisible; either failure posts one message.
std::unique_ptr<Memoire_PIC>
lit_chemin(const std::string& chemin, bool& illisible,
           const std::function<std::unique_ptr<Memoire_PIC>(std::istream&)>& lit);
