// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/etat.h"

#include "core/catalogue.h"
#include "core/memoire.h"

int pic_select = 0;
int type_de_prog = 0;
Brochage c_u = brochage_korval;
Brochage c_autre = {};
int PORT_PARA = 0x378;
int val_tempo = 0;
int tension_vpp = 13;

int le_prog_enable = 1;
int le_prog_deb = 0;
int le_prog_fin = 65535;
int le_data_enable = 1;
int le_data_deb = 0;
int le_data_fin = 65535;
int le_config_enable = 1;
int le_ID_enable = 1;
int osc_int_enable = 0;

std::string lastFile;
std::string adaptateur_conf;
std::string broches_conf[NB_LIGNES];

int ecrire_pic = 0;
int donnee_en_binaire = 0;
int juste_donnee = 0;
int lire_hex = 0;
int erreur_fin = 0;
int eeprom_rapide = 0;

void valeurs_par_defaut_conf() {
    type_de_prog = 0;
    pic_select = 0;
    PORT_PARA = 0x378;
    c_u = brochage_korval;
    le_prog_enable = 1;
    le_prog_deb = 0;
    le_prog_fin = 65535;
    le_data_enable = 1;
    le_data_deb = 0;
    le_data_fin = 65535;
    le_config_enable = 1;
    le_ID_enable = 1;
    osc_int_enable = 0;
    adaptateur_conf.clear();
    for (std::string& b : broches_conf) b.clear();
}

void remise_a_zero_etat() {
    valeurs_par_defaut_conf();
    c_autre = {};
    val_tempo = 0;
    tension_vpp = 13;
    lastFile.clear();
    ecrire_pic = 0;
    donnee_en_binaire = 0;
    juste_donnee = 0;
    lire_hex = 0;
    erreur_fin = 0;
    eeprom_rapide = 0;
    tab_pic.clear();
    tab_fuses = {};
    m_pic.reset();
}
