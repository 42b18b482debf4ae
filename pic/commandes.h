// SPDX-License-Identifier: GPL-2.0-or-later
// Serial programming protocol of the PICs: bit framing, one function per command, program mode,
// programmer detection and the common verification failure report.
#pragma once

#include "core/messages.h"
#include "port/port.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

struct Desc_PIC;

// A 14-bit data frame being read: its bits are known after vide_lignes(), so a run of words
// goes to a queuing adapter in one transfer.
struct Mot_differe {
    std::array<Lecture_differee, 14> bits;
};

void put_command(unsigned code);
void put_data(unsigned valeur);
uint16_t get_data();
Mot_differe demande_data();
uint16_t mot_lu(const Mot_differe& mot); // after vide_lignes()
void bit_stop();

void Load_Configuration(uint16_t valeur);
void Commande_1();
void Load_Data_For_Program_Memory(uint16_t valeur);
void Load_Data_For_Data_Memory(uint16_t valeur);
uint16_t Read_Data_From_Program_Memory();
uint16_t Read_Data_From_Data_Memory();
// The same reads, deferred.
Mot_differe Demande_Data_From_Program_Memory();
Mot_differe Demande_Data_From_Data_Memory();
void Increment_Adress();
void Commande_7();
void Begin_Programming();       // self-timed 10 ms write cycle
void Algo2_Begin_Programming(); // starts a 100 µs pulse
void Bulk_Erase_Program_Memory();
void Bulk_Erase_Data_Memory();
void End_Programming();

void Commence_Prog_Mode();
void Fini_Prog_Mode();
// Low-voltage entry of the parts that take a key (enhanced mid-range): VDD on with the
// programming-voltage line off (MCLR at 0 V), the 32-bit key least significant bit first, then
// one more clock. No programming voltage reaches the part.
void Entree_Cle_Basse_Tension(uint32_t cle);
int Detect_Programmateur();

// Words read during an address walk, resolved a block at a time: one transfer per block on a
// queuing adapter, each word at once on the others (their line sequence stays as it was).
// traite(adresse, mot) takes them in order and returns false to stop.
class Lectures_par_blocs {
  public:
    using Traite = std::function<bool(int adresse, uint16_t mot)>;
    explicit Lectures_par_blocs(Traite t);
    // False when a word resolved now stopped the walk.
    bool ajoute(int adresse, const Mot_differe& mot);
    bool termine(); // resolves the rest
  private:
    Traite traite;
    std::size_t taille_bloc;
    std::vector<std::pair<int, Mot_differe>> en_attente;
    bool arrete = false;
};

// Reports a verification failure, then leaves program mode and switches the supply off.
void prog_erreur(unsigned adresse, unsigned envoye, unsigned recu, const char* prefixe);

// The selected device, or null after posting a message when there is none.
const Desc_PIC* composant_choisi();

// Address walk over one memory area: first address (a negative one counts as 0) and last
// address (one below the first touches no word), the size read again at each word, the
// progress kind. pas(i) handles word i and returns false to
// stop the walk (the failure was reported). Returns false when stopped.
template <class Taille, class Pas>
bool parcours_adresses(int deb, int fin, int n, Sorte_progression kind, Taille taille, Pas pas);

template <class Taille, class Pas>
bool parcours_adresses(int deb, int fin, int n, Sorte_progression kind, Taille taille, Pas pas) {
    // A start beyond the memory walks no further than its end.
    deb = std::clamp(deb, 0, std::max(n, 0));
    for (int k = 0; k < deb; ++k) Increment_Adress();
    const int pas_progression = n / 100 + 1;
    for (int i = deb; i < taille() && i <= fin; ++i) {
        if (!pas(i)) return false;
        Increment_Adress();
        if (i % pas_progression == 0) gestion_bar(i, n, kind);
    }
    return true;
}
