// SPDX-License-Identifier: GPL-2.0-or-later
#include "operations/operations.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/genre_puce.h"
#include "core/messages.h"
#include "hex/hex.h"
#include "operations/verifications.h"
#include "operations/vierge.h"
#include "operations/zones.h"
#include "pic/algorithmes.h"
#include "pic/commandes.h"
#include "pic/dispatch.h"
#include "pic/valeurs_usine.h"

#include <cstdio>
#include <vector>

const char* const texte_programmateur_absent = "Attention : le programmateur n'a pas été détecté";

namespace {

bool programmateur_present() {
    if (Detect_Programmateur() != 0) return true;
    message_erreur(texte_programmateur_absent, 0);
    return false;
}

template <class... T> std::string ligne(const char* format, T... valeurs) {
    char t[256];
    std::snprintf(t, sizeof t, format, valeurs...);
    return t;
}

// A line of both texts of the report.
void ajoute(Rapport_comparaison& r, const std::string& l) {
    r.texte += l;
    r.texte_avec_totaux += l;
}

const char* const ligne_difference =
    " ne correspondent pas :\nPour le mot n°%XH on a : %XH dans le PIC au lieu de %XH\n";

// Every address of the range where chip and image differ (compte(i) says whether it counts):
// the first in the report's line, all in the list. True when there is one.
template <class Lu, class Image>
bool compare_zone(Rapport_comparaison& r, const Lu* lu, const Image* image, Plage_adresses plage,
                  bool (*compte)(Image), bool programme, const char* sujet, const char* egal) {
    const std::size_t avant = r.differences.size();
    for (int i = plage.debut; i <= plage.fin; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        if (compte(image[k]) && lu[k] != image[k])
            r.differences.push_back({programme, static_cast<unsigned>(i),
                                     static_cast<unsigned>(lu[k]),
                                     static_cast<unsigned>(image[k])});
    }
    const std::size_t n = r.differences.size() - avant;
    if (n == 0) {
        ajoute(r, egal);
        return false;
    }
    const Difference& d = r.differences[avant];
    ajoute(r, sujet + ligne(ligne_difference, d.adresse, d.puce, d.image));
    const char* const pluriel = n > 1 ? "s" : "";
    r.texte_avec_totaux +=
        ligne("(%zu %s%s différent%s en tout)\n", n, programme ? "mot" : "octet", pluriel, pluriel);
    return true;
}

bool mot_compte(uint16_t w) {
    return w != 0xFFFF;
}
bool octet_compte(uint8_t) {
    return true;
}

// What the chip's configuration word protects: a read of those areas gives zeros.
struct Protection {
    bool programme = false, donnees = false;
};

// A protection field is on when any of its copies is 0. Parts whose layout has no CPD bit
// protect their data with CP.
Protection protection_de(const Desc_PIC& p, uint16_t config) {
    if (p.famille < 0 || p.famille >= NB_FAMILLES) return {};
    const Fusibles& f = tab_fuses[static_cast<std::size_t>(p.famille)];
    const auto actif = [&](Num_fuse n) {
        const uint32_t masque = f.masque[n];
        return masque != 0 && (config & masque) != masque;
    };
    Protection r;
    r.programme = actif(F_CP0) || actif(F_CP1);
    r.donnees = f.masque[F_CPD] != 0 ? actif(F_CPD) : actif(F_CP0);
    return r;
}

// The chip's configuration word, read on its own when the selection leaves it out.
uint16_t config_de_la_puce(const Zones_couvertes& z, uint16_t lue) {
    if (z.config) return lue;
    Memoire_PIC m;
    const int ids = le_ID_enable, config = le_config_enable;
    le_ID_enable = 0;
    le_config_enable = 1;
    Lit_ID_Config(m);
    le_ID_enable = ids;
    le_config_enable = config;
    return m.config;
}

// A word wider than the chip's words: no chip answered. Says so.
bool mot_trop_large(const Desc_PIC& p, uint16_t w, unsigned adresse) {
    const unsigned masque = (1u << largeur_mot(p)) - 1;
    if ((w & ~masque) == 0) return false;
    message_erreur(ligne("Le PIC a rendu le mot %XH à l'adresse %XH, plus large que ses mots "
                         "de %d bits : pas de puce dans le support, ou puce mal placée",
                         static_cast<unsigned>(w), adresse, largeur_mot(p)),
                   0);
    return true;
}

// Each EEPROM byte was read back as it was written; a smaller part in the socket repeats its
// addresses, so a later byte overwrites an earlier one unseen. The whole selection is read again.
bool eeprom_relue(const Desc_PIC& p, const Memoire_PIC& m) {
    const Plage_adresses z = zones_choisies(p).donnees;
    if (z.vide()) return true;
    std::vector<uint8_t> lu = tampon_donnee_vierge();
    if (!Lit_tout_de_DM(lu.data())) return false;
    for (int a = z.debut; a <= z.fin; ++a) {
        const auto k = static_cast<std::size_t>(a);
        if (lu[k] == m.donnee[k]) continue;
        message_erreur(ligne("EEPROM : Adresse %X, Donnee envoyée %X, Donnée reçue %X (relue après "
                             "toute l'écriture : une puce plus petite dans le support ?)",
                             static_cast<unsigned>(a), static_cast<unsigned>(m.donnee[k]),
                             static_cast<unsigned>(lu[k])),
                       0);
        return false;
    }
    return true;
}

const char* const texte_puce_protegee = "La puce est protégée : la lecture ne rend que des zéros";

} // namespace

