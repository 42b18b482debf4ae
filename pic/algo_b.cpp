// Algorithm 5: PIC16F873A, 16F874A, 16F876A, 16F877A. VDD before VPP; a chip erase (0x1F, counter
// in configuration space) before every write; program memory goes through the chip's
// eight-word latch: the words of an aligned group are loaded with increments between them, then
// one externally timed, program-only cycle (0x18 .. 0x17) writes the whole group, and a second
// pass reads everything back. Data bytes are erased and written one at a time (8).
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/flash_recente.h"
#include "port/port.h"

#include <algorithm>

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 1500;    // 0x18 to End Programming: at least 1 ms
constexpr int t_fin_programmation_us = 100; // after End Programming
constexpr int t_donnee_us = 10000;          // data byte, erase and write: about 8 ms
constexpr int t_effacement_us = 10000;      // chip erase: about 8 ms
constexpr unsigned code_fin_programmation = 0x17;
constexpr int mots_par_groupe = 8; // the latch, indexed by address bits 2..0

void efface_tout() {
    Load_Configuration(0x3FFF); // configuration space: IDs, configuration and protection too
    flash::Chip_Erase();
    attente(t_effacement_us);
}

void programme_mot() {
    flash::Begin_Programming_External();
    attente(t_programmation_us);
    flash::End_Programming_External(code_fin_programmation);
    attente(t_fin_programmation_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

int ecrit_programme(const uint16_t* mots, int deb, int fin, int taille);

const flash::Famille_flash famille_b = {false,         false,           efface_tout,
                                        programme_mot, programme_octet, ecrit_programme};

// The word to load at address a: the image's, or all ones (programs nothing) outside the range
// and where the image has nothing.
uint16_t mot_du_groupe(const uint16_t* mots, int a, int premier, int dernier) {
    if (a < premier || a > dernier || mots[a] == 0xFFFF) return 0x3FFF;
    return static_cast<uint16_t>(mots[a] & 0x3FFF);
}

int ecrit_programme(const uint16_t* mots, int deb, int fin, int taille) {
    const int n = taille;
    const int premier = std::max(deb, 0);
    const int dernier = std::min(fin, taille - 1);
    const int pas_progression = n / 100 + 1;

    flash::debut_passe(famille_b);
    int compteur = 0; // the chip's address counter
    for (int g = premier - premier % mots_par_groupe; g <= dernier; g += mots_par_groupe) {
        bool utile = false;
        for (int k = 0; k < mots_par_groupe; ++k)
            if (mot_du_groupe(mots, g + k, premier, dernier) != 0x3FFF) utile = true;
        if (utile) {
            for (; compteur < g; ++compteur) Increment_Adress();
            for (int k = 0; k < mots_par_groupe; ++k) {
                Load_Data_For_Program_Memory(mot_du_groupe(mots, g + k, premier, dernier));
                if (k < mots_par_groupe - 1) {
                    Increment_Adress();
                    ++compteur;
                }
            }
            programme_mot();
        }
        if ((g / mots_par_groupe) % (pas_progression / mots_par_groupe + 1) == 0)
            gestion_bar(g, n, 0);
    }
    flash::fin_passe();

    flash::debut_passe(famille_b);
    // The read-back pass reports its progress as a read.
    const bool fini = parcours_adresses(
        deb, fin, n, 1, [taille] { return taille; },
        [&](int i) {
            const uint16_t w = mots[i];
            if (w == 0xFFFF) return true;
            const uint16_t lu = Read_Data_From_Program_Memory();
            if ((lu & 0x3FFF) != (w & 0x3FFF)) {
                prog_erreur(static_cast<unsigned>(i), w, lu, "Programme : ");
                return false;
            }
            return true;
        });
    if (!fini) return -1;
    flash::fin_passe();
    return 0;
}

} // namespace

int Algo5_Charge_tout_vers_PM(const uint16_t* prog) {
    return flash::ecrit_programme(famille_b, prog);
}
uint16_t* Algo5_Lit_tout_de_PM(uint16_t* prog) {
    return flash::lit_programme(famille_b, prog);
}
int Algo5_Charge_tout_vers_DM(const uint8_t* donnee) {
    return flash::ecrit_donnees(famille_b, donnee);
}
uint8_t* Algo5_Lit_tout_de_DM(uint8_t* donnee) {
    return flash::lit_donnees(famille_b, donnee);
}
int Algo5_Charge_ID_Config(const Memoire_PIC& m) {
    return flash::ecrit_ids_config(famille_b, m);
}
void Algo5_Lit_ID_Config(Memoire_PIC& m) {
    flash::lit_ids_config(famille_b, m);
}
int Algo5_Efface() {
    return flash::efface(famille_b);
}
uint16_t Algo5_Lit_ID_Composant() {
    return flash::lit_id_composant(famille_b);
}
