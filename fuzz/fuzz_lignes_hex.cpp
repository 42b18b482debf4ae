// SPDX-License-Identifier: GPL-2.0-or-later
// Line ends of the HEX file readers: a file with CR LF line ends reads exactly as the same file
// with LF line ends (same image, same messages), in both layouts.
#include "core/catalogue.h"
#include "core/etat.h"
#include "hex/hex.h"
#include "outils_fuzz.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void prepare() {
    static const bool fait = fuzz::installe_catalogue({{"PIC16F877", 8192, 256, 2}});
    (void)fait;
    pic_select = 0;
}

// Every LF that does not follow a CR becomes CR LF.
std::string en_cr_lf(const std::string& texte) {
    std::string s;
    s.reserve(texte.size() * 2);
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (texte[i] == '\n' && (i == 0 || texte[i - 1] != '\r')) s += '\r';
        s += texte[i];
    }
    return s;
}

void compare(const std::string& a, const std::string& b,
             void (*lit)(std::istream&, Memoire_PIC&, Lecture_hex*)) {
    fuzz::messages().clear();
    Memoire_PIC& ma = fuzz::image_vierge(0, 0x03FF);
    std::istringstream fa(a);
    lit(fa, ma, nullptr);
    std::vector<std::string> messages_a;
    messages_a.swap(fuzz::messages());
    Memoire_PIC& mb = fuzz::image_vierge(1, 0x03FF);
    std::istringstream fb(b);
    lit(fb, mb, nullptr);
    if (messages_a != fuzz::messages()) std::abort();
    if (ma.prog != mb.prog || ma.donnee != mb.donnee || ma.config != mb.config ||
        !std::equal(ma.id, ma.id + 4, mb.id))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    prepare();
    const std::string texte(reinterpret_cast<const char*>(data), size);
    const std::string crlf = en_cr_lf(texte);
    compare(texte, crlf, Lire_Flux_Hex_PIC);
    compare(texte, crlf, Lire_Flux_Hex_EEPROM);
    return 0;
}
