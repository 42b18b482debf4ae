// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/dispatch.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "pic/commandes.h"
#include "pic/genres.h"

#include <utility>

namespace {

// The row of the selected device's kind; null (after a message) when no device is chosen.
const Operations_genre* genre_choisi() {
    const Desc_PIC* p = composant_choisi();
    return p ? operations_genre(*p) : nullptr;
}

bool config_facultative(const Desc_PIC& p) {
    const Faits_genre* f = faits_genre(p);
    return f && f->config_facultative;
}

// Keeps the configuration area switched off for the life of the object.
class Config_non_ecrite {
  public:
    Config_non_ecrite() : avant(std::exchange(le_config_enable, 0)) {}
    ~Config_non_ecrite() { le_config_enable = avant; }
    Config_non_ecrite(const Config_non_ecrite&) = delete;
    Config_non_ecrite& operator=(const Config_non_ecrite&) = delete;

  private:
    int avant;
};

int ecrit_ID_Config(const Desc_PIC& p, const Memoire_PIC& m) {
    const Operations_genre* g = operations_genre(p);
    return g && g->charge_id_config ? g->charge_id_config(m) : 0;
}

} // namespace

int Charge_tout_vers_PM(const uint16_t* prog) {
    if (le_prog_enable == 0) return 0;
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    const Operations_genre* g = operations_genre(*p);
    return g && g->charge_programme ? g->charge_programme(prog) : 0;
}

int Charge_tout_vers_DM(const uint8_t* donnee) {
    if (le_data_enable == 0) return 0;
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    const Operations_genre* g = operations_genre(*p);
    return g && g->charge_donnees ? g->charge_donnees(*p, donnee) : 0;
}

uint16_t* Lit_tout_de_PM(uint16_t* prog) {
    if (le_prog_enable == 0) return prog;
    const Operations_genre* g = genre_choisi();
    return g && g->lit_programme ? g->lit_programme(prog) : prog;
}

uint8_t* Lit_tout_de_DM(uint8_t* donnee) {
    if (le_data_enable == 0) return donnee;
    const Desc_PIC* p = composant_choisi();
    if (!p) return donnee;
    const Operations_genre* g = operations_genre(*p);
    return g && g->lit_donnees ? g->lit_donnees(*p, donnee) : donnee;
}

int Charge_ID_Config(const Memoire_PIC& m) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (m.config_definie || le_config_enable == 0 || !config_facultative(*p))
        return ecrit_ID_Config(*p, m);
    // A word that nobody gave (the readers start from 0x03FF, which protects many parts) is
    // skipped like a 0xFFFF program word.
    message_erreur("Le fichier ne contient pas de mot de configuration : il n'est pas écrit", 0);
    const Config_non_ecrite sans_config;
    return ecrit_ID_Config(*p, m);
}

bool config_ecrite(const Memoire_PIC& m) {
    const Desc_PIC* p = pic_courant();
    return p && config_facultative(*p) && le_config_enable != 0 && m.config_definie;
}

void Lit_ID_Config(Memoire_PIC& m) {
    const Operations_genre* g = genre_choisi();
    if (!g || !g->lit_id_config) return;
    g->lit_id_config(m);
    if (le_config_enable != 0) m.config_definie = true;
}

bool peut_effacer(const Desc_PIC& p) {
    const Operations_genre* g = operations_genre(p);
    return g && g->efface;
}

bool efface_ids_config(const Desc_PIC& p) {
    const Faits_genre* g = faits_genre(p);
    return g && g->technologie == Technologie::flash_recente;
}

int Efface_PIC() {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    const Operations_genre* g = operations_genre(*p);
    return g && g->efface ? g->efface() : 0;
}

uint16_t Lit_ID_Composant() {
    const Desc_PIC* p = composant_choisi();
    if (!p) return 0x3FFF;
    const Operations_genre* g = operations_genre(*p);
    return g && g->lit_id_composant ? g->lit_id_composant() : 0x3FFF;
}

std::vector<uint16_t> tampon_prog_vierge() {
    return std::vector<uint16_t>(TAILLE_PROG_MAX, 0xFFFF);
}

std::vector<uint8_t> tampon_donnee_vierge() {
    return std::vector<uint8_t>(TAILLE_DONNEE_MAX, 0xFF);
}
