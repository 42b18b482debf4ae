// Prints the device catalogue read from the configuration directory.
#include "core/catalogue.h"
#include "core/conf_port.h"
#include "core/etat.h"

#include <cstdio>

int main() {
    Lire_Fichier_Conf();
    std::printf("%-4s %-20s %6s %7s %5s %s\n", "N", "Composant", "Mots", "Octets", "Algo", "Teste");
    for (std::size_t i = 0; i < tab_pic.size(); ++i) {
        const Desc_PIC& p = tab_pic[i];
        std::printf("%-4zu %-20s %6d %7d %5d %s\n", i, p.nom.c_str(), p.taille_prog,
                    p.taille_donnee, p.algo, p.teste ? "oui" : "non");
    }
    std::printf("%zu composants\n", tab_pic.size());
    return tab_pic.empty() ? 1 : 0;
}
