// SPDX-License-Identifier: GPL-2.0-or-later
#include "port/backend_file.h"

Backend_file::Backend_file(std::unique_ptr<Transport_synchrone> t, const Rythme_file& r)
    : transport(std::move(t)), rythme(r) {}

bool Backend_file::ouvre(int) {
    if (est_ouvert) return true;
    est_ouvert = transport->ouvre();
    origine_ns = transport->horloge_ns();
    return est_ouvert;
}

void Backend_file::ferme() {
    if (!est_ouvert) return;
    envoie_file();
    transport->ferme();
    est_ouvert = false;
}

void Backend_file::ajoute(uint8_t octet) {
    if (sortie.size() >= rythme.octets_max) envoie_file();
    sortie.push_back(octet);
}

void Backend_file::ecrit_donnee(uint8_t octet) {
    if (!est_ouvert) return;
    courant = octet;
    ajoute(octet);
}

// The sample of a byte is the state before it: one more copy of the current byte brings back
// the state after the last change.
void Backend_file::met_en_file_etat(std::size_t rang) {
    if (!est_ouvert) return; // etats[rang] stays 0xFF, as a closed port reads
    ajoute(courant);
    lectures.push_back({sortie.size() - 1, rang});
}

uint8_t Backend_file::lit_etat() {
    const std::size_t rang = demande_etat();
    vide();
    return etat_demande(rang);
}

void Backend_file::envoie_file() {
    if (sortie.empty()) return;
    entree.assign(sortie.size(), 0xFF);
    ++transferts;
    // A failed transfer has posted its message; its reads stay at 0xFF, which no protocol takes
    // for an answer from the chip.
    if (transport->echange(sortie, entree))
        for (const Lecture& l : lectures) etats[l.rang] = entree[l.octet];
    sortie.clear();
    lectures.clear();
    origine_ns = transport->horloge_ns();
}

int64_t Backend_file::horloge_ns() {
    return origine_ns + static_cast<int64_t>(sortie.size()) * rythme.periode_octet_ns;
}

void Backend_file::attend(int64_t debut_ns, int64_t duree_ns) {
    const int64_t reste = debut_ns + duree_ns - horloge_ns();
    if (reste <= 0) return;
    if (reste <= rythme.attente_hote_ns || !est_ouvert) {
        // Copies of the current byte hold the lines for the wait, rounded up.
        const int64_t n = (reste + rythme.periode_octet_ns - 1) / rythme.periode_octet_ns;
        for (int64_t i = 0; i < n && est_ouvert; ++i) ajoute(courant);
        if (!est_ouvert) origine_ns += reste;
        return;
    }
    // Every queued byte has gone out once its sample is back: the host waits the rest.
    envoie_file();
    transport->attend(transport->horloge_ns(), reste);
    origine_ns = transport->horloge_ns();
}
