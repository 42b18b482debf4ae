// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/commandes.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "port/port.h"

#include <cstdio>

namespace {

// Clock high and low half-periods: the chip needs 100 ns, 1 µs is the finest wait of the port.
constexpr int t_demi_periode_us = 1;
// DATA high between two commands or before a data frame: the chip wants 1 µs (tDLY1); the extra
// microsecond covers slow line drivers.
constexpr int t_entre_commandes_us = 2;
// DATA released high between a read command and the start bit of its frame: the chip turns its
// pin around in 1 µs (tDLY2); the data read keeps one more.
constexpr int t_avant_lecture_programme_us = 1;
constexpr int t_avant_lecture_donnee_us = 2;
// Self-timed erase and write cycle of Algorithm 1 parts: 10 ms at most.
constexpr int t_cycle_ecriture_us = 10000;
// One EPROM programming pulse (Algorithms 2 and 3): 100 µs.
constexpr int t_impulsion_us = 100;
// Low-voltage key entry: after VDD rises (1 ms, as field practice waits) and after the key
// before the first command (250 us cited for later parts; 300 us here).
constexpr int t_avant_cle_us = 1000;
constexpr int t_apres_cle_us = 300;
// Lines settling after the port is opened, before the loop-back check.
constexpr int t_stabilisation_us = 10;

constexpr int bits_commande = 6;
constexpr int bits_donnee = 14; // a 16-bit frame less its start and stop bits

// Command codes of the serial programming protocol.
constexpr unsigned code_load_configuration = 0;
constexpr unsigned code_commande_1 = 1;
constexpr unsigned code_load_data_prog = 2;
constexpr unsigned code_load_data_donnee = 3;
constexpr unsigned code_read_data_prog = 4;
constexpr unsigned code_read_data_donnee = 5;
constexpr unsigned code_increment_address = 6;
constexpr unsigned code_commande_7 = 7;
constexpr unsigned code_begin_programming = 8;
constexpr unsigned code_bulk_erase_prog = 9;
constexpr unsigned code_bulk_erase_donnee = 11;
constexpr unsigned code_end_programming = 14;

// One bit towards the chip, which takes it on the falling clock edge.
void envoie_bit(unsigned bit) {
    clock_a_1();
    if (bit)
        data_a_1();
    else
        data_a_0();
    attente(t_demi_periode_us);
    clock_a_0();
    attente(t_demi_periode_us);
}

void prelude(unsigned code) {
    data_a_1();
    attente(t_entre_commandes_us);
    put_command(code);
}

void trame_ecriture(uint16_t valeur) {
    data_a_1();
    attente(t_entre_commandes_us);
    clock_a_1(); // start bit
    data_a_0();
    attente(t_demi_periode_us);
    clock_a_0();
    attente(t_demi_periode_us);
    put_data(valeur);
    bit_stop();
}

Mot_differe trame_lecture(int attente_initiale) {
    data_a_1();
    attente(attente_initiale);
    clock_a_1(); // start bit
    attente(t_demi_periode_us);
    clock_a_0();
    attente(t_demi_periode_us);
    const Mot_differe mot = demande_data();
    clock_a_1(); // stop bit
    attente(t_demi_periode_us);
    clock_a_0();
    attente(t_demi_periode_us);
    return mot;
}

} // namespace

void put_command(unsigned code) {
    for (int i = 0; i < bits_commande; ++i) envoie_bit((code >> i) & 1u);
}

void put_data(unsigned valeur) {
    for (int i = 0; i < bits_donnee; ++i) envoie_bit((valeur >> i) & 1u);
}

uint16_t get_data() {
    const Mot_differe mot = demande_data();
    vide_lignes();
    return mot_lu(mot);
}

Mot_differe demande_data() {
    Mot_differe mot;
    for (Lecture_differee& bit : mot.bits) {
        clock_a_1();
        attente(t_demi_periode_us);
        clock_a_0();
        attente(t_demi_periode_us);
        bit = demande_b_data();
    }
    return mot;
}

uint16_t mot_lu(const Mot_differe& mot) {
    unsigned valeur = 0;
    for (std::size_t i = 0; i < mot.bits.size(); ++i)
        if (niveau_lu(mot.bits[i])) valeur |= 1u << i;
    return static_cast<uint16_t>(valeur);
}

