// SPDX-License-Identifier: GPL-2.0-or-later
// Fast I2C transfers: page writes with acknowledge polling, each page read back with one
// sequential read. The bits go at the bus's fast rate: the clock's high and low times are one or
// two port accesses, plus val_tempo.
#include "core/catalogue.h"
#include "eeprom/commun.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

#include <algorithm>
#include <array>
#include <vector>

using namespace eeprom_interne;

namespace {

void envoie_rapide(int octet) {
    envoie_bits_I2C(octet, 0);
}

// Ninth clock with SDA released: 0 when the chip acknowledged, known after vide_lignes().
Lecture_differee demande_ack_rapide() {
    clock_a_0();
    data_a_1();
    attente(0);
    clock_a_1();
    attente(0);
    return demande_b_data();
}

int ack_rapide() {
    const Lecture_differee ack = demande_ack_rapide();
    vide_lignes();
    return niveau_lu(ack);
}

using Octet_differe = std::array<Lecture_differee, 8>;

// SDA released, 8 bits read with the clock high, then the master's ACK (more bytes wanted) or
// NACK on the ninth clock. The bits are known after vide_lignes().
Octet_differe recoit_rapide(bool encore) {
    clock_a_0();
    data_a_1();
    Octet_differe bits;
    for (Lecture_differee& bit : bits) {
        clock_a_0();
        attente(0);
        clock_a_1();
        attente(0);
        bit = demande_b_data();
    }
    clock_a_0();
    if (encore) data_a_0();
    attente(0);
    clock_a_1();
    attente(0);
    return bits;
}

uint8_t octet_lu(const Octet_differe& bits) {
    int valeur = 0;
    for (Lecture_differee bit : bits) valeur = (valeur << 1) | niveau_lu(bit);
    return static_cast<uint8_t>(valeur);
}

// Bytes of a sequential read resolved together: one transfer per block on a queuing adapter.
constexpr int octets_par_bloc = 256;

const Bus_I2C bus_rapide = {envoie_rapide, ack_rapide};

} // namespace

namespace eeprom_interne {

bool lit_suite_I2C(uint8_t* tampon, int premiere, int derniere, int n, Sorte_progression kind) {
    if (premiere > derniere) return true;
    if (!debut_lecture_I2C(bus_rapide, premiere, false)) return false;
    // The chip's pointer runs over the whole array, across the blocks of the 1-byte-address parts.
    std::vector<Octet_differe> bloc;
    for (int debut = premiere; debut <= derniere; debut += octets_par_bloc) {
        const int fin = std::min(derniere, debut + octets_par_bloc - 1);
        bloc.clear();
        for (int a = debut; a <= fin; ++a) {
            bloc.push_back(recoit_rapide(a < derniere));
            if (kind != sans_progression) progression(a, n, kind);
        }
        vide_lignes();
        for (int a = debut; a <= fin; ++a)
            tampon[a] = octet_lu(bloc[static_cast<std::size_t>(a - debut)]);
    }
    I2C_bit_stop();
    return true;
}

bool ecrit_pages_I2C(const uint8_t* source, int premiere, int derniere, int n) {
    const Desc_PIC* p = pic_courant();
    if (!p) return false;
    const int page = taille_page_EEPROM(*p);
    std::vector<uint8_t> relu(static_cast<std::size_t>(std::max(derniere + 1, 0)));
    std::vector<Lecture_differee> acks;
    for (int debut = premiere; debut <= derniere;) {
        // Up to the end of the page or of the range: past it the chip would wrap in the page.
        const int fin = std::min(derniere, debut | (page - 1));
        // Control byte polled until acknowledged (the previous write cycle is over).
        if (const char* erreur = phase_adresse_I2C(bus_rapide, debut, false)) {
            echec_I2C(erreur);
            return false;
        }
        // A port reads each acknowledge at once and stops at the first refusal; a queuing
        // adapter sends the page whole and checks its acknowledges after.
        const bool par_page = lignes_differees();
        acks.clear();
        bool acquittee = true;
        for (int a = debut; a <= fin && acquittee; ++a) {
            envoie_rapide(source[a]);
            const Lecture_differee ack = demande_ack_rapide();
            if (par_page) {
                acks.push_back(ack);
                continue;
            }
            vide_lignes();
            acquittee = niveau_lu(ack) == 0;
        }
        vide_lignes();
        for (Lecture_differee ack : acks) acquittee = acquittee && niveau_lu(ack) == 0;
        if (!acquittee) {
            echec_I2C(ACK_DONNEES);
            return false;
        }
        I2C_bit_stop();
        // The read-back's address phase polls the acknowledge until the write cycle is over.
        if (!lit_suite_I2C(relu.data(), debut, fin, n, sans_progression)) return false;
        for (int a = debut; a <= fin; ++a) {
            if (relu[static_cast<std::size_t>(a)] != source[a]) {
                erreur_verification(a, source[a], relu[static_cast<std::size_t>(a)]);
                return false;
            }
            progression(a, n, ecriture_donnees);
        }
        debut = fin + 1;
    }
    return true;
}

} // namespace eeprom_interne
