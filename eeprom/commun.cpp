// SPDX-License-Identifier: GPL-2.0-or-later
#include "eeprom/commun.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/genre_puce.h"
#include "core/messages.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

#include <algorithm>
#include <cstdio>
#include <string>

int bits_adresse_serie(int taille) {
    if (taille <= 128) return 7;
    if (taille <= 512) return 9;
    return 11;
}

int bits_adresse_SPI(int taille) {
    if (taille <= 256) return 8;
    if (taille <= 512) return 9;
    return 16;
}

int portee_I2C(int algo) {
    const Faits_genre* g = faits_genre(algo);
    if (!g || g->bus != Bus_eeprom::i2c) return 0;
    // One address byte and three block bits in the control byte, or two address bytes.
    return g->octets_adresse == 2 ? 65536 : 2048;
}

int portee_serie(int w) {
    // The write enable command needs w >= 2; 11 bits already cover the largest 93xx part.
    if (w < 2 || w > 16) return 0;
    return std::min(1 << w, 2048);
}

int portee_SPI(int p) {
    if (p == 9) return 512;
    if ((p & 0x18) == 8) return 256;
    if ((p & 0x18) == 16) return 65536;
    return 0;
}

void eeprom_erreur() {
    message_erreur("Une erreur est survenue lors de la communication avec l'eeprom", 0);
    Power_off();
}

namespace eeprom_interne {

const Desc_PIC* composant_accepte(int portee) {
    const Desc_PIC* p = pic_courant();
    if (!p) {
        message_erreur("Aucun composant n'est sélectionné : rien n'a été fait sur l'eeprom", 0);
        return nullptr;
    }
    if (portee <= 0) {
        message_erreur("L'adressage de l'eeprom " + p->nom + " n'est pas connu : rien n'a été fait",
                       0);
        return nullptr;
    }
    if (p->taille_donnee > portee) {
        message_erreur("L'eeprom " + p->nom + " a " + std::to_string(p->taille_donnee) +
                           " octets, mais son adressage n'en atteint que " +
                           std::to_string(portee) + " : rien n'a été fait",
                       0);
        return nullptr;
    }
    return p;
}

bool lignes_serie_presentes() {
    if (c_u.l[L_SELECT].masque != 0 && c_u.l[L_DATA_93].masque != 0) return true;
    message_erreur("Ce programmateur n'a pas de ligne SELECT ou DATA 93xx : les EEPROM Microwire "
                   "et SPI ne peuvent pas être programmées",
                   0);
    return false;
}

void erreur_verification(int a, int envoye, int recu) {
    char texte[128];
    std::snprintf(texte, sizeof texte, "EEPROM : Adresse %X, Donnee envoyée %X, Donnée reçue %X",
                  static_cast<unsigned>(a), static_cast<unsigned>(envoye) & 0xFFu,
                  static_cast<unsigned>(recu) & 0xFFu);
    message_erreur(texte, 0);
    Power_off();
}

int premiere_adresse() {
    return std::max(le_data_deb, 0);
}

int derniere_adresse(int portee) {
    const Desc_PIC* p = pic_courant();
    if (!p) return -1;
    return std::min({le_data_fin, p->taille_donnee - 1, portee - 1});
}

bool dans_plage(int a, int portee) {
    const Desc_PIC* p = pic_courant();
    return p && a <= le_data_fin && a < p->taille_donnee && a < portee;
}

void progression(int a, int n, Sorte_progression kind) {
    int k = a + 1;
    int pas = std::max(n / 100 + 1, 1);
    if (k % pas == 0) gestion_bar(k, n, kind);
}

void affiche(const char* texte) {
    std::fputs(texte, sortie_console());
    std::fflush(sortie_console());
}

const char* const ACK_ADRESSE1 = "Un problème avec l'ack pour l'addresse1\n";
const char* const ACK_ADRESSE2 = "Un problème avec l'ack pour l'addresse2\n";
const char* const ACK_ADRESSE3 = "Un problème avec l'ack pour l'addresse3\n";
const char* const ACK_DONNEES = "Un problème avec l'ack pour les donnees\n";

bool adresse_2_octets_I2C() {
    const Desc_PIC* p = pic_courant();
    const Faits_genre* g = p ? faits_genre(*p) : nullptr;
    return g && g->octets_adresse == 2;
}

int controle_ecriture(bool deux_octets, int a) {
    return deux_octets ? 0xA0 : 0xA0 | ((a >> 7) & 0x0E);
}

int controle_lecture(bool deux_octets, int a) {
    return deux_octets ? 0xA1 : 0xA0 + ((a >> 7) | 1);
}

const char* phase_adresse_I2C(const Bus_I2C& bus, int a, bool stop_avant) {
    const bool deux_octets = adresse_2_octets_I2C();
    bool acquitte = false;
    for (int essai = 0; essai < ESSAIS_ACK && !acquitte; ++essai) {
        if (stop_avant) I2C_bit_stop();
        I2C_bit_start();
        bus.envoie(controle_ecriture(deux_octets, a));
        acquitte = bus.ack() == 0;
    }
    if (!acquitte) return ACK_ADRESSE1;
    if (deux_octets) {
        bus.envoie((a >> 8) & 0xFF);
        if (bus.ack() != 0) return ACK_ADRESSE2;
    }
    bus.envoie(a & 0xFF);
    if (bus.ack() != 0) return ACK_ADRESSE2;
    return nullptr;
}

void echec_I2C(const char* texte) {
    affiche(texte);
    eeprom_erreur();
}

bool debut_lecture_I2C(const Bus_I2C& bus, int a, bool stop_avant) {
    if (const char* erreur = phase_adresse_I2C(bus, a, stop_avant)) {
        echec_I2C(erreur);
        return false;
    }
    I2C_bit_start();
    bus.envoie(controle_lecture(adresse_2_octets_I2C(), a));
    if (bus.ack() != 0) {
        echec_I2C(ACK_ADRESSE3);
        return false;
    }
    return true;
}

} // namespace eeprom_interne
