// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/flash_recente.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "pic/commandes.h"
#include "pic/passe.h"
#include "pic/valeurs_usine.h"
#include "port/port.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace flash {

namespace {

// Configuration bits the selected part keeps whatever the image says (the 12F6xx bandgap).
uint16_t bits_gardes() {
    const Desc_PIC* p = pic_courant();
    return p ? bits_usine_config(*p) : 0;
}

constexpr int increments_config = 7; // from 0x2000 to the configuration word 0x2007
constexpr int increments_id = 6;     // from 0x2000 to the device ID 0x2006
constexpr unsigned adresse_config = 0x2007;
constexpr uint16_t mot_vierge = 0x3FFF;
const char* const prefixe_programme = "Programme : ";
const char* const prefixe_config = "Mot de Configuration :\n";
constexpr uint16_t retlw = 0x3400; // RETLW k: the factory oscillator calibration
const char* const texte_calibration_illisible =
    "Le mot de calibration de l'oscillateur (adresse %X) vaut %X : ce n'est pas une "
    "instruction RETLW.\nLe PIC n'a pas été effacé ni programmé.\nSi sa valeur est perdue, "
    "mettez-la dans le fichier HEX et activez l'écriture du mot de calibration "
    "(_ECRIRE_OSC_INT_12C5XX dans conf_port).";

void commande_seule(unsigned code) {
    data_a_1();
    attente(2);
    put_command(code);
}

struct Plage {
    int deb = 0, fin = -1; // empty when fin < deb
    bool contient(int i) const { return i >= deb && i <= fin; }
};

Plage plage(int enable, int deb, int fin, int taille) {
    if (enable == 0) return {};
    return {std::max(deb, 0), std::min(fin, taille - 1)};
}

// What the coming operation writes itself; the erase keeps the rest.
struct Zones_ecrites {
    Plage programme, donnees;
    bool ids = false, config = false;
    bool calibration = false; // the image's OSCCAL replaces the chip's
};

Zones_ecrites zones_de_l_ecriture(int taille_prog, int taille_donnee) {
    Zones_ecrites z;
    z.programme = plage(le_prog_enable, le_prog_deb, le_prog_fin, algo::taille_ecriture_prog());
    z.donnees = plage(le_data_enable, le_data_deb, le_data_fin, taille_donnee);
    z.ids = le_ID_enable != 0;
    z.config = le_config_enable != 0;
    z.calibration = z.programme.contient(taille_prog - 1);
    return z;
}

uint16_t lit_config(const Famille_flash& f) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < increments_config; ++k) Increment_Adress();
    const uint16_t config = Read_Data_From_Program_Memory();
    fin_passe();
    return config;
}

// Every word from 0 to n - 1, whatever the address range.
std::vector<uint16_t> lit_programme_entier(const Famille_flash& f, int n) {
    std::vector<uint16_t> mots(static_cast<std::size_t>(n));
    debut_passe(f);
    for (uint16_t& w : mots) {
        w = Read_Data_From_Program_Memory();
        Increment_Adress();
    }
    fin_passe();
    return mots;
}

std::vector<uint8_t> lit_donnees_entieres(const Famille_flash& f, int n) {
    std::vector<uint8_t> octets(static_cast<std::size_t>(n));
    debut_passe(f);
    for (uint8_t& b : octets) {
        b = static_cast<uint8_t>(Read_Data_From_Data_Memory() & 0xFF);
        Increment_Adress();
    }
    fin_passe();
    return octets;
}

void lit_ids(const Famille_flash& f, uint16_t ids[4]) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < 4; ++k) {
        ids[k] = Read_Data_From_Program_Memory();
        Increment_Adress();
    }
    fin_passe();
}

int ecrit_octets(const Famille_flash& f, const uint8_t* octets, int deb, int fin, int taille) {
    debut_passe(f);
    const bool fini = parcours_adresses(
        deb, fin, taille, 2, [taille] { return taille; },
        [&](int i) {
            const uint8_t b = octets[i];
            if ((Read_Data_From_Data_Memory() & 0xFF) == b) return true;
            Load_Data_For_Data_Memory(b);
            f.programme_octet();
            const uint16_t lu = Read_Data_From_Data_Memory();
            if ((lu & 0xFF) != b) {
                prog_erreur(static_cast<unsigned>(i), b, lu, prefixe_programme);
                return false;
            }
            return true;
        });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

int ecrit_ids(const Famille_flash& f, const uint16_t ids[4]) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    if (!algo::ecrit_ids_verifies(ids, f.programme_mot)) return -1;
    fin_passe();
    return 0;
}

