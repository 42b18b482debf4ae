// SPDX-License-Identifier: GPL-2.0-or-later
#include "vue/bilan_operation.h"

#include "core/etat.h"
#include "core/genre_puce.h"
#include "hex/hex.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::string quantite(int n, const char* unite) {
    return std::to_string(n) + " " + unite + (n > 1 ? "s" : "");
}

} // namespace

int cases_couvertes(int active, int deb, int fin, int taille) {
    if (active == 0) return 0;
    return std::max(0, std::min(fin, taille - 1) - std::max(deb, 0) + 1);
}

std::string texte_bilan(Operation_faite op, const Desc_PIC& p, const Memoire_PIC& m) {
    if (op == Operation_faite::effacement) return "Effacé et vérifié vierge";
    std::vector<std::string> parties;
    if (const int mots = cases_couvertes(le_prog_enable, le_prog_deb, le_prog_fin, p.taille_prog))
        parties.push_back(quantite(mots, "mot"));
    if (const int octets =
            cases_couvertes(le_data_enable, le_data_deb, le_data_fin, p.taille_donnee))
        parties.push_back(quantite(octets, "octet"));
    const bool config = op == Operation_faite::ecriture ? m.config_definie : true;
    if (est_pic(p) && le_config_enable != 0 && config)
        parties.push_back("configuration " + ui2Hex(m.config, 4));
    std::string t = op == Operation_faite::ecriture ? "Écrit et vérifié" : "Relu";
    for (std::size_t i = 0; i < parties.size(); ++i) t += (i ? ", " : " : ") + parties[i];
    return t;
}

std::string texte_secondes(double secondes) {
    char t[32];
    std::snprintf(t, sizeof t, "%.1f s", secondes);
    std::string s = t;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}
