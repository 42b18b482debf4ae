// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/verifications.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/journal_calibration.h"
#include "core/messages.h"
#include "pic/dispatch.h"
#include "pic/id_composant.h"
#include "pic/valeurs_usine.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace {

const char* const texte_force = "\nOpération forcée : elle continue quand même.";

// Program memory narrowed to one word for the life of the object.
class Un_seul_mot {
  public:
    explicit Un_seul_mot(int adresse)
        : enable(std::exchange(le_prog_enable, 1)), deb(std::exchange(le_prog_deb, adresse)),
          fin(std::exchange(le_prog_fin, adresse)) {}
    ~Un_seul_mot() {
        le_prog_enable = enable;
        le_prog_deb = deb;
        le_prog_fin = fin;
    }
    Un_seul_mot(const Un_seul_mot&) = delete;
    Un_seul_mot& operator=(const Un_seul_mot&) = delete;

  private:
    int enable, deb, fin;
};

bool refuse(const std::string& texte, bool forcer) {
    message_erreur(forcer ? texte + texte_force : texte, 0);
    return forcer;
}

// Whether the write programs the last program word from the image.
bool ecrit_le_dernier_mot(const Desc_PIC& p, const Memoire_PIC& m) {
    const int dernier = p.taille_prog - 1;
    return osc_int_enable != 0 && le_prog_enable != 0 && le_prog_deb <= dernier &&
           le_prog_fin >= dernier && m.prog[static_cast<std::size_t>(dernier)] != 0xFFFF;
}

// A one-time programmable part whose last word is no calibration instruction: another part in
// the socket (a 12C509 for a 12C508 has program memory there), or an erased window part. Burning
// it would be irreversible. The flash parts check their own before they erase.
bool calibration_plausible(const Desc_PIC& p, uint16_t puce) {
    const Faits_genre* g = faits_genre(p);
    return !g || g->technologie != Technologie::eprom || instruction_calibration(p, puce);
}

} // namespace

bool composant_verifie(bool forcer) {
    const Desc_PIC* p = pic_courant();
    if (!p || !a_id_composant(*p)) return true;
    const std::string ecart = ecart_id(p->nom, Lit_ID_Composant());
    return ecart.empty() || refuse(ecart, forcer);
}

bool calibration_gardee(const Memoire_PIC* m, bool forcer) {
    const Desc_PIC* p = pic_courant();
    if (!p || p->osc_cal == 0 || p->taille_prog <= 0) return true;
    const int dernier = p->taille_prog - 1;
    std::vector<uint16_t> prog = tampon_prog_vierge();
    {
        const Un_seul_mot mot(dernier);
        if (!Lit_tout_de_PM(prog.data())) return false;
    }
    const uint16_t puce = prog[static_cast<std::size_t>(dernier)];
    std::FILE* console = sortie_console();
    std::fprintf(console, "Calibration de l'oscillateur : %04X\n", static_cast<unsigned>(puce));
    if (!note_calibration(p->nom, puce))
        std::fprintf(console, "La calibration n'a pas pu être notée dans %s\n",
                     chemin_calibration(p->nom).c_str());
    std::fflush(console);
    if (m && !ecrit_le_dernier_mot(*p, *m) && !calibration_plausible(*p, puce)) {
        char texte[600];
        std::snprintf(texte, sizeof texte,
                      "Le dernier mot du PIC (adresse %X) vaut %04X : ce n'est pas une instruction "
                      "de calibration (MOVLW, 0Ckk).\nLe composant du support n'est peut-être pas "
                      "un %s, ou sa calibration a été effacée. Pour l'écrire, mettez sa "
                      "calibration au dernier mot du fichier HEX et activez l'écriture du mot de "
                      "calibration (_ECRIRE_OSC_INT_12C5XX dans conf_port).",
                      static_cast<unsigned>(dernier), static_cast<unsigned>(puce), p->nom.c_str());
        return refuse(forcer ? texte : std::string(texte) + " Rien n'a été écrit.", forcer);
    }
    if (!m || !ecrit_le_dernier_mot(*p, *m)) return true;

    const uint16_t image = m->prog[static_cast<std::size_t>(dernier)];
    const bool image_valide = instruction_calibration(*p, image);
    const bool puce_valide = instruction_calibration(*p, puce);
    const uint16_t masque = mot_programme_vierge(*p);
    if (image_valide && (!puce_valide || (image & masque) == puce)) return true;
    char texte[400];
    if (!image_valide)
        std::snprintf(texte, sizeof texte,
                      "Le dernier mot du fichier (adresse %X) vaut %04X : ce n'est pas une "
                      "instruction de calibration (%s).\nL'écrire perdrait pour toujours la "
                      "calibration de l'oscillateur du PIC (%04X).",
                      static_cast<unsigned>(dernier), static_cast<unsigned>(image),
                      coeur_12_bits(*p) ? "MOVLW, 0Ckk" : "RETLW, 34kk",
                      static_cast<unsigned>(puce));
    else
        std::snprintf(texte, sizeof texte,
                      "Le dernier mot du fichier (adresse %X) vaut %04X, la calibration de "
                      "l'oscillateur du PIC vaut %04X.\nL'écrire perdrait pour toujours la valeur "
                      "du PIC.",
                      static_cast<unsigned>(dernier), static_cast<unsigned>(image),
                      static_cast<unsigned>(puce));
    return refuse(forcer ? texte : std::string(texte) + " Rien n'a été écrit.", forcer);
}
