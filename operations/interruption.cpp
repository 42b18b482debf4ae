// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/interruption.h"

#include "core/messages.h"
#include "pic/flash_recente.h"
#include "port/backend.h"
#include "port/port.h"
#include "sim/simulateur.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

const char* const texte_operation_interrompue =
    "Opération interrompue : la puce peut être partiellement programmée";

namespace {

constexpr int signaux[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t operations_en_cours = 0;
std::function<void(const std::string&)> annonce_interruption;

extern "C" void sur_signal(int signal) {
    if (flash::restauration_en_cours != 0) {
        // The chip is erased: what the operation keeps is written back before the stop.
        if (flash::signal_differe == 0) flash::signal_differe = signal;
        return;
    }
    if (operations_en_cours > 0) {
        if (signal_interruption == 0) signal_interruption = signal;
        return;
    }
    // The default action, once this handler returns (the signal is blocked until then).
    struct sigaction defaut = {};
    defaut.sa_handler = SIG_DFL;
    sigemptyset(&defaut.sa_mask);
    ::sigaction(signal, &defaut, nullptr);
    ::raise(signal);
}

// The line driver has powered the chip down.
void fin_interrompue(int signal) {
    termine_simulateur();
    installe_backend(cree_backend_ferme()); // the trace gets its last time stamp
    if (annonce_interruption)
        annonce_interruption(texte_operation_interrompue);
    else
        message_erreur(texte_operation_interrompue, 0);
    std::fflush(nullptr);
    ::_exit(128 + signal);
}

} // namespace

void installe_gestion_signaux(std::function<void(const std::string&)> annonce) {
    annonce_interruption = std::move(annonce);
    installe_fin_interruption(fin_interrompue);
    struct sigaction action = {};
    action.sa_handler = sur_signal;
    sigemptyset(&action.sa_mask);
    for (int s : signaux) sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    for (int s : signaux) {
        // A signal ignored from the start (nohup) stays ignored.
        struct sigaction avant = {};
        if (::sigaction(s, nullptr, &avant) == 0 && avant.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &action, nullptr);
    }
}

void conclut_sans_interruption() {
    sigset_t bloques;
    sigemptyset(&bloques);
    for (int s : signaux) sigaddset(&bloques, s);
    ::sigprocmask(SIG_BLOCK, &bloques, nullptr);
}

Garde_operation::Garde_operation() {
    operations_en_cours = operations_en_cours + 1;
}

Garde_operation::~Garde_operation() {
    operations_en_cours = operations_en_cours - 1;
    if (operations_en_cours == 0) arrete_si_interrompu();
}
