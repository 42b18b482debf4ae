// SPDX-License-Identifier: GPL-2.0-or-later
// Algorithm 5: PIC16F873A, 16F874A, 16F876A, 16F877A. VDD before VPP; a chip erase (0x1F, counter
// in configuration space) before every write; program memory goes through the chip's
// eight-word latch: the words of an aligned group are loaded with increments between them, then
// one externally timed, program-only cycle (0x18 .. 0x17) writes the whole group, and a second
// pass reads everything back. Data bytes and the configuration word are erased and written one at
// a time by the internally timed cycle (8).
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/flash_recente.h"
#include "pic/passe.h"
#include "port/port.h"

#include <algorithm>

namespace {

// Waits of the chip's cycles, with a margin over its data sheet.
constexpr int t_programmation_us = 1500;    // 0x18 to End Programming: at least 1 ms
constexpr int t_fin_programmation_us = 100; // after End Programming
constexpr int t_donnee_us = 10000;          // data byte, erase and write: about 8 ms
constexpr int t_effacement_us = 10000;      // chip erase: about 8 ms
constexpr int t_config_us = 10000; // configuration word, internally timed (8): at least 8 ms
constexpr unsigned code_fin_programmation = 0x17;
constexpr int mots_par_groupe = 8; // the latch, indexed by address bits 2..0

void efface_tout() {
    Load_Configuration(0x3FFF); // configuration space: IDs, configuration and protection too
    flash::Chip_Erase();
    attente(t_effacement_us);
}

void programme_mot() {
    flash::programme_externe(t_programmation_us, code_fin_programmation, t_fin_programmation_us);
}

// The configuration word takes the internally timed cycle: 0x18 .. 0x17 leaves it unchanged.
void programme_config() {
    flash::Begin_Programming_Only(t_config_us);
}

void programme_octet() {
    flash::Begin_Programming_Only(t_donnee_us);
}

// The word to load at address a: the image's, or all ones (programs nothing) outside the range
// and where the image has nothing.
uint16_t mot_du_groupe(const uint16_t* mots, int a, int premier, int dernier) {
    if (a < premier || a > dernier || mots[a] == 0xFFFF) return 0x3FFF;
    return static_cast<uint16_t>(mots[a] & 0x3FFF);
}

int ecrit_groupes(const uint16_t* mots, int deb, int fin, int taille, flash::Echecs* echecs) {
    const int n = taille;
    const int premier = std::max(deb, 0);
    const int dernier = flash::dernier_a_ecrire(mots, premier, fin, taille);
    if (dernier < premier) return 0;
    const int pas_progression = n / 100 + 1;
    flash::Verification v{echecs};

    flash::debut_passe(flash::famille_87xa);
    int compteur = 0; // the chip's address counter
    bool arrete = false;
    for (int g = premier - premier % mots_par_groupe; g <= dernier && !arrete;
         g += mots_par_groupe) {
        arrete = v.arret();
        bool utile = false;
        for (int k = 0; k < mots_par_groupe; ++k)
            if (mot_du_groupe(mots, g + k, premier, dernier) != 0x3FFF) utile = true;
        if (utile && !arrete) {
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
            gestion_bar(g, n, ecriture_programme);
    }
    flash::fin_passe();
    if (arrete) return -1;

    flash::debut_passe(flash::famille_87xa);
    // The read-back pass reports its progress as a read.
    Lectures_par_blocs lus([&](int i, uint16_t lu) {
        return v.juste(static_cast<unsigned>(i), mots[i], lu, 0x3FFF, "Programme : ");
    });
    const bool fini = parcours_adresses(
        premier, dernier, n, lecture_programme, [taille] { return taille; },
        [&](int i) {
            return mots[i] == 0xFFFF || lus.ajoute(i, Demande_Data_From_Program_Memory());
        });
    return v.termine(lus.termine() && fini);
}

} // namespace

const flash::Famille_flash flash::famille_87xa = {
    false, false, efface_tout, programme_mot, programme_config, programme_octet, ecrit_groupes};
