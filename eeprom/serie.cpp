// SPDX-License-Identifier: GPL-2.0-or-later
// Microwire (93xx, x8) EEPROMs, one command per byte (one sequential READ in the fast mode), each
// byte written read back, and the erase of the whole array; the bit primitives serve SPI as well.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "eeprom/commun.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

#include <string>
#include <vector>

using namespace eeprom_interne;

namespace {

constexpr int IMPULSIONS_PRET = 10000;

// Fresh deselect and select; the rising clock takes the start bit.
void debut_commande() {
    data_a_1();
    s_a_0();
    clock_a_0();
    attente(1);
    data_93_a_1();
    s_a_1();
    attente(1);
    clock_a_1();
    attente(1);
}

// Deselect, then a clock pulse with the chip deselected.
void fin_commande() {
    s_a_0();
    attente(1);
    clock_a_0();
    attente(1);
    clock_a_1();
    attente(1);
}

// Clock pulses until DO reads 1; false when it still reads 0 after the last one.
bool attend_pret() {
    int impulsions = 0;
    while (get_b_data() == 0) {
        if (impulsions == IMPULSIONS_PRET) return false;
        clock_a_0();
        attente(1);
        clock_a_1();
        attente(1);
        ++impulsions;
    }
    return true;
}

// READ command of address a up to the clock that brings out the first data bit. A chip that took
// the whole address drives its dummy 0 on DO before that clock; a 1 there is an empty socket or a
// chip with a longer address (reported, supply off).
bool commande_lecture(int a, int w) {
    debut_commande();
    envoie_serie(2, 2);
    envoie_serie(a, w);
    data_93_a_0();
    clock_a_0();
    attente(1);
    const bool muette = get_b_data() != 0;
    clock_a_1();
    attente(1);
    if (!muette) return true;
    fin_commande();
    message_erreur("EEPROM : pas de réponse de la puce (pas de bit 0 après l'adresse " +
                       std::to_string(a) + ") : support vide ou mauvais composant",
                   0);
    Power_off();
    return false;
}

// READ of address a: the byte, or -1 after a silent chip (reported, supply off).
int lit_octet(int a, int w) {
    if (!commande_lecture(a, w)) return -1;
    const uint8_t octet = recoit_serie();
    fin_commande();
    return octet;
}

// One READ of premiere..derniere: after the first byte the chip sends the next ones without a
// dummy bit while the clock runs. False after a silent chip (reported, supply off).
bool lit_suite(uint8_t* tampon, int premiere, int derniere, int w, int n, Sorte_progression kind) {
    if (premiere > derniere) return true;
    if (!commande_lecture(premiere, w)) return false;
    for (int a = premiere; a <= derniere; ++a) {
        tampon[a] = recoit_serie();
        if (kind != sans_progression) progression(a, n, kind);
    }
    fin_commande();
    return true;
}

// Every byte from premiere while dans_la_plage(a) holds into tampon (the fast mode takes the
// range once, up to derniere), by one sequential READ in the fast mode or one READ per byte.
// False after a silent chip (reported, supply off).
template <class Plage>
bool lit_plage(uint8_t* tampon, int premiere, int derniere, Plage dans_la_plage, int w, int n) {
    if (eeprom_rapide != 0) return lit_suite(tampon, premiere, derniere, w, n, lecture_donnees);
    for (int a = premiere; dans_la_plage(a); ++a) {
        const int octet = lit_octet(a, w);
        if (octet < 0) return false;
        tampon[a] = static_cast<uint8_t>(octet);
        progression(a, n, lecture_donnees);
    }
    return true;
}

// Deselecting after a programming command starts the self-timed cycle; selecting again shows
// busy/ready on DO, polled until ready. False when the chip stays busy (reported, supply off).
bool programme_et_attend() {
    clock_a_0();
    data_93_a_0();
    attente(1);
    s_a_0();
    attente(1);
    s_a_1();
    attente(1);
    clock_a_1();
    attente(1);
    if (!attend_pret()) {
        affiche("erreur : serie toujours busy\n");
        eeprom_erreur();
        return false;
    }
    fin_commande();
    return true;
}

} // namespace

