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
    static const bool fait = [] {
        fuzz::messages();
        tab_pic.clear();
        Desc_PIC p;
        p.nom = "PIC16F84";
        p.taille_prog = 1024;
        p.taille_donnee = 64;
        p.algo = 1;
        tab_pic.push_back(p);
        p.nom = "PIC12C508";
        p.taille_prog = 512;
        p.taille_donnee = 0;
        p.algo = 3;
        tab_pic.push_back(p);
        p.nom = "PIC16F877";
        p.taille_prog = 8192;
        p.taille_donnee = 256;
        p.algo = 2;
        tab_pic.push_back(p);
        return true;
    }();
    (void)fait;
}

void aller_retour(const Memoire_PIC& m) {
    const std::size_t avant = fuzz::messages().size();
    std::istringstream texte(Texte_Hex_PIC(m));
    Memoire_PIC& lue = fuzz::image_vierge(1, 0x03FF);
    Lire_Flux_Hex_PIC(texte, lue);
    // What the writer gives, the reader takes without a word.
    if (fuzz::messages().size() != avant) std::abort();
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
    // First byte: the device (index 3: none) and whether to write and read back. The largest
    // device's round trip costs a hundred runs: it needs a second marker byte as well.
    pic_select = data[0] & 3;
    const bool ecrire =
        (data[0] & 0xFC) == 0xA8 && (pic_select != 2 || (size > 1 && data[1] == 0xA8));

    fuzz::messages().clear();
    Memoire_PIC& m = fuzz::image_vierge(0, 0x03FF);
    fuzz::lit_lignes(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), m,
                     Lire_ligne_Hex_PIC);
    if (m.prog.size() != TAILLE_PROG_MAX || m.donnee.size() != TAILLE_DONNEE_MAX) std::abort();
    if (ecrire) aller_retour(m);
    return 0;
}
