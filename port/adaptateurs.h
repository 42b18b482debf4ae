// SPDX-License-Identifier: GPL-2.0-or-later
// The real adapters: an FTDI USB chip in synchronous bit-bang mode (libftdi1) and a GPIO chip of
// the Linux character device (libgpiod). Each is built only when its library is there.
#pragma once

#include "port/backend.h"
#include "port/cablage_adaptateur.h"

#include <memory>
#include <string>

// description in ftdi_usb_open_string's form ("i:0x0403:0x6001", "s:0x0403:0x6001:SERIE",
// "d:BUS/ADRESSE"); "" = the first FT232R found. octets_par_s: the fastest byte rate the pins
// may reach, on which every wait's padding is sized.
// Null, with a message, when the program was built without libftdi1.
std::unique_ptr<Backend_port> cree_adaptateur_ftdi(const std::string& description,
                                                   const Cablage_adaptateur& cablage,
                                                   int octets_par_s = 1000000);

// puce: a GPIO chip's path, name, label or number ("gpiochip0", "pinctrl-bcm2711").
// Null, with a message, when the program was built without libgpiod.
std::unique_ptr<Backend_port> cree_adaptateur_gpio(const std::string& puce,
                                                   const Cablage_adaptateur& cablage);