Resultat_operation prepare_operation(bool forcer) {
    if (!programmateur_present()) return PROGRAMMATEUR_ABSENT;
    return composant_verifie(forcer) ? OPERATION_REUSSIE : OPERATION_ECHOUEE;
}

bool lit_programme(const Desc_PIC& p, uint16_t* prog) {
    if (!Lit_tout_de_PM(prog)) return false;
    const Plage_adresses z = zones_choisies(p).programme;
    for (int a = z.debut; a <= z.fin; ++a)
        if (mot_trop_large(p, prog[a], static_cast<unsigned>(a))) return false;
    return true;
}

Resultat_operation ecrit_image(const Memoire_PIC& m, bool forcer) {
    // An EPROM part would burn the first words before failing: nothing is sent.
    if (const Desc_PIC* p = pic_courant()) {
        if (const std::string refus = refus_image(m, *p); !refus.empty()) {
            message_erreur(refus, 0);
            return OPERATION_ECHOUEE;
        }
    }
    if (const Resultat_operation a = prepare_operation(forcer); a != OPERATION_REUSSIE) return a;
    if (!calibration_gardee(&m, forcer)) return OPERATION_ECHOUEE;
    if (Charge_tout_vers_DM(m.donnee.data()) != 0) return OPERATION_ECHOUEE;
    if (const Desc_PIC* p = pic_courant(); p && est_eeprom(*p) && !eeprom_relue(*p, m))
        return OPERATION_ECHOUEE;
    if (Charge_tout_vers_PM(m.prog.data()) != 0) return OPERATION_ECHOUEE;
    if (Charge_ID_Config(m) != 0) return OPERATION_ECHOUEE;
    return OPERATION_REUSSIE;
}

Resultat_operation lit_image(Memoire_PIC& m, bool forcer) {
    if (const Resultat_operation a = prepare_operation(forcer); a != OPERATION_REUSSIE) return a;
    const Desc_PIC* p = pic_courant();
    if (!p) return OPERATION_ECHOUEE;
    if (!Lit_tout_de_DM(m.donnee.data())) return OPERATION_ECHOUEE;
    if (est_pic(*p) && !lit_programme(*p, m.prog.data())) return OPERATION_ECHOUEE;
    Lit_ID_Config(m);
    if (est_pic(*p)) {
        const Zones_couvertes z = zones_choisies(*p);
        const Protection protegee = protection_de(*p, config_de_la_puce(z, m.config));
        if ((protegee.programme && !z.programme.vide()) ||
            (protegee.donnees && !z.donnees.vide())) {
            message_erreur(texte_puce_protegee, 0);
            if (!forcer) return OPERATION_ECHOUEE;
        }
    }
    return OPERATION_REUSSIE;
}

Resultat_operation efface_puce(bool forcer) {
    if (const Resultat_operation a = prepare_operation(forcer); a != OPERATION_REUSSIE) return a;
    const Desc_PIC* p = pic_courant();
    if (!p || !peut_effacer(*p)) return OPERATION_REUSSIE;
    if (!calibration_gardee(nullptr, forcer)) return OPERATION_ECHOUEE;
    if (Efface_PIC() != 0) return OPERATION_ECHOUEE;
    Rapport_vierge r;
    if (verifie_effacement(r) != OPERATION_REUSSIE) return OPERATION_ECHOUEE;
    if (r.vierge()) return OPERATION_REUSSIE;
    message_erreur("La puce n'est pas vierge après l'effacement :\n" + r.texte(), 0);
    return OPERATION_ECHOUEE;
}

