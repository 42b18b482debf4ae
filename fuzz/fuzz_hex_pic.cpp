// SPDX-License-Identifier: GPL-2.0-or-later
// PIC HEX line reader on arbitrary lines; for a few inputs, the image written and read back.
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
    static const bool fait = fuzz::installe_catalogue(
        {{"PIC16F84", 1024, 64, 1}, {"PIC12C508", 512, 0, 3}, {"PIC16F877", 8192, 256, 2}});
    (void)fait;
}

void aller_retour(const Memoire_PIC& m) {
    const Memoire_PIC& lue = fuzz::relue_sans_message(Texte_Hex_PIC(m), Lire_Flux_Hex_PIC);
    const Desc_PIC* p = pic_courant();
    const auto t = static_cast<std::ptrdiff_t>(p ? p->taille_prog : 0);
    const auto d = static_cast<std::ptrdiff_t>(p ? p->taille_donnee : 0);
    if (!std::equal(m.prog.begin(), m.prog.begin() + t, lue.prog.begin())) std::abort();
    if (!std::all_of(lue.prog.begin() + t, lue.prog.end(), [](uint16_t w) { return w == 0xFFFF; }))
        std::abort();
    if (!std::equal(m.donnee.begin(), m.donnee.begin() + d, lue.donnee.begin())) std::abort();
    if (!std::equal(m.id, m.id + 4, lue.id) || m.config != lue.config) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    prepare();
    if (size == 0) return 0;
    const bool ecrire = fuzz::choisit_puce(data, size, 2);
    const Memoire_PIC& m = fuzz::lit_entree(data, size, Lire_ligne_Hex_PIC);
    if (m.prog.size() != TAILLE_PROG_MAX || m.donnee.size() != TAILLE_DONNEE_MAX) std::abort();
    if (ecrire) aller_retour(m);
    return 0;
}
