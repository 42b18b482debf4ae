// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/algorithmes.h"
#include "pic/passe.h"

#include "port/port.h"

using namespace algo;

namespace {

// Load Configuration sets the counter to 0x2000; the configuration word is at 0x2007.
constexpr int increments_vers_config = 7;
// From the last ID (0x2003) to the configuration word.
constexpr int increments_id_vers_config = 4;
// Pause, supply off, between the ID pass and the configuration pass, which enters program mode
// afresh with its counter at 0.
constexpr int t_entre_passes_us = 1;

} // namespace

int Algo1_Charge_tout_vers_PM(const uint16_t* prog) {
    if (!composant_choisi()) return -1;
    debut_passe();
    bool fini = parcours_programme(ecriture_programme, taille_prog, [&](int i) {
        return ecrit_mot_verifie(i, prog[i], Begin_Programming);
    });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

uint16_t* Algo1_Lit_tout_de_PM(uint16_t* prog) {
    if (!composant_choisi()) return prog;
    debut_passe();
    lit_mots_programme(prog);
    fin_passe();
    return prog;
}

int Algo1_Charge_tout_vers_DM(const uint8_t* donnee) {
    if (!composant_choisi()) return -1;
    debut_passe();
    bool fini = parcours_donnees(ecriture_donnees, [&](int i) {
        const uint8_t b = donnee[i];
        Load_Data_For_Data_Memory(b);
        Begin_Programming();
        const uint16_t lu = Read_Data_From_Data_Memory();
        if ((lu & 0xFF) != b) {
            prog_erreur(static_cast<unsigned>(i), b, lu, "Programme : ");
            return false;
        }
        return true;
    });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

uint8_t* Algo1_Lit_tout_de_DM(uint8_t* donnee) {
    if (!composant_choisi()) return donnee;
    debut_passe();
    lit_octets_donnees(donnee);
    fin_passe();
    return donnee;
}

void Efface_DM_et_PM() {
    const Desc_PIC* p = composant_choisi();
    if (!p) return;
    const Fusibles& f = tab_fuses[static_cast<std::size_t>(p->famille)];

    debut_passe();
    Load_Configuration(0x3FFF);
    for (int k = 0; k < increments_vers_config; ++k) Increment_Adress();
    const uint16_t config = Read_Data_From_Program_Memory();
    Fini_Prog_Mode(); // the supply stays on

    bool protege = false;
    for (int n : {F_CP0, F_CP1, F_DP, F_CPD})
        if ((config & f.masque[n]) == 0) protege = true;
    if (protege) {
        entree_programmation();
        Load_Configuration(0x3FFF);
        for (int k = 0; k < increments_vers_config; ++k) Increment_Adress();
        Commande_1();
        Commande_7();
        Begin_Programming();
        Commande_1();
        Commande_7();
        Fini_Prog_Mode();
    }

    entree_programmation();
    if (le_data_enable != 0) {
        Bulk_Erase_Data_Memory();
        Begin_Programming();
        Load_Data_For_Data_Memory(0x3FFF);
        Begin_Programming();
    }
    if (le_prog_enable != 0) {
        Bulk_Erase_Program_Memory();
        Begin_Programming();
        Load_Data_For_Program_Memory(0x3FFF);
        Begin_Programming();
    }
    fin_passe();
}

int Algo1_Charge_ID_Config(const Memoire_PIC& m) {
    if (!composant_choisi()) return -1;
    init_port();
    if (le_ID_enable != 0) {
        Power_on();
        entree_programmation();
        Load_Configuration(0x3FFF);
        const uint16_t ids[nb_id] = {m.id[0], m.id[1], m.id[2], m.id[3]};
        if (!ecrit_ids_verifies(ids, Begin_Programming)) return -1;
        fin_passe();
        attente(t_entre_passes_us);
    }
    if (le_config_enable == 0) return 0;
    Power_on();
    entree_programmation();
    Load_Configuration(m.config);
    for (int k = 0; k < increments_vers_config; ++k) Increment_Adress();
    Begin_Programming();
    return verifie_config_et_termine(m.config, 0x2007, "Mot de Configuration :\n");
}

void Algo1_Lit_ID_Config(Memoire_PIC& m) {
    if (!composant_choisi()) return;
    debut_passe();
    Load_Configuration(0x3FF);
    if (le_ID_enable != 0) {
        lit_ids(m);
    } else {
        for (int k = 0; k < nb_id - 1; ++k) Increment_Adress();
    }
    if (le_config_enable != 0) {
        for (int k = 0; k < increments_id_vers_config; ++k) Increment_Adress();
        m.config = Read_Data_From_Program_Memory();
    }
    fin_passe();
}

uint16_t Algo1_Lit_ID_Composant() {
    debut_passe();
    Load_Configuration(0x3FFF);
    for (int k = 0; k < 6; ++k) Increment_Adress();
    const uint16_t lu = Read_Data_From_Program_Memory();
    fin_passe();
    return lu;
}
