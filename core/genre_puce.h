// SPDX-License-Identifier: GPL-2.0-or-later
// Chip kinds named by the catalogue's algo column, and the facts about each kind that every layer
// may ask (word width, areas, erase, EEPROM bus). The operations of a kind are in pic/genres.h.
#pragma once

#include <cstdint>
#include <string>

struct Desc_PIC;

// The catalogue keeps its numbers: the enumerator's value is the algo column.
enum class Genre_puce : int {
    flash_14 = 1,       // 14-bit flash/EEPROM PIC, self-timed writes, data EEPROM
    eprom_14 = 2,       // 14-bit EPROM PIC, 100 µs pulses
    eprom_12 = 3,       // 12-bit EPROM PIC, configuration word at 0xFFF
    flash_62xa = 4,     // 16F627A/628A/648A
    flash_87xa = 5,     // 16F873A..877A
    flash_12f6xx = 6,   // 12F629/675, 16F630/676
    flash_16f8x = 7,    // 16F87/88, 16F818/819
    flash_16f88x = 8,   // 16F882..887
    flash_12f683 = 9,   // 12F683, 16F684..690
    flash_16f1xxx = 10, // enhanced mid-range 12F1822 .. 16F1939
    i2c_1_octet = -1,   // 24xx, one address byte (up to 2048 bytes)
    i2c_2_octets = -2,
    microwire = -3, // 93xx x8
    spi = -4,       // 25xx
};

enum class Bus_eeprom { aucun, i2c, microwire, spi };

// Facts of each serial EEPROM bus; its protocol (eeprom/bus.h) and simulated chip
// (sim/eeproms/eeprom_simulee.cpp) are rows of the same bus in their layers.
struct Faits_bus {
    Bus_eeprom bus;
    const char* protocole; // shown after "PROTOCOLE : " in the memory view
    const char* groupe;    // the device list's group of its chips
    int taille_max;        // bytes the bus's addressing reaches
};

// The row of bus, or null for aucun.
const Faits_bus* faits_bus(Bus_eeprom bus);

// What the chip's cells are made of, which decides the simulator's model.
enum class Technologie {
    flash,         // flash/EEPROM with erase commands and self-timed cycles
    eprom,         // one-time or UV-erasable, pulsed
    flash_recente, // program-only cells, erased before every write
    eeprom_serie,
};

struct Faits_genre {
    Genre_puce genre;
    const char* nom; // shown under "Algorithme" by korval-cli composants
    Technologie technologie;
    int largeur_mot;     // bits of a program word (14, 12), 8 for a serial EEPROM
    uint16_t mot_vierge; // program word of a blank chip
    bool programme;      // the areas the kind has
    bool donnees;
    bool id_config;
    bool effacement; // the programmer can erase it
    // A write skips the configuration word an image does not give (the later flash parts leave
    // it erased).
    bool config_facultative;
    uint16_t config_gardee; // configuration bits the chip keeps whatever the image says
    Bus_eeprom bus;
    int octets_adresse; // I2C address bytes after the control byte
    // Configuration space of a 14-bit PIC: address of ID0 (0x2000, 0x8000 on the enhanced
    // mid-range parts), configuration words from ID0 + 7 (1 or 2), and the factory calibration
    // words there that no write or erase may change (none when mots_calibration is 0).
    unsigned espace_config = 0x2000;
    int mots_config = 1;
    unsigned adresse_calibration = 0;
    int mots_calibration = 0;
};

// The row of the kind numbered algo, or null for a number no kind has.
const Faits_genre* faits_genre(int algo);
const Faits_genre* faits_genre(const Desc_PIC& p);
// Every row, in the catalogue's order (1..6 then -1..-4).
const Faits_genre* debut_genres();
const Faits_genre* fin_genres();

// The numbers of the kinds that garde accepts, in the table's order, as the messages list them:
// "1 à 6" for one run of three or more, else "1, 4, 5 ou 6" (dernier " ou ").
std::string numeros_genres(bool (*garde)(const Faits_genre&), const char* dernier = " ou ");
bool genre_pic(const Faits_genre& g);
bool genre_eeprom(const Faits_genre& g);
bool genre_pic_effacable(const Faits_genre& g); // a PIC kind the programmer can erase

// Questions on a device's kind. A number the table does not know is an EEPROM when 0 or below,
// else a PIC; it has no bus and 14-bit words.
bool est_eeprom(const Desc_PIC& p);
bool est_pic(const Desc_PIC& p);
int largeur_mot(const Desc_PIC& p); // 14 when the kind is unknown
bool coeur_12_bits(const Desc_PIC& p);
// Configuration words of the part: 2 when its kind has a second one (ID0 + 8) and its fuse
// family gives that word a layout (core/catalogue.h), else 1.
int mots_config(const Desc_PIC& p);
// Address of configuration word n (1 or 2) as the programming commands count: 0xFFF on a 12-bit
// core, ID0 + 6 + n otherwise (0x2007 and 0x2008; 0x8007 and 0x8008 on the enhanced mid-range).
unsigned adresse_mot_config(const Desc_PIC& p, int n = 1);
Bus_eeprom bus_eeprom(const Desc_PIC& p);
// The bus the memory view names: the kind's; for a number no kind has, I2C from -2 up.
Bus_eeprom bus_affiche(const Desc_PIC& p);
