#include "eeprom/commun.h"

#include "core/etat.h"
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
    if (algo == -1) return 2048;
    if (algo == -2) return 65536;
    return 0;
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

int premiere_adresse() {
    return std::max(le_data_deb, 0);
}

bool dans_plage(int a, int portee) {
    const Desc_PIC* p = pic_courant();
    return p && a <= le_data_fin && a < p->taille_donnee && a < portee;
}

void progression(int a, int n, int kind) {
    int k = a + 1;
    int pas = std::max(n / 100 + 1, 1);
    if (k % pas == 0) gestion_bar(k, n, kind);
}

void affiche(const char* texte) {
    std::fputs(texte, sortie_console());
    std::fflush(sortie_console());
}

} // namespace eeprom_interne