namespace {

// Whether the configuration word read from the chip protects its program.
bool code_protege(const Desc_PIC& p, uint16_t config) {
    return protection_de(p, config).programme;
}

// The protection fuses of layout f at 0 in mot.
std::vector<std::string> protections_du_mot(const Fusibles& f, uint16_t mot) {
    std::vector<std::string> noms;
    for (const Num_fuse n : fuses_protection) {
        const uint32_t masque = f.masque[n];
        if ((mot & masque) != masque) noms.push_back(noms_fuses[n]);
    }
    return noms;
}

// The protection fuses a write of m turns on, word by word.
struct Protection_mot {
    int rang;        // 1: first configuration word, 2: second
    uint16_t valeur; // the word as the image gives it
    std::vector<std::string> noms;
};

std::vector<Protection_mot> protections_par_mot(const Memoire_PIC& m) {
    std::vector<Protection_mot> mots;
    const Desc_PIC* p = pic_courant();
    if (!p) return mots;
    if (config_ecrite(m))
        if (auto noms = protections_du_mot(fusibles_de(*p), m.config); !noms.empty())
            mots.push_back({1, m.config, std::move(noms)});
    if (le_config_enable != 0 && m.config2_definie && mots_config(*p) == 2)
        if (auto noms = protections_du_mot(fusibles2_de(*p), m.config2); !noms.empty())
            mots.push_back({2, m.config2, std::move(noms)});
    return mots;
}

} // namespace

std::vector<std::string> protections_ecrites(const Memoire_PIC& m) {
    std::vector<std::string> noms;
    for (const Protection_mot& w : protections_par_mot(m))
        noms.insert(noms.end(), w.noms.begin(), w.noms.end());
    return noms;
}

std::string texte_protections_ecrites(const Memoire_PIC& m) {
    std::string texte;
    for (const Protection_mot& w : protections_par_mot(m)) {
        std::string noms;
        for (const std::string& n : w.noms) noms += (noms.empty() ? "" : ", ") + n;
        texte += texte.empty() ? "le " : " ; le ";
        texte += w.rang == 2 ? "second mot de configuration " : "mot de configuration ";
        texte += ui2Hex(w.valeur, 4) + " active la protection du code (" + noms + ")";
    }
    return texte;
}

bool lvp_efface_par_l_ecriture(const Memoire_PIC& m) {
    constexpr uint16_t bit_lvp = 0x2000;
    const Desc_PIC* p = pic_courant();
    return p && p->algo == static_cast<int>(Genre_puce::flash_16f1xxx) && le_config_enable != 0 &&
           m.config2_definie && (m.config2 & bit_lvp) == 0 && entree_par_cle_16f1xxx();
}

std::string texte_lvp_efface(const Memoire_PIC& m) {
    char t[400];
    std::snprintf(t, sizeof t,
                  "le second mot de configuration %04X met LVP à 0 : ce programmateur n'entre dans "
                  "ce PIC que par la clé basse tension (sa tension de programmation, %d V, dépasse "
                  "les 9 V qu'il supporte) ; il ne pourrait plus le programmer.",
                  static_cast<unsigned>(m.config2), tension_vpp);
    return t;
}

