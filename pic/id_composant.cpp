#include "pic/id_composant.h"

#include <cstdio>

namespace {

struct Id_connu {
    const char* nom;
    uint16_t id;
};

constexpr Id_connu ids[] = {
    {"PIC16F84A", 0x0560},  {"PIC16F627", 0x07A0},  {"PIC16F628", 0x07C0},  {"PIC16F870", 0x0D00},
    {"PIC16F871", 0x0D20},  {"PIC16F872", 0x08E0},  {"PIC16F873", 0x0960},  {"PIC16F874", 0x0920},
    {"PIC16F876", 0x09E0},  {"PIC16F877", 0x09A0},  {"PIC16F627A", 0x1040}, {"PIC16F628A", 0x1060},
    {"PIC16F648A", 0x1100}, {"PIC16F873A", 0x0E40}, {"PIC16F874A", 0x0E60}, {"PIC16F876A", 0x0E00},
    {"PIC16F877A", 0x0E20}, {"PIC12F629", 0x0F80},  {"PIC12F675", 0x0FC0},  {"PIC16F630", 0x10C0},
    {"PIC16F676", 0x10E0},
};

constexpr uint16_t masque_revision = 0x001F;

std::string texte(const char* format, unsigned lu, const std::string& nom) {
    char t[200];
    std::snprintf(t, sizeof t, format, lu, nom.c_str());
    return t;
}

} // namespace

int id_attendu(const std::string& nom) {
    for (const Id_connu& i : ids)
        if (nom == i.nom) return i.id;
    return -1;
}

std::string nom_de_l_id(uint16_t lu) {
    for (const Id_connu& i : ids)
        if ((lu & 0x3FFF & ~masque_revision) == i.id) return i.nom;
    return "";
}

std::string ecart_id(const std::string& nom, uint16_t lu) {
    const int attendu = id_attendu(nom);
    lu &= 0x3FFF;
    if (attendu < 0 || (lu & ~masque_revision) == attendu) return "";
    if (lu == 0x3FFF || lu == 0x0000)
        return texte("Le composant dans le support ne répond pas (ID %04X) : absent ou protégé, "
                     "pas un %s",
                     lu, nom);
    const std::string autre = nom_de_l_id(lu);
    if (autre.empty())
        return texte("Le composant dans le support a un ID inconnu (%04X), pas celui d'un %s", lu,
                     nom);
    char t[200];
    std::snprintf(t, sizeof t, "Le composant dans le support est un %s (ID %04X), pas un %s",
                  autre.c_str(), lu, nom.c_str());
    return t;
}
