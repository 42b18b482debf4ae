// An input opened once and read as a stream: a file (not a directory), or a descriptor such as
// standard input. A read error sets the stream's badbit.
#pragma once

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
