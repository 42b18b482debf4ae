// SPDX-License-Identifier: GPL-2.0-or-later
// The adapters the program was built without: a message naming the missing library.
#include "port/adaptateurs.h"

#include "core/messages.h"

#ifndef KORVAL_AVEC_FTDI
std::unique_ptr<Backend_port> cree_adaptateur_ftdi(const std::string&, const Cablage_adaptateur&,
                                                   int) {
    message_erreur("Adaptateur ftdi absent : korval a été construit sans libftdi1", 0);
    return nullptr;
}
#endif

#ifndef KORVAL_AVEC_GPIO
std::unique_ptr<Backend_port> cree_adaptateur_gpio(const std::string&, const Cablage_adaptateur&) {
    message_erreur("Adaptateur gpio absent : korval a été construit sans libgpiod", 0);
    return nullptr;
}
#endif