// Writes the configuration word; with garde_bandgap its bits 13..12 are the chip's own.
int ecrit_config(const Famille_flash& f, uint16_t config, bool garde_bandgap) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < increments_config; ++k) Increment_Adress();
    if (garde_bandgap)
        config = static_cast<uint16_t>((config & ~bits_gardes()) |
                                       (Read_Data_From_Program_Memory() & bits_gardes()));
    Load_Data_For_Program_Memory(config);
    f.programme_mot();
    return algo::verifie_config_et_termine(config, adresse_config, prefixe_config);
}

// The chip's calibration word as the last erase found it (a RETLW), for an image that has no word
// there: writing the calibration word is allowed, not its loss.
std::optional<uint16_t> osccal_avant_effacement;

// Erases the whole chip and writes back what the operation described by z will not write.
int efface_en_gardant(const Famille_flash& f, const Zones_ecrites& z) {
    const Desc_PIC* p = pic_courant();
    const int n = p->taille_prog;
    const int nd = p->taille_donnee;
    const Fusibles& fu = tab_fuses[static_cast<std::size_t>(p->famille)];
    const uint32_t masque_cp = fu.masque[F_CP0] | fu.masque[F_CP1];
    const uint32_t masque_cpd = fu.masque[F_CPD];

    const uint16_t config = lit_config(f);
    // A protected area reads 0: nothing of it can be kept.
    const bool programme_lisible = (config & masque_cp) == masque_cp;
    const bool donnees_lisibles = (config & masque_cpd) == masque_cpd;
    const int n_gardes = f.garde_calibration ? n - 1 : n;
    const bool garde_programme =
        programme_lisible && !(z.programme.deb <= 0 && z.programme.fin >= n_gardes - 1);
    const bool garde_donnees =
        donnees_lisibles && nd > 0 && !(z.donnees.deb <= 0 && z.donnees.fin >= nd - 1);
    const bool garde_osccal = f.garde_calibration && !z.calibration;

    std::vector<uint16_t> programme(static_cast<std::size_t>(n), 0xFFFF);
    osccal_avant_effacement.reset();
    if (garde_programme || f.garde_calibration) {
        const std::vector<uint16_t> lu = lit_programme_entier(f, n);
        if (f.garde_calibration && programme_lisible && (lu.back() & 0x3F00) == retlw)
            osccal_avant_effacement = lu.back();
        if (garde_osccal && (lu.back() & 0x3F00) != retlw) {
            // Not a calibration value: erasing would lose it for good.
            char texte[400];
            std::snprintf(texte, sizeof texte, texte_calibration_illisible, n - 1,
                          static_cast<unsigned>(lu.back()));
            message_erreur(texte, 0);
            return -1;
        }
        for (int i = 0; i < n_gardes; ++i)
            if (garde_programme && !z.programme.contient(i))
                programme[static_cast<std::size_t>(i)] = lu[static_cast<std::size_t>(i)];
        if (garde_osccal) programme.back() = lu.back();
    }
    std::vector<uint8_t> donnees(static_cast<std::size_t>(nd), 0xFF);
    if (garde_donnees) {
        const std::vector<uint8_t> lu = lit_donnees_entieres(f, nd);
        for (int i = 0; i < nd; ++i)
            if (!z.donnees.contient(i))
                donnees[static_cast<std::size_t>(i)] = lu[static_cast<std::size_t>(i)];
    }
    uint16_t ids[4] = {mot_vierge, mot_vierge, mot_vierge, mot_vierge};
    if (!z.ids) lit_ids(f, ids);

    debut_passe(f);
    f.efface_tout();
    fin_passe();

    if (nd > 0 && ecrit_octets(f, donnees.data(), 0, nd - 1, nd) != 0) return -1;
    if (f.ecrit_programme(programme.data(), 0, n - 1, n) != 0) return -1;
    if (!z.ids && ecrit_ids(f, ids) != 0) return -1;
    if (!z.config) {
        // The kept word, protection lifted: the contents it protected are gone.
        const uint16_t libre = static_cast<uint16_t>(config | masque_cp | masque_cpd);
        return ecrit_config(f, libre, false);
    }
    if (f.garde_calibration)
        return ecrit_config(
            f, static_cast<uint16_t>(mot_vierge & ~bits_gardes()) | (config & bits_gardes()),
            false);
    return 0;
}

} // namespace

void Begin_Programming_Only(int attente_us) {
    commande_seule(8);
    attente(attente_us);
}

void Begin_Programming_External() {
    commande_seule(0x18);
}

void End_Programming_External(unsigned code) {
    commande_seule(code);
}

void Chip_Erase() {
    commande_seule(0x1F);
}

void programme_externe(int duree_us, unsigned code_fin, int apres_us) {
    Begin_Programming_External();
    attente(duree_us);
    End_Programming_External(code_fin);
    attente(apres_us);
}

