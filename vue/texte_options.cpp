// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/texte_options.h"

#include "core/repertoire_conf.h"
#include "hex/hex.h"
#include "vue/formats.h"

#include <algorithm>
#include <cctype>

const char* const sans_ligne = "—";
const char* const liste_lignes_donnees[9] = {"D0", "D1", "D2", "D3",      "D4",
                                             "D5", "D6", "D7", sans_ligne};
const char* const liste_lignes_etat[6] = {"0-ERROR/", "1-SELECT", "2-PE",
                                          "3-ACK/",   "4-BUSY/",  sans_ligne};
const char* const liste_types[3] = {"KORVAL", "P16Pro", "Autres"};
const char* const liste_ports[3] = {"3BC", "378 (LPT1 par défaut)", "278"};

namespace {

uint8_t un_decale(int decalage) {
    if (decalage < 0 || decalage > 7) return 0;
    return static_cast<uint8_t>(1u << decalage);
}

// Character i of the text, '\0' past its end (the text a C string would give).
char caractere(const std::string& texte, std::size_t i) {
    return i < texte.size() ? texte[i] : '\0';
}

int chiffre_hexa(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!std::isxdigit(u)) return -1;
    return std::isdigit(u) ? u - '0' : std::toupper(u) - 'A' + 10;
}

} // namespace

std::string texte_ligne_sortie(uint8_t masque) {
    if (masque == 0) return sans_ligne;
    int somme = 0;
    for (int bit = 1; bit < 8; ++bit)
        if (masque & (1u << bit)) somme += bit;
    return std::string("D") + static_cast<char>('0' + somme);
}

uint8_t masque_ligne_sortie(const std::string& texte) {
    return un_decale(caractere(texte, 1) - '0');
}

std::optional<std::string> texte_ligne_entree(uint8_t masque) {
    if (masque == 0) return sans_ligne;
    for (int k = 0; k < 5; ++k)
        if (masque == (8u << k)) return liste_lignes_etat[k];
    return std::nullopt;
}

uint8_t masque_ligne_entree(const std::string& texte) {
    if (texte == sans_ligne) return 0;
    return un_decale(caractere(texte, 0) - '-');
}

std::string texte_port(int port) {
    std::string t = ui2Hex(port, 3);
    if (port == 0x378) t += " (LPT1 par défaut)";
    return t;
}

int port_du_texte(const std::string& texte) {
    int port = 0;
    if (caractere(texte, 0) == '3') port += 0x378;
    if (caractere(texte, 1) == 'B') port += 0x44;
    if (caractere(texte, 0) == '2') port += 0x278;
    return port;
}

std::optional<std::string> texte_type(int type) {
    if (type < 0 || type > 2) return std::nullopt;
    return liste_types[type];
}

int type_du_texte(const std::string& texte) {
    switch (caractere(texte, 1)) {
    case '1':
        return 1;
    case 'u':
        return 2;
    default:
        return 0;
    }
}

std::string texte_plage(int valeur) {
    return ui2Hex(std::clamp(valeur, 0, 0xFFFF), 4);
}

Plage_lue lit_plage(const std::string& texte) {
    std::size_t i = 0;
    while (i < texte.size() && std::isspace(static_cast<unsigned char>(texte[i]))) ++i;
    bool negatif = false;
    if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) negatif = texte[i++] == '-';
    if (caractere(texte, i) == '0' && (caractere(texte, i + 1) | 0x20) == 'x' &&
        chiffre_hexa(caractere(texte, i + 2)) >= 0)
        i += 2;
    if (chiffre_hexa(caractere(texte, i)) < 0) return {0, "0"};
    long valeur = 0;
    for (int c; (c = chiffre_hexa(caractere(texte, i))) >= 0; ++i)
        valeur = std::min(valeur * 16 + c, 0x10000L); // anything above 0xFFFF is bounded alike
    if (negatif && valeur > 0) return {0, "0"};
    if (valeur > 0xFFFF) return {0xFFFF, "FFFF"};
    return {static_cast<int>(valeur), std::nullopt};
}

std::optional<Brochage> brochage_confirme(int type, const Brochage& autre) {
    switch (type) {
    case 0:
        return brochage_korval;
    case 1: {
        Brochage b = brochage_p16pro;
        b.l[L_SELECT] = {0x40, 1};
        b.l[L_DATA_93] = {0x20, 1};
        return b;
    }
    case 2:
        return autre;
    default:
        return std::nullopt;
    }
}

std::string texte_echec_sauvegarde(const std::vector<std::string>& chemins) {
    std::string t = "Les options n'ont pas pu être enregistrées";
    if (!chemins.empty()) {
        t += " dans :";
        for (const std::string& c : chemins) t += "\n" + c;
    }
    return t + "\nElles restent valables jusqu'à la fin du programme.";
}

std::string texte_adaptateur_au_demarrage(const std::string& adaptateur) {
    const std::string quoi =
        adaptateur.empty() ? "Le port parallèle" : "L'adaptateur « " + adaptateur + " »";
    return quoi + " servira au prochain démarrage de korval (sans --simulateur, --ppdev, --ftdi "
                  "ni --gpio).\nLe programmateur actuel reste en service jusque-là.";
}

const char* const note_tension_vpp =
    "Au-dessus de 9 V, les PIC16F1xxx et PIC12F1xxx sont entrés par la clé basse tension (LVP).";

std::optional<int> lit_tension_vpp(const std::string& texte) {
    const std::optional<uint32_t> lu = lit_chiffres(texte, 10, 2);
    if (!lu) return std::nullopt;
    const auto v = static_cast<int>(*lu); // two digits at most
    if (v < TENSION_VPP_MIN || v > TENSION_VPP_MAX) return std::nullopt;
    return v;
}

std::string texte_tension_refusee(const std::string& texte) {
    return "Tension VPP \"" + texte + "\" refusée : un nombre entier de " +
           std::to_string(TENSION_VPP_MIN) + " à " + std::to_string(TENSION_VPP_MAX) +
           " V est attendu.";
}
