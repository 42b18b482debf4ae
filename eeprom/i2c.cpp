// SPDX-License-Identifier: GPL-2.0-or-later
// I2C (24xx) EEPROMs, one byte per transaction with acknowledge polling; each byte written is
// read back.
#include "core/catalogue.h"
#include "core/etat.h"
#include "eeprom/commun.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

using namespace eeprom_interne;

namespace {

int algo_courant() {
    const Desc_PIC* p = pic_courant();
    return p ? p->algo : 0;
}

int portee_courante() {
    return portee_I2C(algo_courant());
}

// One clock with SDA released: low, SDA high, high; the clock is left high.
void horloge_sda_relachee() {
    clock_a_0();
    attente(1);
    data_a_1();
    attente(1);
    clock_a_1();
    attente(1);
}

void no_ack_maitre() {
    horloge_sda_relachee();
}

// The byte-mode bit routines. A two-byte read starts each try of its address phase with a stop.
const Bus_I2C bus = {envoie_I2C, Ack_I2C};

// Random read of address a up to the data byte; false after a failure (reported, supply off).
bool lit_octet(int a, uint8_t& octet) {
    if (!debut_lecture_I2C(bus, a, adresse_2_octets_I2C())) return false;
    octet = recoit_I2C();
    return true;
}

void fin_lecture() {
    no_ack_maitre();
    I2C_bit_stop();
}

} // namespace

void I2C_bit_start() {
    horloge_sda_relachee();
    data_a_0();
    attente(1);
    clock_a_0();
    attente(1);
}

void I2C_bit_stop() {
    clock_a_0();
    attente(1);
    data_a_0();
    attente(1);
    clock_a_1();
    attente(1);
    data_a_1();
    attente(1);
}

void eeprom_interne::envoie_bits_I2C(int octet, int pause_us) {
    for (int i = 7; i >= 0; --i) {
        clock_a_0();
        if ((octet >> i) & 1)
            data_a_1();
        else
            data_a_0();
        attente(pause_us);
        clock_a_1();
        attente(pause_us);
    }
}

void envoie_I2C(int octet) {
    envoie_bits_I2C(octet, 1);
}

int Ack_I2C() {
    horloge_sda_relachee();
    return get_b_data();
}

uint8_t recoit_I2C() {
    int valeur = 0;
    for (int i = 0; i < 8; ++i) {
        valeur <<= 1;
        horloge_sda_relachee();
        valeur += get_b_data();
    }
    return static_cast<uint8_t>(valeur);
}

uint8_t* Lire_EEPROM_I2C(uint8_t* tampon) {
    const Desc_PIC* p = composant_accepte(portee_courante());
    if (!p) return nullptr;
    int n = p->taille_donnee;
    init_port();
    Power_on();
    if (eeprom_rapide != 0) {
        const int derniere = derniere_adresse(portee_courante());
        if (!lit_suite_I2C(tampon, premiere_adresse(), derniere, n, lecture_donnees))
            return nullptr;
        Power_off();
        return tampon;
    }
    for (int a = premiere_adresse(); dans_plage(a, portee_courante()); ++a) {
        if (!lit_octet(a, tampon[a])) return nullptr;
        progression(a, n, lecture_donnees);
        fin_lecture();
    }
    Power_off();
    return tampon;
}

namespace {

// One byte per transaction, each read back; false after a failure (reported, supply off).
bool ecrit_octets(const uint8_t* source, int n) {
    for (int a = premiere_adresse(); dans_plage(a, portee_courante()); ++a) {
        if (const char* erreur = phase_adresse_I2C(bus, a, false)) {
            echec_I2C(erreur);
            return false;
        }
        envoie_I2C(source[a]);
        if (Ack_I2C() != 0) {
            echec_I2C(ACK_DONNEES);
            return false;
        }
        I2C_bit_stop();
        // The read-back's address phase polls the acknowledge until the write cycle is over.
        uint8_t relu = 0;
        if (!lit_octet(a, relu)) return false;
        fin_lecture();
        if (relu != source[a]) {
            erreur_verification(a, source[a], relu);
            return false;
        }
        progression(a, n, ecriture_donnees);
    }
    return true;
}

} // namespace

int Charge_EEPROM_I2C(const uint8_t* source) {
    const Desc_PIC* p = composant_accepte(portee_courante());
    if (!p) return -1;
    int n = p->taille_donnee;
    init_port();
    Power_on();
    const bool ecrit = eeprom_rapide != 0 ? ecrit_pages_I2C(source, premiere_adresse(),
                                                            derniere_adresse(portee_courante()), n)
                                          : ecrit_octets(source, n);
    if (!ecrit) return -1;
    // The last byte's (or page's) read-back has already polled its write cycle to its end; the
    // fixed wait stays as a margin before the supply goes off.
    attente(10000);
    Power_off();
    return 0;
}