namespace {

void compare_ids(Rapport_comparaison& r, const Memoire_PIC& lu, const Memoire_PIC& m) {
    for (int k = 0; k < 4; ++k) {
        if (lu.id[k] == m.id[k]) {
            ajoute(r, ligne("ID%d identiques\n", k));
        } else {
            ajoute(r, ligne("ID%d différents : On a %XH dans le PIC au lieu de %XH\n", k,
                            static_cast<unsigned>(lu.id[k]), static_cast<unsigned>(m.id[k])));
            r.difference = true;
        }
    }
}

void compare_configurations(Rapport_comparaison& r, const Desc_PIC& p, const Memoire_PIC& lu,
                            const Memoire_PIC& m) {
    // The 12F6xx bandgap bits (13..12) are the chip's own: the writer keeps them; bits the
    // part does not store are not compared either.
    const auto hors_image =
        static_cast<uint16_t>(bits_usine_config(p) | (0x3FFF & ~bits_config_implementes(p)));
    if (!m.config_definie) {
        // Not written either: the chip keeps its own.
        ajoute(r, "Le fichier ne contient pas de mot de configuration : il n'est pas "
                  "comparé\n");
    } else if ((lu.config | hors_image) == (m.config | hors_image)) {
        ajoute(r, "Les mot de configurations du PIC et de la mémoire sont identiques\n");
    } else {
        ajoute(r, ligne("Les mot de configuration du PIC et de la mémoire sont différents : On "
                        "a %XH dans le PIC au lieu de %XH\n",
                        static_cast<unsigned>(lu.config), static_cast<unsigned>(m.config)));
        r.difference = true;
    }
    if (mots_config(p) == 2 && m.config2_definie) {
        const auto masque = bits_config2_implementes(p);
        const bool egal = (lu.config2 & masque) == (m.config2 & masque);
        ajoute(r, egal
                      ? std::string("Les mots de configuration 2 du PIC et de la mémoire sont "
                                    "identiques\n")
                      : ligne("Les mots de configuration 2 du PIC et de la mémoire sont "
                              "différents : On a %XH dans le PIC au lieu de %XH\n",
                              static_cast<unsigned>(lu.config2), static_cast<unsigned>(m.config2)));
        r.difference |= !egal;
    }
    if (code_protege(p, lu.config)) ajoute(r, "La mémoire est protégée\n");
}

// Reads the data memory and compares it over plage; false when the read failed.
bool compare_donnees(Rapport_comparaison& r, const Memoire_PIC& m, Plage_adresses plage,
                     const char* sujet, const char* egal) {
    std::vector<uint8_t> donnees = tampon_donnee_vierge();
    if (!Lit_tout_de_DM(donnees.data())) return false;
    r.difference |=
        compare_zone(r, donnees.data(), m.donnee.data(), plage, octet_compte, false, sujet, egal);
    return true;
}

// The PIC's areas of z against the image; false when a read failed.
bool compare_pic(Rapport_comparaison& r, const Desc_PIC& p, const Zones_couvertes& z,
                 const Memoire_PIC& m) {
    Memoire_PIC lu(m.config);
    Lit_ID_Config(lu);
    if (z.config && mot_trop_large(p, lu.config, adresse_mot_config(p))) return false;
    if (z.ids) compare_ids(r, lu, m);
    if (z.config) compare_configurations(r, p, lu, m);
    // A protected area reads as zeros: no difference found there would be the chip's. Not
    // compared, it cannot be called identical either.
    const Protection protegee = protection_de(p, config_de_la_puce(z, lu.config));
    if (!z.programme.vide() && protegee.programme) {
        ajoute(r, "Le programme du PIC est protégé : il n'est pas comparé\n");
        r.difference = true;
    } else if (!z.programme.vide()) {
        std::vector<uint16_t> prog = tampon_prog_vierge();
        if (!lit_programme(p, prog.data())) return false;
        r.difference |= compare_zone(r, prog.data(), m.prog.data(), z.programme, mot_compte, true,
                                     "Le programme du PIC et celui en mémoire",
                                     "Le programme du PIC correspond à celui en mémoire\n");
    }
    if (!z.donnees.vide() && protegee.donnees) {
        ajoute(r, "Les données du PIC sont protégées : elles ne sont pas comparées\n");
        r.difference = true;
        return true;
    }
    return z.donnees.vide() ||
           compare_donnees(r, m, z.donnees, "Les données du PIC et celles en mémoire",
                           "Les données du PIC correspondent à celles en mémoire\n");
}

} // namespace

std::optional<Rapport_comparaison> compare_image(const Memoire_PIC& m, bool forcer) {
    Rapport_comparaison r;
    switch (prepare_operation(forcer)) {
    case PROGRAMMATEUR_ABSENT:
        return std::nullopt;
    case OPERATION_ECHOUEE:
        r.refusee = true;
        return r;
    default:
        break;
    }
    const Desc_PIC* p = pic_courant();
    if (!p) return r;
    const Zones_couvertes z = zones_choisies(*p);
    if (est_pic(*p))
        r.lecture_echouee = !compare_pic(r, *p, z, m);
    else if (!z.donnees.vide())
        r.lecture_echouee =
            !compare_donnees(r, m, z.donnees, "Les données de l'EEPROM et celles en mémoire",
                             "Les données de l'EEPROM correspondent à celles en mémoire\n");
    return r;
}

std::string texte_differences(const Rapport_comparaison& r) {
    std::string t;
    for (const Difference& d : r.differences)
        t += ligne("%s %XH : %XH dans le PIC au lieu de %XH\n",
                   d.programme ? "Programme" : "Données", d.adresse, d.puce, d.image);
    return t + ligne("%zu mots différents\n", r.differences.size());
}
