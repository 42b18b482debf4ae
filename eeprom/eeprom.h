// SPDX-License-Identifier: GPL-2.0-or-later
// Serial EEPROMs through the programmer: I2C (24xx), Microwire (93xx, x8) and SPI (25xx), one byte
// per transaction, every bit driven through the line routines of port/port.h.
//
// Each read returns the buffer it was given (index = chip address; bytes outside the range are left
// as they were), or null after a failure; each write reads every byte back once its write cycle is
// over and returns 0, or -1 after a failure. A failure has already been reported with the supply
// switched off; a read that failed leaves in the buffer the bytes read before it. The range is
// le_data_deb..le_data_fin (inclusive) below the selected device's taille_donnee; a negative start
// counts as 0. With no device selected, a device larger than its addressing reaches, or (Microwire
// and SPI) a pin map without SELECT or DATA_93, the operation reports it and does nothing (-1, or
// null with the buffer unchanged).
#pragma once

#include <cstdint>

struct Desc_PIC;

// Address bits handed to the Microwire protocol (7, 9, 11) and the SPI protocol (8, 9, 16) for a
// chip of taille bytes.
int bits_adresse_serie(int taille);
int bits_adresse_SPI(int taille);

// Bytes each addressing form reaches: I2C by the kind's address bytes (1: 2048, 2: 65536), Microwire with w address
// bits (2048 at most), SPI with width parameter p (256, 512, 65536); 0 for a form that does not
// exist.
int portee_I2C(int algo);
int portee_serie(int w);
int portee_SPI(int p);

// I2C: SDA is DATA_OUT (driven) and DATA_IN (sensed), SCL is CLK.
void envoie_I2C(int octet); // low 8 bits, bit 7 first; ends with the clock at 1
uint8_t recoit_I2C();       // 8 bits, first one in bit 7; ends with the clock at 1
void I2C_bit_start();
void I2C_bit_stop();
int Ack_I2C(); // ninth clock: 0 when the chip acknowledged, 1 otherwise
uint8_t* Lire_EEPROM_I2C(uint8_t* tampon);
int Charge_EEPROM_I2C(const uint8_t* source);

// Common failure exit of the three protocols: error window, supply off.
void eeprom_erreur();

// Microwire: CS is SELECT (active at 1), DI is DATA_93, DO is sensed on DATA_IN. w = address bits.
int envoie_serie(int valeur, int nb_bits); // bits nb_bits-1..0 of the low 16 bits; returns nb_bits
uint8_t recoit_serie();                    // 8 bits read with the clock low, first one in bit 7
void enable_write_serie(int w);
void disable_write_serie(int w);
uint8_t* Lire_EEPROM_serie(uint8_t* tampon, int w);
int Charge_EEPROM_serie(const uint8_t* source, int w);

// SPI: CS is SELECT (active at 0), SI is DATA_93, SO is sensed on DATA_IN. p = 8, 9 or 16.
void enable_write_SPI();
// Status register (RDSR) read until WIP is 0; false when it is still 1 after 10000 reads.
bool attend_fin_cycle_SPI();
// Writes 0x00 to the status register and waits for that write cycle; false as above.
bool disable_protection_SPI();
uint8_t* Lire_EEPROM_SPI(uint8_t* tampon, int p);
int Charge_EEPROM_SPI(const uint8_t* source, int p);

// With eeprom_rapide set (core/etat.h), writes go page by page on I2C and SPI (each page read back
// with one sequential read) and reads are one sequential read on the three buses.
// Bytes of one page write for the device: 8 to 128 on I2C and SPI, 1 for Microwire.
int taille_page_EEPROM(const Desc_PIC& d);

// Erases the selected serial EEPROM whole, whatever the range: ERAL on Microwire (between write
// enable and write disable), 0xFF written on I2C and SPI (page by page with eeprom_rapide); every
// byte is read back. 0, or -1 after a failure (reported, supply off).
int Efface_EEPROM();
int Efface_EEPROM_serie(int w);
