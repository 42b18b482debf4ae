// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/vierge.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "operations/verifications.h"
#include "pic/dispatch.h"
#include "pic/valeurs_usine.h"

#include <cstdio>

namespace {

template <class T, class Vierge>
void compte(Rapport_vierge& r, const char* zone, const T* lu, int taille, unsigned base,
            Vierge vierge) {
    Zone_non_vierge z{zone, 0, 0, 0};
    for (int i = 0; i < taille; ++i) {
        if (vierge(lu[i])) continue;
        if (z.nombre++ == 0) {
            z.premiere = base + static_cast<unsigned>(i);
            z.lu = lu[i];
        }
    }
    if (z.nombre > 0) r.zones.push_back(z);
}

Resultat_operation lit_et_compte(Rapport_vierge& r, const Desc_PIC& p, bool ids_config) {
    r.zones.clear();
    const int taille_donnee = p.taille_donnee;
    if (!est_eeprom(p)) {
        const uint16_t mot = mot_programme_vierge(p);
        std::vector<uint16_t> prog = tampon_prog_vierge();
        if (!lit_programme(p, prog.data())) return OPERATION_ECHOUEE;
        // The factory calibration is not the user's to blank.
        const int n = p.osc_cal ? p.taille_prog - 1 : p.taille_prog;
        compte(r, "Programme", prog.data(), n, 0, [mot](uint16_t w) { return (w & mot) == mot; });
    }
    if (taille_donnee > 0) {
        std::vector<uint8_t> donnees = tampon_donnee_vierge();
        if (!Lit_tout_de_DM(donnees.data())) return OPERATION_ECHOUEE;
        compte(r, "Données", donnees.data(), taille_donnee, 0, [](uint8_t b) { return b == 0xFF; });
    }
    if (!est_eeprom(p) && ids_config) {
        // Areas left unread keep blank values.
        const uint16_t config = config_vierge(p);
        const uint16_t usine = bits_usine_config(p);
        Memoire_PIC lu(config);
        for (uint8_t& id : lu.id) id = 0xFF;
        Lit_ID_Config(lu);
        const unsigned base_ids = coeur_12_bits(p) ? static_cast<unsigned>(p.taille_prog) : 0x2000;
        compte(r, "ID", lu.id, 4, base_ids, [](uint8_t b) { return b == 0xFF; });
        if ((lu.config | usine) != (config | usine))
            r.zones.push_back({"Configuration", adresse_mot_config(p), lu.config, 1});
        const uint16_t masque2 = bits_config2_implementes(p);
        if (mots_config(p) == 2 && (lu.config2 & masque2) != (config2_vierge(p) & masque2))
            r.zones.push_back({"Configuration", adresse_mot_config(p, 2), lu.config2, 1});
    }
    return OPERATION_REUSSIE;
}

} // namespace

std::string Rapport_vierge::texte() const {
    if (zones.empty()) return "La puce est vierge\n";
    std::string t;
    for (const Zone_non_vierge& z : zones) {
        char ligne[200];
        if (z.zone == "Configuration")
            std::snprintf(ligne, sizeof ligne, "Configuration : non vierge (%XH à l'adresse %XH)\n",
                          z.lu, z.premiere);
        else
            std::snprintf(ligne, sizeof ligne,
                          "%s : %d %s%s non vierge%s, le premier à l'adresse %XH (%XH)\n",
                          z.zone.c_str(), z.nombre, z.zone == "Données" ? "octet" : "mot",
                          z.nombre > 1 ? "s" : "", z.nombre > 1 ? "s" : "", z.premiere, z.lu);
        t += ligne;
    }
    return t;
}

Resultat_operation verifie_vierge(Rapport_vierge& r, bool forcer) {
    const Desc_PIC* p = pic_courant();
    if (!p) return OPERATION_ECHOUEE;
    if (const Resultat_operation a = prepare_operation(forcer); a != OPERATION_REUSSIE) return a;
    return lit_et_compte(r, *p, true);
}

Resultat_operation verifie_effacement(Rapport_vierge& r) {
    const Desc_PIC* p = pic_courant();
    if (!p) return OPERATION_ECHOUEE;
    return lit_et_compte(r, *p, efface_ids_config(*p));
}
