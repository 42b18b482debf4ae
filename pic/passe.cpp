// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/passe.h"

#include "pic/valeurs_usine.h"

#include "port/port.h"

namespace algo {

void entree_programmation() {
    Commence_Prog_Mode();
    attente(t_hld0_us);
}

void debut_passe() {
    init_port();
    Power_on();
    entree_programmation();
}

void fin_passe() {
    Fini_Prog_Mode();
    Power_off();
}

void impulsion(uint16_t valeur) {
    Load_Data_For_Program_Memory(valeur);
    Algo2_Begin_Programming();
    End_Programming();
}

int impulsions_jusqu_a_verification(uint16_t valeur, uint16_t attendu, unsigned masque,
                                    int max_impulsions, uint16_t& lu) {
    for (int n = 1; n <= max_impulsions; ++n) {
        impulsion(valeur);
        lu = Read_Data_From_Program_Memory();
        if ((lu & masque) == (attendu & masque)) return n;
    }
    return 0;
}

int verifie_config_et_termine(uint16_t config, unsigned adresse, const char* prefixe) {
    const uint16_t lu = Read_Data_From_Program_Memory();
    // Bits of the word that the part does not have read as the silicon fixes them, whatever was
    // written; a bit beyond the word is still an error.
    const Desc_PIC* p = pic_courant();
    const auto absents = static_cast<uint16_t>(
        p ? mot_programme_vierge(*p) & ~bits_config_implementes(*p) : 0);
    if (((lu ^ config) & ~absents) != 0) {
        prog_erreur(adresse, config, lu, prefixe);
        return -1;
    }
    fin_passe();
    return 0;
}

bool mot_relu_juste(int adresse, uint16_t w) {
    const uint16_t lu = Read_Data_From_Program_Memory();
    if ((lu & 0x3FFF) == (w & 0x3FFF)) return true;
    prog_erreur(static_cast<unsigned>(adresse), w, lu, "Programme : ");
    return false;
}

bool ecrit_mot_verifie(int adresse, uint16_t w, void (*programme)()) {
    if (w == 0xFFFF) return true;
    if (Read_Data_From_Program_Memory() == w) return true;
    Load_Data_For_Program_Memory(w & 0x3FFF);
    programme();
    return mot_relu_juste(adresse, w);
}

void lit_mots_programme(uint16_t* prog) {
    Lectures_par_blocs lus([prog](int i, uint16_t w) {
        prog[i] = w;
        return true;
    });
    parcours_programme(lecture_programme, taille_prog,
                       [&](int i) { return lus.ajoute(i, Demande_Data_From_Program_Memory()); });
    lus.termine();
}

void lit_octets_donnees(uint8_t* donnee) {
    Lectures_par_blocs lus([donnee](int i, uint16_t w) {
        donnee[i] = static_cast<uint8_t>(w & 0xFF);
        return true;
    });
    parcours_donnees(lecture_donnees,
                     [&](int i) { return lus.ajoute(i, Demande_Data_From_Data_Memory()); });
    lus.termine();
}

void lit_ids(Memoire_PIC& m) {
    for (int k = 0; k < nb_id; ++k) {
        m.id[k] = static_cast<uint8_t>(Read_Data_From_Program_Memory() & 0xFF);
        if (k < nb_id - 1) Increment_Adress();
    }
}

bool ecrit_ids_verifies(const uint16_t ids[nb_id], void (*programme)()) {
    static const char* const prefixes[nb_id] = {"ID0 : ", "ID1 : ", "ID2 : ", "ID3 : "};
    for (int k = 0; k < nb_id; ++k) {
        const uint16_t v = ids[k];
        Load_Data_For_Program_Memory(v);
        programme();
        const uint16_t lu = Read_Data_From_Program_Memory();
        if ((lu & 0x7F) != (v & 0x7F)) {
            prog_erreur(static_cast<unsigned>(k), v, lu, prefixes[k]);
            return false;
        }
        if (k < nb_id - 1) Increment_Adress();
    }
    return true;
}

int taille_prog() {
    const Desc_PIC* p = pic_courant();
    return p ? p->taille_prog : 0;
}

int taille_donnee() {
    const Desc_PIC* p = pic_courant();
    return p ? p->taille_donnee : 0;
}

int taille_ecriture_prog() {
    const Desc_PIC* p = pic_courant();
    if (!p) return 0;
    return p->osc_cal != 0 && osc_int_enable == 0 ? p->taille_prog - 1 : p->taille_prog;
}

} // namespace algo
