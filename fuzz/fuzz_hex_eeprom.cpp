// SPDX-License-Identifier: GPL-2.0-or-later
// EEPROM HEX line reader on arbitrary lines; for a few inputs, the image written and read back.
#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "hex/hex.h"
#include "outils_fuzz.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void prepare() {
    // The second is past 64 KiB, for the extended address records, but only just: its round
    // trip writes every byte. The third is not a multiple of a record.
    static const bool fait = fuzz::installe_catalogue(
        {{"24C16", 0, 2048, -1}, {"24C1024", 0, 0x10100, -2}, {"93C46", 0, 20, -3}});
    (void)fait;
}

void aller_retour(const Memoire_PIC& m) {
    const Memoire_PIC& lue = fuzz::relue_sans_message(Texte_Hex_EEPROM(m), Lire_Flux_Hex_EEPROM);
    const Desc_PIC* p = pic_courant();
    const auto d = static_cast<std::ptrdiff_t>(p ? p->taille_donnee : 0);
    if (!std::equal(m.donnee.begin(), m.donnee.begin() + d, lue.donnee.begin())) std::abort();
    if (lue.config != 0x03FF || lue.prog != std::vector<uint16_t>(TAILLE_PROG_MAX, 0xFFFF))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    prepare();
    if (size == 0) return 0;
    const bool ecrire = fuzz::choisit_puce(data, size, 1);
    const Memoire_PIC& m = fuzz::lit_entree(data, size, Lire_ligne_Hex_EEPROM);
    if (m.donnee.size() != TAILLE_DONNEE_MAX || m.config != 0x03FF) std::abort();
    if (ecrire) aller_retour(m);
    return 0;
}
