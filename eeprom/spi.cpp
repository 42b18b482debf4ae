// SPDX-License-Identifier: GPL-2.0-or-later
// SPI (25xx) EEPROMs, one write enable and one instruction per byte (per page in the fast mode);
// the status register is polled until the write cycle ends, then the byte or page is read back.
#include "core/catalogue.h"
#include "core/etat.h"
#include "eeprom/commun.h"
#include "eeprom/eeprom.h"
#include "port/port.h"

#include <algorithm>
#include <vector>

using namespace eeprom_interne;

namespace {

constexpr int ESSAIS_STATUT = 10000;

// Selects the chip and clocks the instruction's first bit (always 0).
void debut_instruction() {
    clock_a_0();
    attente(1);
    data_a_1();
    s_a_0();
    data_93_a_0();
    attente(1);
    clock_a_1();
    attente(1);
}

void fin_instruction() {
    clock_a_0();
    attente(1);
    s_a_1();
    attente(1);
}

// Last 7 bits of READ (3) or WRITE (2), address bit 8 in bit 3 when p = 9, then the address.
void instruction_adresse(int code, int a, int p) {
    envoie_serie(0, 3);
    envoie_serie(p == 9 ? (a >> 8) & 1 : 0, 1);
    envoie_serie(code, 3);
    envoie_serie(a, p & 0x18);
}

// READ of address a: instruction, address and the byte out of the chip.
uint8_t lit_octet(int a, int p) {
    debut_instruction();
    instruction_adresse(3, a, p);
    const uint8_t octet = recoit_serie();
    fin_instruction();
    return octet;
}

// One READ of premiere..derniere: the chip's pointer runs on from byte to byte.
void lit_suite(uint8_t* tampon, int premiere, int derniere, int p, int n, Sorte_progression kind) {
    if (premiere > derniere) return;
    debut_instruction();
    instruction_adresse(3, premiere, p);
    for (int a = premiere; a <= derniere; ++a) {
        tampon[a] = recoit_serie();
        if (kind != sans_progression) progression(a, n, kind);
    }
    fin_instruction();
}

int toujours_occupee() {
    affiche("erreur : SPI toujours occupée (puce absente, ou cycle d'écriture sans fin)\n");
    eeprom_erreur();
    return -1;
}

} // namespace

void enable_write_SPI() {
    s_a_1();
    debut_instruction();
    envoie_serie(6, 7);
    fin_instruction();
}

bool attend_fin_cycle_SPI() {
    for (int essai = 0; essai < ESSAIS_STATUT; ++essai) {
        debut_instruction();
        envoie_serie(5, 7);
        const uint8_t statut = recoit_serie();
        fin_instruction();
        if ((statut & 1) == 0) return true;
    }
    return false;
}

bool disable_protection_SPI() {
    // The status register only takes a write while the write-enable latch is set, and the write
    // is a self-timed cycle during which the chip ignores every other instruction.
    enable_write_SPI();
    s_a_1();
    debut_instruction();
    envoie_serie(1, 7);
    envoie_serie(0, 8);
    fin_instruction();
    return attend_fin_cycle_SPI();
}

uint8_t* Lire_EEPROM_SPI(uint8_t* tampon, int p) {
    int portee = portee_SPI(p);
    const Desc_PIC* d = composant_accepte(portee);
    if (!d || !lignes_serie_presentes()) return nullptr;
    int n = d->taille_donnee;
    init_port();
    Power_on();
    attente(1);
    s_a_1();
    attente(1);
    // A chip answers with WIP at 0; an empty socket reads all ones.
    if (!attend_fin_cycle_SPI()) {
        toujours_occupee();
        return nullptr;
    }
    if (eeprom_rapide != 0) {
        lit_suite(tampon, premiere_adresse(), derniere_adresse(portee), p, n, lecture_donnees);
    } else {
        for (int a = premiere_adresse(); dans_plage(a, portee); ++a) {
            tampon[a] = lit_octet(a, p);
            progression(a, n, lecture_donnees);
        }
    }
    Power_off();
    return tampon;
}

namespace {

// One WREN and one WRITE per page (or the part of it in the range), the status polled until the
// cycle ends, then the page read back with one READ.
int ecrit_pages(const uint8_t* source, int p, int portee, int n) {
    const Desc_PIC* d = pic_courant();
    if (!d) return -1;
    const int page = taille_page_EEPROM(*d);
    const int derniere = derniere_adresse(portee);
    std::vector<uint8_t> relu(static_cast<std::size_t>(std::max(derniere + 1, 0)));
    for (int debut = premiere_adresse(); debut <= derniere;) {
        const int fin = std::min(derniere, debut | (page - 1));
        enable_write_SPI();
        debut_instruction();
        instruction_adresse(2, debut, p);
        for (int a = debut; a <= fin; ++a) envoie_serie(source[a], 8);
        clock_a_0();
        attente(1);
        s_a_1();
        attente(1);
        if (!attend_fin_cycle_SPI()) return toujours_occupee();
        lit_suite(relu.data(), debut, fin, p, n, sans_progression);
        for (int a = debut; a <= fin; ++a) {
            if (relu[static_cast<std::size_t>(a)] != source[a]) {
                erreur_verification(a, source[a], relu[static_cast<std::size_t>(a)]);
                return -1;
            }
            progression(a, n, ecriture_donnees);
        }
        debut = fin + 1;
    }
    Power_off();
    return 0;
}

} // namespace

int Charge_EEPROM_SPI(const uint8_t* source, int p) {
    int portee = portee_SPI(p);
    const Desc_PIC* d = composant_accepte(portee);
    if (!d || !lignes_serie_presentes()) return -1;
    int n = d->taille_donnee;
    init_port();
    Power_on();
    attente(1);
    if (!disable_protection_SPI()) return toujours_occupee();
    if (eeprom_rapide != 0) return ecrit_pages(source, p, portee, n);
    for (int a = premiere_adresse(); dans_plage(a, portee); ++a) {
        enable_write_SPI();
        debut_instruction();
        instruction_adresse(2, a, p);
        envoie_serie(source[a], 8);
        // Raising CS right after the data byte starts the write cycle.
        clock_a_0();
        attente(1);
        s_a_1();
        attente(1);
        if (!attend_fin_cycle_SPI()) return toujours_occupee();
        const uint8_t relu = lit_octet(a, p);
        if (relu != source[a]) {
            erreur_verification(a, source[a], relu);
            return -1;
        }
        progression(a, n, ecriture_donnees);
    }
    Power_off();
    return 0;
}