void bit_stop() {
    clock_a_1();
    data_a_0();
    attente(t_demi_periode_us);
    clock_a_0();
    attente(t_demi_periode_us);
}

void Load_Configuration(uint16_t valeur) {
    prelude(code_load_configuration);
    trame_ecriture(valeur);
}

void Commande_1() {
    prelude(code_commande_1);
}

void Load_Data_For_Program_Memory(uint16_t valeur) {
    prelude(code_load_data_prog);
    trame_ecriture(valeur);
}

void Load_Data_For_Data_Memory(uint16_t valeur) {
    prelude(code_load_data_donnee);
    trame_ecriture(valeur);
}

Mot_differe Demande_Data_From_Program_Memory() {
    attente(t_entre_commandes_us); // no DATA 1 before this command
    put_command(code_read_data_prog);
    return trame_lecture(t_avant_lecture_programme_us);
}

Mot_differe Demande_Data_From_Data_Memory() {
    prelude(code_read_data_donnee);
    return trame_lecture(t_avant_lecture_donnee_us);
}

uint16_t Read_Data_From_Program_Memory() {
    const Mot_differe mot = Demande_Data_From_Program_Memory();
    vide_lignes();
    return mot_lu(mot);
}

uint16_t Read_Data_From_Data_Memory() {
    const Mot_differe mot = Demande_Data_From_Data_Memory();
    vide_lignes();
    return mot_lu(mot);
}

void Increment_Adress() {
    prelude(code_increment_address);
}

void Commande_7() {
    prelude(code_commande_7);
}

void Begin_Programming() {
    prelude(code_begin_programming);
    attente(t_cycle_ecriture_us);
}

void Algo2_Begin_Programming() {
    prelude(code_begin_programming);
    attente(t_impulsion_us);
}

void Bulk_Erase_Program_Memory() {
    prelude(code_bulk_erase_prog);
}

void Bulk_Erase_Data_Memory() {
    prelude(code_bulk_erase_donnee);
}

void End_Programming() {
    prelude(code_end_programming);
}

void Commence_Prog_Mode() {
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_1();
}

void Fini_Prog_Mode() {
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_0();
}

void Entree_Cle_Basse_Tension(uint32_t cle) {
    clock_a_0();
    data_a_0();
    Vtest_Mode_a_0();
    Power_on();
    attente(t_avant_cle_us);
    for (int i = 0; i < 32; ++i) envoie_bit((cle >> i) & 1u);
    envoie_bit(0); // the extra clock
    data_a_0();
    attente(t_apres_cle_us);
}

int Detect_Programmateur() {
    init_port();
    attente(t_stabilisation_us);
    data_a_1();
    attente(t_demi_periode_us);
    if (get_b_data() == 0) return 0;
    data_a_0();
    attente(t_demi_periode_us);
    if (get_b_data() == 1) return 0;
    return 1;
}

Lectures_par_blocs::Lectures_par_blocs(Traite t)
    : traite(std::move(t)), taille_bloc(lignes_differees() ? 64 : 1) {}

bool Lectures_par_blocs::ajoute(int adresse, const Mot_differe& mot) {
    en_attente.emplace_back(adresse, mot);
    return en_attente.size() < taille_bloc || termine();
}

bool Lectures_par_blocs::termine() {
    if (en_attente.empty()) return !arrete;
    vide_lignes();
    for (const auto& [adresse, mot] : en_attente)
        if (!arrete && !traite(adresse, mot_lu(mot))) arrete = true;
    en_attente.clear();
    return !arrete;
}

void prog_erreur(unsigned adresse, unsigned envoye, unsigned recu, const char* prefixe) {
    char texte[255];
    std::snprintf(
        texte, sizeof texte,
        "%s\nUn problème est survenu : \nAdresse %X\nDonnee envoyée %X\n Donnée reçue %X\n",
        prefixe, adresse & 0xFFFFu, envoye & 0xFFFFu, recu & 0xFFFFu);
    message_erreur(texte, 0);
    Fini_Prog_Mode();
    Power_off();
}

const Desc_PIC* composant_choisi() {
    const Desc_PIC* p = pic_courant();
    if (!p) message_erreur("Aucun composant n'est sélectionné : le catalogue est vide", 0);
    return p;
}