int envoie_serie(int valeur, int nb_bits) {
    unsigned bits = static_cast<unsigned>(valeur) & 0xFFFF;
    for (int i = nb_bits - 1; i >= 0; --i) {
        clock_a_0();
        if (i < 16 && ((bits >> i) & 1))
            data_93_a_1();
        else
            data_93_a_0();
        attente(1);
        clock_a_1();
        attente(1);
    }
    return nb_bits;
}

uint8_t recoit_serie() {
    data_a_1();
    int valeur = 0;
    for (int i = 0; i < 8; ++i) {
        valeur <<= 1;
        clock_a_0();
        attente(1);
        int bit = get_b_data();
        clock_a_1();
        attente(1);
        valeur += bit;
    }
    return static_cast<uint8_t>(valeur);
}

void enable_write_serie(int w) {
    debut_commande();
    envoie_serie(3, 4);
    envoie_serie(0, w - 2);
    data_93_a_0();
    attente(1);
    s_a_0();
    attente(1);
}

void disable_write_serie(int w) {
    data_a_1();
    s_a_1();
    attente(1);
    clock_a_0();
    attente(1);
    data_93_a_1();
    attente(1);
    clock_a_1();
    attente(1);
    envoie_serie(0, 4);
    envoie_serie(0, w - 2);
    s_a_0();
    attente(1);
}

uint8_t* Lire_EEPROM_serie(uint8_t* tampon, int w) {
    int portee = portee_serie(w);
    const Desc_PIC* p = composant_accepte(portee);
    if (!p || !lignes_serie_presentes()) return nullptr;
    int n = p->taille_donnee;
    init_port();
    Power_on();
    const auto dans_la_plage = [portee](int a) { return dans_plage(a, portee); };
    if (!lit_plage(tampon, premiere_adresse(), derniere_adresse(portee), dans_la_plage, w, n))
        return nullptr;
    Power_off();
    return tampon;
}

int Charge_EEPROM_serie(const uint8_t* source, int w) {
    int portee = portee_serie(w);
    const Desc_PIC* p = composant_accepte(portee);
    if (!p || !lignes_serie_presentes()) return -1;
    int n = p->taille_donnee;
    init_port();
    Power_on();
    enable_write_serie(w);
    for (int a = premiere_adresse(); dans_plage(a, portee); ++a) {
        debut_commande();
        envoie_serie(1, 2);
        envoie_serie(a, w);
        envoie_serie(source[a], 8);
        if (!programme_et_attend()) return -1;
        const int relu = lit_octet(a, w);
        if (relu < 0) return -1;
        if (relu != source[a]) {
            erreur_verification(a, source[a], relu);
            return -1;
        }
        progression(a, n, ecriture_donnees);
    }
    disable_write_serie(w);
    Power_off();
    return 0;
}

int Efface_EEPROM_serie(int w) {
    const int portee = portee_serie(w);
    const Desc_PIC* p = composant_accepte(portee);
    if (!p || !lignes_serie_presentes()) return -1;
    const int n = p->taille_donnee;
    init_port();
    Power_on();
    enable_write_serie(w);
    // ERAL: 0, 0, then 1, 0 and w - 2 zero bits.
    debut_commande();
    envoie_serie(0, 2);
    envoie_serie(2 << (w - 2), w);
    if (!programme_et_attend()) return -1;
    disable_write_serie(w);
    std::vector<uint8_t> relu(static_cast<std::size_t>(n), 0);
    if (!lit_plage(
            relu.data(), 0, n - 1, [n](int a) { return a < n; }, w, n))
        return -1;
    for (int a = 0; a < n; ++a) {
        if (relu[static_cast<std::size_t>(a)] != 0xFF) {
            erreur_verification(a, 0xFF, relu[static_cast<std::size_t>(a)]);
            return -1;
        }
    }
    Power_off();
    return 0;
}
