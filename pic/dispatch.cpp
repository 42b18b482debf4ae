#include "pic/dispatch.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/messages.h"
#include "eeprom/eeprom.h"
#include "pic/algorithmes.h"
#include "pic/commandes.h"

#include <utility>

int Charge_tout_vers_PM(const uint16_t* prog) {
    if (le_prog_enable == 0) return 0;
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    switch (p->algo) {
    case 1:
        return Algo1_Charge_tout_vers_PM(prog);
    case 2:
        return Algo2_Charge_tout_vers_PM(prog);
    case 3:
        return Algo3_Charge_tout_vers_PM(prog);
    case 4:
        return Algo4_Charge_tout_vers_PM(prog);
    case 5:
        return Algo5_Charge_tout_vers_PM(prog);
    case 6:
        return Algo6_Charge_tout_vers_PM(prog);
    default:
        return 0;
    }
}

int Charge_tout_vers_DM(const uint8_t* donnee) {
    if (le_data_enable == 0) return 0;
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    switch (p->algo) {
    case 1:
        return Algo1_Charge_tout_vers_DM(donnee);
    case 4:
        return Algo4_Charge_tout_vers_DM(donnee);
    case 5:
        return Algo5_Charge_tout_vers_DM(donnee);
    case 6:
        return Algo6_Charge_tout_vers_DM(donnee);
    case -1:
    case -2:
        return Charge_EEPROM_I2C(donnee);
    case -3:
        return Charge_EEPROM_serie(donnee, bits_adresse_serie(p->taille_donnee));
    case -4:
        return Charge_EEPROM_SPI(donnee, bits_adresse_SPI(p->taille_donnee));
    default:
        return 0;
    }
}

uint16_t* Lit_tout_de_PM(uint16_t* prog) {
    if (le_prog_enable == 0) return prog;
    const Desc_PIC* p = composant_choisi();
    if (!p) return prog;
    switch (p->algo) {
    case 1:
        return Algo1_Lit_tout_de_PM(prog);
    case 2:
        return Algo2_Lit_tout_de_PM(prog);
    case 3:
        return Algo3_Lit_tout_de_PM(prog);
    case 4:
        return Algo4_Lit_tout_de_PM(prog);
    case 5:
        return Algo5_Lit_tout_de_PM(prog);
    case 6:
        return Algo6_Lit_tout_de_PM(prog);
    default:
        return prog;
    }
}

uint8_t* Lit_tout_de_DM(uint8_t* donnee) {
    if (le_data_enable == 0) return donnee;
    const Desc_PIC* p = composant_choisi();
    if (!p) return donnee;
    switch (p->algo) {
    case 1:
        return Algo1_Lit_tout_de_DM(donnee);
    case 4:
        return Algo4_Lit_tout_de_DM(donnee);
    case 5:
        return Algo5_Lit_tout_de_DM(donnee);
    case 6:
        return Algo6_Lit_tout_de_DM(donnee);
    case -1:
    case -2:
        return Lire_EEPROM_I2C(donnee);
    case -3:
        return Lire_EEPROM_serie(donnee, bits_adresse_serie(p->taille_donnee));
    case -4:
        return Lire_EEPROM_SPI(donnee, bits_adresse_SPI(p->taille_donnee));
    default:
        return donnee;
    }
}

namespace {

bool a_mot_de_config(const Desc_PIC& p) {
    return p.algo >= 1 && p.algo <= 3;
}

int ecrit_ID_Config(const Desc_PIC& p, const Memoire_PIC& m) {
    switch (p.algo) {
    case 1:
        return Algo1_Charge_ID_Config(m);
    case 2:
        return Algo2_Charge_ID_Config(m);
    case 3:
        return Algo3_Charge_ID_Config(m);
    case 4:
        return Algo4_Charge_ID_Config(m);
    case 5:
        return Algo5_Charge_ID_Config(m);
    case 6:
        return Algo6_Charge_ID_Config(m);
    default:
        return 0;
    }
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

} // namespace

int Charge_ID_Config(const Memoire_PIC& m) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (m.config_definie || le_config_enable == 0 || !a_mot_de_config(*p))
        return ecrit_ID_Config(*p, m);
    // A word that nobody gave (the readers start from 0x03FF, which protects many parts) is
    // skipped like a 0xFFFF program word.
    message_erreur("Le fichier ne contient pas de mot de configuration : il n'est pas écrit", 0);
    const Config_non_ecrite sans_config;
    return ecrit_ID_Config(*p, m);
}

bool config_ecrite(const Memoire_PIC& m) {
    const Desc_PIC* p = pic_courant();
    return p && a_mot_de_config(*p) && le_config_enable != 0 && m.config_definie;
}

void Lit_ID_Config(Memoire_PIC& m) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return;
    switch (p->algo) {
    case 1:
        Algo1_Lit_ID_Config(m);
        break;
    case 2:
        Algo2_Lit_ID_Config(m);
        break;
    case 3:
        Algo3_Lit_ID_Config(m);
        break;
    case 4:
        Algo4_Lit_ID_Config(m);
        break;
    case 5:
        Algo5_Lit_ID_Config(m);
        break;
    case 6:
        Algo6_Lit_ID_Config(m);
        break;
    default:
        return;
    }
    if (le_config_enable != 0) m.config_definie = true;
}

bool peut_effacer(const Desc_PIC& p) {
    return p.algo == 1 || (p.algo >= 4 && p.algo <= 6) || (p.algo >= -4 && p.algo <= -1);
}

bool efface_ids_config(const Desc_PIC& p) {
    return p.algo >= 4 && p.algo <= 6;
}

int Efface_PIC() {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    switch (p->algo) {
    case 1:
        Efface_DM_et_PM();
        return 0;
    case 4:
        return Algo4_Efface();
    case 5:
        return Algo5_Efface();
    case 6:
        return Algo6_Efface();
    case -1:
    case -2:
    case -3:
    case -4:
        return Efface_EEPROM();
    default:
        return 0;
    }
}

uint16_t Lit_ID_Composant() {
    const Desc_PIC* p = composant_choisi();
    if (!p) return 0x3FFF;
    switch (p->algo) {
    case 1:
        return Algo1_Lit_ID_Composant();
    case 4:
        return Algo4_Lit_ID_Composant();
    case 5:
        return Algo5_Lit_ID_Composant();
    case 6:
        return Algo6_Lit_ID_Composant();
    default:
        return 0x3FFF;
    }
}

std::vector<uint16_t> tampon_prog_vierge() {
    return std::vector<uint16_t>(TAILLE_PROG_MAX, 0xFFFF);
}

std::vector<uint8_t> tampon_donnee_vierge() {
    return std::vector<uint8_t>(TAILLE_DONNEE_MAX, 0xFF);
}