void efface_programme_et_donnees(int attente_us) {
    Load_Configuration(0x3FFF);
    Bulk_Erase_Program_Memory();
    attente(attente_us);
    Bulk_Erase_Data_Memory();
    attente(attente_us);
}

void debut_passe(const Famille_flash& f) {
    if (!f.vpp_d_abord) {
        algo::debut_passe();
        return;
    }
    init_port();
    Commence_Prog_Mode(); // CLK and DATA low, VPP on while VDD is still off
    Power_on();
}

void fin_passe() {
    algo::fin_passe();
}

uint16_t lit_id_composant(const Famille_flash& f) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < increments_id; ++k) Increment_Adress();
    const uint16_t lu = Read_Data_From_Program_Memory();
    fin_passe();
    return lu;
}

int ecrit_mots_un_a_un(const Famille_flash& f, const uint16_t* mots, int deb, int fin, int taille) {
    debut_passe(f);
    const int n = algo::taille_prog();
    const bool fini = parcours_adresses(
        deb, fin, n, 0, [taille] { return taille; },
        [&](int i) { return algo::ecrit_mot_verifie(i, mots[i], f.programme_mot); });
    if (!fini) return -1;
    fin_passe();
    return 0;
}

// The write operation writes data, program, then IDs and configuration, each when enabled: the
// first of them erases the chip.
int ecrit_donnees(const Famille_flash& f, const uint8_t* donnee) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (efface_en_gardant(f, zones_de_l_ecriture(p->taille_prog, p->taille_donnee)) != 0) return -1;
    return ecrit_octets(f, donnee, le_data_deb, le_data_fin, p->taille_donnee);
}

int ecrit_programme(const Famille_flash& f, const uint16_t* prog) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (le_data_enable == 0 &&
        efface_en_gardant(f, zones_de_l_ecriture(p->taille_prog, p->taille_donnee)) != 0)
        return -1;
    const auto dernier = static_cast<std::size_t>(p->taille_prog - 1);
    if (f.garde_calibration && osccal_avant_effacement && prog[dernier] == 0xFFFF) {
        // Nothing to program there: the erased word gets the chip's calibration back.
        std::vector<uint16_t> copie(prog, prog + TAILLE_PROG_MAX);
        copie[dernier] = *osccal_avant_effacement;
        return f.ecrit_programme(copie.data(), le_prog_deb, le_prog_fin,
                                 algo::taille_ecriture_prog());
    }
    return f.ecrit_programme(prog, le_prog_deb, le_prog_fin, algo::taille_ecriture_prog());
}

int ecrit_ids_config(const Famille_flash& f, const Memoire_PIC& m) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (le_ID_enable == 0 && le_config_enable == 0) return 0;
    if (le_data_enable == 0 && le_prog_enable == 0 &&
        efface_en_gardant(f, zones_de_l_ecriture(p->taille_prog, p->taille_donnee)) != 0)
        return -1;
    if (le_ID_enable != 0) {
        const uint16_t ids[4] = {m.id[0], m.id[1], m.id[2], m.id[3]};
        if (ecrit_ids(f, ids) != 0) return -1;
    }
    if (le_config_enable == 0) return 0;
    return ecrit_config(f, m.config, f.garde_calibration);
}

uint16_t* lit_programme(const Famille_flash& f, uint16_t* prog) {
    if (!composant_choisi()) return prog;
    debut_passe(f);
    algo::lit_mots_programme(prog);
    fin_passe();
    return prog;
}

uint8_t* lit_donnees(const Famille_flash& f, uint8_t* donnee) {
    if (!composant_choisi()) return donnee;
    debut_passe(f);
    algo::lit_octets_donnees(donnee);
    fin_passe();
    return donnee;
}

void lit_ids_config(const Famille_flash& f, Memoire_PIC& m) {
    if (!composant_choisi()) return;
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < 4; ++k) {
        if (le_ID_enable != 0) m.id[k] = static_cast<uint8_t>(Read_Data_From_Program_Memory());
        if (k < 3) Increment_Adress();
    }
    if (le_config_enable != 0) {
        for (int k = 0; k < 4; ++k) Increment_Adress();
        m.config = Read_Data_From_Program_Memory();
    }
    fin_passe();
}

int efface(const Famille_flash& f) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    // Program and data memories as the area settings enable them (a disabled one is written
    // back); IDs and configuration always go, protection with them.
    Zones_ecrites effacees;
    effacees.programme = plage(le_prog_enable, 0, p->taille_prog - 1, p->taille_prog);
    effacees.donnees = plage(le_data_enable, 0, p->taille_donnee - 1, p->taille_donnee);
    effacees.ids = effacees.config = true;
    return efface_en_gardant(f, effacees);
}

} // namespace flash
