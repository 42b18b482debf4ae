// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/algorithmes.h"
#include "pic/passe.h"

#include "port/port.h"

using namespace algo;

namespace {

// A 12-bit word takes pulses until it reads back right, 8 at most, then 11 times as many again
// (overprogramming) to hold its charge.
constexpr int impulsions_max = 8;
constexpr int facteur_surprogrammation = 11;
// The configuration word is given 100 pulses, with no check between them.
constexpr int impulsions_config = 100;
// Supply off between the ID pass and the configuration pass, so that entering program mode
// again puts the counter back on the configuration word.
constexpr int t_entre_passes_us = 10;

// Pulses until the word read matches on masque, then the overprogramming pulses.
// Returns false when it never matched (lu holds the last word read).
bool programme_mot(uint16_t valeur, uint16_t attendu, unsigned masque, uint16_t& lu) {
    const int n = impulsions_jusqu_a_verification(valeur, attendu, masque, impulsions_max, lu);
    for (int p = 0; p < facteur_surprogrammation * n; ++p) impulsion(valeur);
    return n > 0;
}

} // namespace

uint16_t* Algo3_Lit_tout_de_PM(uint16_t* prog) {
    if (!composant_choisi()) return prog;
    debut_passe();
    Increment_Adress(); // from the configuration word to address 0
    lit_mots_programme(prog);
    fin_passe();
    return prog;
}

int Algo3_Charge_tout_vers_PM(const uint16_t* prog) {
    if (!composant_choisi()) return -1;
    debut_passe();
    Increment_Adress();
    bool fini = parcours_programme(ecriture_programme, taille_ecriture_prog, [&](int i) {
        const uint16_t w = prog[i];
        if (w == 0xFFFF || Read_Data_From_Program_Memory() == w) return true;
        uint16_t lu = 0;
        if (!programme_mot(w & 0x3FFF, w, 0x3FFF, lu)) {
            prog_erreur(static_cast<unsigned>(i), w, lu, "Programme : ");
            return false;
        }
        return true;
    });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

int Algo3_Charge_ID_Config(const Memoire_PIC& m) {
    if (!composant_choisi()) return -1;
    init_port();
    if (le_ID_enable != 0) {
        Power_on();
        entree_programmation();
        for (int k = 0; k < taille_prog() + 1; ++k) Increment_Adress();
        for (unsigned k = 0; k < 4; ++k) {
            const uint8_t v = m.id[k];
            uint16_t lu = 0;
            // An ID the image does not give is left unburned.
            if (v != ID_ABSENT && !programme_mot(v, v, 0x7F, lu)) {
                prog_erreur(k, v, lu, "ID : ");
                return -1;
            }
            Increment_Adress();
        }
        fin_passe();
        attente(t_entre_passes_us);
    }
    if (le_config_enable == 0) return 0;
    Power_on();
    entree_programmation(); // the counter stands at the configuration word
    for (int p = 0; p < impulsions_config; ++p) impulsion(m.config);
    return verifie_config_et_termine(m.config, 0xFFF, "Mot de configuration :\n");
}

void Algo3_Lit_ID_Config(Memoire_PIC& m) {
    if (!composant_choisi()) return;
    debut_passe();
    if (le_config_enable != 0) m.config = Read_Data_From_Program_Memory();
    if (le_ID_enable != 0) {
        for (int k = 0; k < taille_prog() + 1; ++k) Increment_Adress();
        lit_ids(m);
    }
    fin_passe();
}
