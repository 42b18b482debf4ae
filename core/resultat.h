// SPDX-License-Identifier: GPL-2.0-or-later
// The result of code that can fail with a message for the user: a value, or the message that says
// what went wrong and where. Resultat<> holds only the message. The algorithms and protocols
// keep their 0/-1 and report through message_erreur.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

// A failure, converted into any Resultat: return echec("...").
struct Echec {
    std::string message;
};

inline Echec echec(std::string message) {
    return {std::move(message)};
}

template <class T = void> class [[nodiscard]] Resultat {
  public:
    Resultat(T valeur) : etat(std::in_place_index<0>, std::move(valeur)) {}
    Resultat(Echec e) : etat(std::in_place_index<1>, std::move(e.message)) {}

    bool reussi() const { return etat.index() == 0; }
    explicit operator bool() const { return reussi(); }
    // The value; only when reussi().
    T& valeur() { return std::get<0>(etat); }
    const T& valeur() const { return std::get<0>(etat); }
    // The message; only when !reussi().
    const std::string& message() const { return std::get<1>(etat); }

  private:
    std::variant<T, std::string> etat;
};

template <> class [[nodiscard]] Resultat<void> {
  public:
    Resultat() = default;
    Resultat(Echec e) : erreur(std::move(e.message)) {}

    bool reussi() const { return !erreur; }
    explicit operator bool() const { return reussi(); }
    const std::string& message() const { return *erreur; }

  private:
    std::optional<std::string> erreur;
};
