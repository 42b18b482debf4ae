// SPDX-License-Identifier: GPL-2.0-or-later
// Truth checker: korval-cli run on the simulated programmer over devices, faults, commands,
// option sets and images, each run judged against the simulated chip's own contents (its state
// file loaded into a fresh chip model), never through the programmer's read.
#pragma once

#include "core/catalogue.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace verite {

// Contents of a chip or an image; -1 marks a word an image does not give.
struct Contenu {
    std::vector<int> prog;
    std::vector<int> donnees;
    std::array<int, 4> ids{-1, -1, -1, -1};
    int config = -1;
    int config2 = -1; // second configuration word of the parts that have one
};

// What the checker knows of one device: from the catalogue, the chip-kind table and the model.
struct Composant {
    Desc_PIC desc;
    bool pic = false;
    bool eprom = false;     // one-time programmable: bits only go from 1 to 0
    bool effacable = false; // the kind has an erase
    bool a_programme = false, a_donnees = false, a_id_config = false;
    int masque = 0xFF;      // implemented bits of a program word or ID
    int config_un = 0;      // configuration bits that read 1 whatever is written
    int config_lisible = 0; // configuration bits that can read 1
    int config_vierge = 0;  // configuration of a blank chip
    int config_gardee = 0;  // factory bits the chip keeps (bandgap)
    int protection = 0;     // CP, CPD, WRT bits: 0 protects
    int protection2 = 0;    // the same in the second configuration word
    int calibration = -1;   // factory word at the last program address, -1 without
    // An empty socket can be told from a blank chip: the bus answers (acknowledge, dummy bit,
    // status) or a 12-bit word cannot read 3FFF.
    bool absence_visible = true;
    // Another part in the socket shows: the Microwire dummy bit comes at another clock.
    bool autre_puce_visible = false;
    // The device ID at 2006H tells both, unless --forcer overrides it.
    bool id_composant = false;
    int normalise(int config) const { return (config | config_un) & config_lisible; }
};

// One row of option sets: extra arguments, conf_port lines replaced, and how the file is read.
struct Ligne_options {
    const char* nom;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> reglages;
    bool binaire = false;
    bool autre_puce = false;               // --puce: another device of the same kind in the socket
    std::vector<std::string> lanceur = {}; // command korval-cli runs under (timeout, ...)
};

// One row of images: how it is made for a device (pic_seulement: no meaning for an EEPROM).
struct Ligne_image {
    const char* nom;
    bool pic_seulement;
    bool deborde; // gives what the device cannot hold: past its end, or wider than its word
    Contenu (*fabrique)(const Composant& c, uint32_t graine);
};

enum class Commande { ecrire, lire, comparer, effacer, vierge };
inline constexpr std::array<const char*, 5> noms_commandes = {"ecrire", "lire", "comparer",
                                                              "effacer", "vierge"};

struct Cas {
    int composant; // index in composants()
    int panne;     // index in liste_pannes(), -1 for none
    Commande commande;
    int options; // index in lignes_options()
    int image;   // index in lignes_images()
};

struct Violation {
    std::string invariant; // "I1" .. "I7"
    std::string texte;
    std::string reproduction; // shell command
};

struct Resultat {
    int code = -1;
    std::vector<Violation> violations;
};

// The devices: from every row of the chip-kind table, the largest device of the catalogue and the
// devices whose bus or addressing variants are named below; the catalogue is read from data/.
const std::vector<Composant>& composants();
// The facts of a catalogue device.
Composant decrit_composant(const Desc_PIC& d);
// The device of the same kind put in the socket instead of d: the largest, or the smallest when
// d is the largest; d itself when its kind has no other.
const Desc_PIC& puce_voisine(const Desc_PIC& d);
const std::vector<Ligne_options>& lignes_options();
const std::vector<Ligne_image>& lignes_images();
// The image rows that apply to a device.
std::vector<int> images_pour(const Composant& c);

// The plan of runs. niveau: "produit" (every combination), "paires" (every pair of values across
// faults, commands, options and images, for every device), "echantillon" (every value at least
// once for every device), "reduit" (every value of every dimension at least once).
std::vector<Cas> plan(const std::string& niveau);

// Runs one case in dossier (created; left there with the reproduction's files).
Resultat execute(const Cas& cas, const std::string& dossier, const std::string& korval_cli);

// Text of one case: "PIC16F84 ecrire --rapide image aleatoire panne aucune".
std::string decrit(const Cas& cas);

} // namespace verite
