// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/algorithmes.h"
#include "pic/passe.h"

#include "port/port.h"

using namespace algo;

namespace {

// A word takes pulses until it reads back right, 25 at most, then 3 more to hold its charge.
constexpr int impulsions_max = 25;
constexpr int impulsions_de_plus = 3;
// The configuration word is given 100 pulses, with no check between them.
constexpr int impulsions_config = 100;
// From the last ID (0x2003) to the configuration word (0x2007).
constexpr int increments_id_vers_config = 4;

} // namespace

int Algo2_Charge_tout_vers_PM(const uint16_t* prog) {
    if (!composant_choisi()) return -1;
    debut_passe();
    bool fini = parcours_programme(ecriture_programme, taille_ecriture_prog, [&](int i) {
        const uint16_t w = prog[i];
        if (w == 0xFFFF || Read_Data_From_Program_Memory() == w) return true;
        uint16_t lu = 0;
        const uint16_t valeur = w & 0x3FFF;
        if (impulsions_jusqu_a_verification(valeur, w, 0x3FFF, impulsions_max, lu) == 0) {
            prog_erreur(static_cast<unsigned>(i), w, lu, "Programme : ");
            return false;
        }
        for (int k = 0; k < impulsions_de_plus; ++k) impulsion(valeur);
        return true;
    });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

uint16_t* Algo2_Lit_tout_de_PM(uint16_t* prog) {
    return Algo1_Lit_tout_de_PM(prog);
}

int Algo2_Charge_ID_Config(const Memoire_PIC& m) {
    if (!composant_choisi()) return -1;
    debut_passe();
    Load_Configuration(0x3FF);
    if (le_ID_enable != 0) {
        for (unsigned k = 0; k < 4; ++k) {
            const uint8_t v = m.id[k];
            uint16_t lu = 0;
            // An ID the image does not give is left unburned.
            if (v != ID_ABSENT) {
                if (impulsions_jusqu_a_verification(v & 0x0F, v, 0x0F, impulsions_max, lu) == 0) {
                    prog_erreur(k, v, lu, "ID : ");
                    return -1;
                }
                for (int p = 0; p < impulsions_de_plus; ++p) impulsion(v);
            }
            if (k < 3) Increment_Adress();
        }
    } else {
        for (int k = 0; k < nb_id - 1; ++k) Increment_Adress();
    }
    if (le_config_enable == 0) {
        fin_passe();
        return 0;
    }
    for (int k = 0; k < increments_id_vers_config; ++k) Increment_Adress();
    for (int p = 0; p < impulsions_config; ++p) impulsion(m.config);
    return verifie_config_et_termine(m.config, 0x2007, "Mot de configuation :\n");
}

void Algo2_Lit_ID_Config(Memoire_PIC& m) {
    Algo1_Lit_ID_Config(m);
}
