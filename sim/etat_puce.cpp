#include "sim/etat_puce.h"

#include "core/messages.h"
#include "core/sauvegarde.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

void demarre_vierge(const std::string& raison, const Modele_puce& puce) {
    message_erreur(raison + " : la puce simulée " + puce.description().nom + " démarre vierge.", 0);
}

} // namespace

std::string nom_puce_etat(const std::string& texte) {
    static const std::string entete = "; puce ";
    if (texte.compare(0, entete.size(), entete) != 0) return "";
    std::size_t fin = texte.find_first_of("\r\n", entete.size());
    std::string nom = texte.substr(entete.size(), fin == std::string::npos ? std::string::npos
                                                                           : fin - entete.size());
    while (!nom.empty() && (nom.back() == ' ' || nom.back() == '\t')) nom.pop_back();
    return nom;
}

bool charge_etat_puce(Modele_puce& puce, const std::string& chemin) {
    std::error_code ec;
    fs::file_status st = fs::status(chemin, ec);
    if (st.type() == fs::file_type::not_found) return false;

    std::ifstream f;
    if (st.type() == fs::file_type::regular) f.open(chemin, std::ios::binary);
    std::ostringstream lu;
    if (f) lu << f.rdbuf();
    if (!f.is_open() || f.bad()) {
        demarre_vierge("Impossible de lire le fichier d'état " + chemin, puce);
        return false;
    }
    return charge_etat_puce_texte(puce, lu.str(), chemin);
}

bool charge_etat_puce_texte(Modele_puce& puce, const std::string& texte,
                            const std::string& chemin) {
    const std::string& attendu = puce.description().nom;
    std::string nom = nom_puce_etat(texte);
    if (nom.empty()) {
        demarre_vierge("Le fichier d'état " + chemin + " ne nomme aucune puce", puce);
        return false;
    }
    if (nom != attendu) {
        demarre_vierge("Le fichier d'état " + chemin + " est celui d'une " + nom + ", pas d'une " +
                           attendu,
                       puce);
        return false;
    }
    std::string vierge = puce.etat_hex();
    if (!puce.charge_etat_hex(texte)) {
        // The model may have taken part of the text before giving up.
        puce.charge_etat_hex(vierge);
        demarre_vierge("Le fichier d'état " + chemin + " est illisible", puce);
        return false;
    }
    return true;
}

bool sauve_etat_puce(const Modele_puce& puce, const std::string& chemin) {
    const int erreur = sauvegarde_fichier(chemin, puce.etat_hex());
    if (erreur != 0)
        message_erreur("Impossible d'enregistrer l'état de la puce simulée dans " + chemin + " : " +
                           std::strerror(erreur),
                       0);
    return erreur == 0;
}
