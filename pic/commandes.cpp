#include "pic/commandes.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "port/port.h"

#include <cstdio>

namespace {

// One bit towards the chip, which takes it on the falling clock edge.
void envoie_bit(unsigned bit) {
    clock_a_1();
    if (bit)
        data_a_1();
    else
        data_a_0();
    attente(1);
    clock_a_0();
    attente(1);
}

void prelude(unsigned code) {
    data_a_1();
    attente(2);
    put_command(code);
}

void trame_ecriture(uint16_t valeur) {
    data_a_1();
    attente(2);
    clock_a_1(); // start bit
    data_a_0();
    attente(1);
    clock_a_0();
    attente(1);
    put_data(valeur);
    bit_stop();
}

uint16_t trame_lecture(int attente_initiale) {
    data_a_1();
    attente(attente_initiale);
    clock_a_1(); // start bit
    attente(1);
    clock_a_0();
    attente(1);
    uint16_t mot = get_data();
    clock_a_1(); // stop bit
    attente(1);
    clock_a_0();
    attente(1);
    return mot;
}

} // namespace

void put_command(unsigned code) {
    for (int i = 0; i < 6; ++i) envoie_bit((code >> i) & 1u);
}

void put_data(unsigned valeur) {
    for (int i = 0; i < 14; ++i) envoie_bit((valeur >> i) & 1u);
}

uint16_t get_data() {
    unsigned mot = 0;
    for (int i = 0; i < 14; ++i) {
        clock_a_1();
        attente(1);
        clock_a_0();
        attente(1);
        if (get_b_data()) mot |= 1u << i;
    }
    return static_cast<uint16_t>(mot);
}

void bit_stop() {
    clock_a_1();
    data_a_0();
    attente(1);
    clock_a_0();
    attente(1);
}

void Load_Configuration(uint16_t valeur) {
    prelude(0);
    trame_ecriture(valeur);
}

void Commande_1() {
    prelude(1);
}

void Load_Data_For_Program_Memory(uint16_t valeur) {
    prelude(2);
    trame_ecriture(valeur);
}

void Load_Data_For_Data_Memory(uint16_t valeur) {
    prelude(3);
    trame_ecriture(valeur);
}

uint16_t Read_Data_From_Program_Memory() {
    attente(2); // no DATA 1 before this command
    put_command(4);
    return trame_lecture(1);
}

uint16_t Read_Data_From_Data_Memory() {
    prelude(5);
    return trame_lecture(2);
}

void Increment_Adress() {
    prelude(6);
}

void Commande_7() {
    prelude(7);
}

void Begin_Programming() {
    prelude(8);
    attente(10000);
}

void Algo2_Begin_Programming() {
    prelude(8);
    attente(100);
}

void Bulk_Erase_Program_Memory() {
    prelude(9);
}

void Bulk_Erase_Data_Memory() {
    prelude(11);
}

void End_Programming() {
    prelude(14);
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

int Detect_Programmateur() {
    init_port();
    attente(10);
    data_a_1();
    attente(1);
    if (get_b_data() == 0) return 0;
    data_a_0();
    attente(1);
    if (get_b_data() == 1) return 0;
    return 1;
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
