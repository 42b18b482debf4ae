// SPDX-License-Identifier: GPL-2.0-or-later
// SIGINT, SIGTERM and SIGHUP in both front ends. During an operation on the programmer the
// handler only notes the signal: the line driver stops at its next line change with the chip
// powered down, the simulated chip is saved as far as it was written, the trace is closed and
// the program ends with 128 + the signal's number. While a later flash PIC is erased and what
// the operation keeps is not yet written back, the signal waits for that restore
// (pic/flash_recente.h). Outside an operation the signal ends the
// program the usual way.
#pragma once

#include <functional>
#include <string>

extern const char* const texte_operation_interrompue;

// Installs the handlers. annonce shows texte_operation_interrompue (default: message_erreur).
void installe_gestion_signaux(std::function<void(const std::string&)> annonce = {});

// The outcome is final (the file read is in place): signals from now on are held until the
// program ends, so that its exit status still tells what happened.
void conclut_sans_interruption();

// One operation on the programmer, from the programmer's installation to the simulated chip's
// save. A signal noted during it and not yet acted on is acted on at its end.
class Garde_operation {
  public:
    Garde_operation();
    ~Garde_operation();
    Garde_operation(const Garde_operation&) = delete;
    Garde_operation& operator=(const Garde_operation&) = delete;
};
