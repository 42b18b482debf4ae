// The device operations as both front ends run them: write the image into the chip, read the
// chip into the image, erase it, compare it with the image.
#pragma once

#include "core/memoire.h"

#include <optional>
#include <string>

enum Resultat_operation : int {
    OPERATION_REUSSIE = 0,
    OPERATION_ECHOUEE = -1,    // a verification failed; its message was posted
    PROGRAMMATEUR_ABSENT = -2, // nothing done; the message was posted
};

// Data memory, program memory, then IDs and configuration, stopping at the first failure, so a
// chip that fails verification never gets its configuration (and code protection).
Resultat_operation ecrit_image(const Memoire_PIC& m);
// Reads the enabled areas and ranges into the image's own buffers.
Resultat_operation lit_image(Memoire_PIC& m);
// Erases the selected chip when the programmer can (peut_effacer); a failure to restore its
// factory calibration after the erase posts a message and gives OPERATION_ECHOUEE.
Resultat_operation efface_puce();

struct Rapport_comparaison {
    std::string texte;       // the report's lines
    bool difference = false; // an ID, configuration, program or data line reports a difference
};
// Reads the chip into buffers of its own and compares it with the image; nothing when no
// programmer answers (the message was posted).
std::optional<Rapport_comparaison> compare_image(const Memoire_PIC& m);

extern const char* const texte_programmateur_absent;
