// I2C (24xx) EEPROMs, one byte per transaction with acknowledge polling; each byte written is
// read back.
#include "core/catalogue.h"
#include "eeprom/commun.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

using namespace eeprom_interne;

namespace {

constexpr int ESSAIS_ACK = 10000;

const char* const ACK_ADRESSE1 = "Un problème avec l'ack pour l'addresse1\n";
const char* const ACK_ADRESSE2 = "Un problème avec l'ack pour l'addresse2\n";
const char* const ACK_ADRESSE3 = "Un problème avec l'ack pour l'addresse3\n";
const char* const ACK_DONNEES = "Un problème avec l'ack pour les donnees\n";

int algo_courant() {
    const Desc_PIC* p = pic_courant();
    return p ? p->algo : 0;
}

int portee_courante() {
    return portee_I2C(algo_courant());
}

// Two address bytes follow the control byte (24C32 and up).
bool adresse_2_octets() {
    const Faits_genre* g = faits_genre(algo_courant());
    return g && g->octets_adresse == 2;
}

// With one address byte, address bits 8..10 ride in control bits 1..3.
int controle_ecriture(bool deux_octets, int a) {
    return deux_octets ? 0xA0 : 0xA0 | ((a >> 7) & 0x0E);
}

int controle_lecture(bool deux_octets, int a) {
    return deux_octets ? 0xA1 : 0xA0 + ((a >> 7) | 1);
}

void no_ack_maitre() {
    clock_a_0();
    attente(1);
    data_a_1();
    attente(1);
    clock_a_1();
    attente(1);
}

// Control byte (polled until acknowledged) and address bytes; the failure text, or null.
const char* phase_adresse(int a, bool lecture) {
    const bool deux_octets = adresse_2_octets();
    bool acquitte = false;
    for (int essai = 0; essai < ESSAIS_ACK && !acquitte; ++essai) {
        if (deux_octets && lecture) I2C_bit_stop();
        I2C_bit_start();
        envoie_I2C(controle_ecriture(deux_octets, a));
        acquitte = Ack_I2C() == 0;
    }
    if (!acquitte) return ACK_ADRESSE1;
    if (deux_octets) {
        envoie_I2C((a >> 8) & 0xFF);
        if (Ack_I2C() != 0) return ACK_ADRESSE2;
    }
    envoie_I2C(a & 0xFF);
    if (Ack_I2C() != 0) return ACK_ADRESSE2;
    return nullptr;
}

void echec(const char* texte) {
    affiche(texte);
    eeprom_erreur();
}

// Random read of address a up to the data byte; false after a failure (reported, supply off).
bool lit_octet(int a, uint8_t& octet) {
    if (const char* erreur = phase_adresse(a, true)) {
        echec(erreur);
        return false;
    }
    I2C_bit_start();
    envoie_I2C(controle_lecture(adresse_2_octets(), a));
    if (Ack_I2C() != 0) {
        echec(ACK_ADRESSE3);
        return false;
    }
    octet = recoit_I2C();
    return true;
}

void fin_lecture() {
    no_ack_maitre();
    I2C_bit_stop();
}

} // namespace

void I2C_bit_start() {
    clock_a_0();
    attente(1);
    data_a_1();
    attente(1);
    clock_a_1();
    attente(1);
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

void envoie_I2C(int octet) {
    for (int i = 7; i >= 0; --i) {
        clock_a_0();
        if ((octet >> i) & 1)
            data_a_1();
        else
            data_a_0();
        attente(1);
        clock_a_1();
        attente(1);
    }
}

int Ack_I2C() {
    clock_a_0();
    attente(1);
    data_a_1();
    attente(1);
    clock_a_1();
    attente(1);
    return get_b_data();
}

uint8_t recoit_I2C() {
    int valeur = 0;
    for (int i = 0; i < 8; ++i) {
        valeur <<= 1;
        clock_a_0();
        attente(1);
        data_a_1();
        attente(1);
        clock_a_1();
        attente(1);
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
    for (int a = premiere_adresse(); dans_plage(a, portee_courante()); ++a) {
        if (!lit_octet(a, tampon[a])) return nullptr;
        progression(a, n, 3);
        fin_lecture();
    }
    Power_off();
    return tampon;
}

int Charge_EEPROM_I2C(const uint8_t* source) {
    const Desc_PIC* p = composant_accepte(portee_courante());
    if (!p) return -1;
    int n = p->taille_donnee;
    init_port();
    Power_on();
    for (int a = premiere_adresse(); dans_plage(a, portee_courante()); ++a) {
        if (const char* erreur = phase_adresse(a, false)) {
            echec(erreur);
            return -1;
        }
        envoie_I2C(source[a]);
        if (Ack_I2C() != 0) {
            echec(ACK_DONNEES);
            return -1;
        }
        I2C_bit_stop();
        // The read-back's address phase polls the acknowledge until the write cycle is over.
        uint8_t relu = 0;
        if (!lit_octet(a, relu)) return -1;
        fin_lecture();
        if (relu != source[a]) {
            erreur_verification(a, source[a], relu);
            return -1;
        }
        progression(a, n, 2);
    }
    // The last byte's read-back has already polled its write cycle to its end; the fixed wait
    // stays as a margin before the supply goes off.
    attente(10000);
    Power_off();
    return 0;
}
