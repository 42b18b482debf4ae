// SPDX-License-Identifier: GPL-2.0-or-later
#include "hex/hex.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "core/sauvegarde.h"
#include "hex/entree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr const char* MSG_LIGNE_INCORRECTE = "Une ligne du fichier n'est pas correcte";

constexpr unsigned TYPE_DONNEES = 0x00;
constexpr unsigned TYPE_ADRESSE_SEGMENT = 0x02;
constexpr unsigned TYPE_ADRESSE_LINEAIRE = 0x04;

// Longest line read (a record of 255 bytes takes 521 characters), and the bad lines after which
// the text is taken for something else than Intel HEX.
constexpr std::size_t LONGUEUR_LIGNE_MAX = 1024;
constexpr int LIGNES_INCORRECTES_MAX = 10;

// PIC layout, 14-bit core: byte addresses of the fixed areas.
constexpr unsigned ADR_ID_14 = 0x4000;
constexpr unsigned ADR_ID_14_FIN = 0x400D;
constexpr unsigned ADR_CONFIG_14 = 0x400E;
// Second configuration word of the parts that have one; the calibration word on others, which
// a file never gives.
constexpr unsigned ADR_CONFIG2_14 = 0x4010;
constexpr unsigned ADR_DONNEE_14 = 0x4200;
// PIC layout, 12-bit core: the configuration word sits at word 0xFFF.
constexpr unsigned ADR_CONFIG_12 = 0x1FFE;
// Enhanced layout (configuration space at word 0x8000): IDs, two configuration words and the
// data EEPROM above 64 KiB, reached through type 04 records.
constexpr unsigned ADR_ID_ETENDU = 0x10000;
constexpr unsigned ADR_CONFIG_ETENDU = 0x1000E;
constexpr unsigned ADR_CONFIG2_ETENDU = 0x10010;
constexpr unsigned ADR_DONNEE_ETENDU = 0x1E000;
// gpasm gives these parts' configuration words bits 15-14 set; the chip stores 14 bits.
constexpr uint16_t MASQUE_CONFIG_ETENDU = 0x3FFF;

// Geometry of the selected device as the HEX layouts see it: no device means a 14-bit core
// with no memory.
struct Geometrie {
    int taille_prog = 0;
    int taille_donnee = 0;
    bool coeur_12 = false;
    bool etendue = false; // enhanced layout
    bool composant = false;
    bool config2 = false; // a second configuration word
};

Geometrie geometrie_courante() {
    Geometrie g;
    if (const Desc_PIC* p = pic_courant()) {
        g.composant = true;
        g.taille_prog = std::clamp(p->taille_prog, 0, TAILLE_PROG_MAX);
        g.taille_donnee = std::clamp(p->taille_donnee, 0, TAILLE_DONNEE_MAX);
        g.coeur_12 = coeur_12_bits(*p);
        g.config2 = mots_config(*p) == 2;
        const Faits_genre* f = faits_genre(*p);
        g.etendue = f && f->espace_config == 0x8000;
    }
    return g;
}

// One decoded record.
struct Enregistrement {
    unsigned adresse = 0;
    unsigned type = 0;
    std::vector<uint8_t> donnees;
};

int valeur_chiffre(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int ligne_incorrecte(Lecture_hex& etat) {
    message_erreur(MSG_LIGNE_INCORRECTE, 0);
    ++etat.lignes_incorrectes;
    ++etat.messages;
    return -1;
}

bool est_blanc(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Decodes a line common to both layouts: 1 record in r, 0 comment, -1 bad line (message
// posted). Fields are read by position, so blanks after the checksum do not count. A checksum
// mismatch is reported and the record is returned all the same.
int decode_ligne(std::string_view ligne, Enregistrement& r, Lecture_hex& etat) {
    if (ligne.empty() || ligne[0] != ':') {
        if (!ligne.empty() && ligne[0] == ';') return 0;
        return ligne_incorrecte(etat);
    }
    while (est_blanc(ligne.back())) ligne.remove_suffix(1);
    const std::size_t chiffres = ligne.size() - 1;
    // count, two address bytes, type and checksum at least
    if (chiffres % 2 != 0 || chiffres < 10) return ligne_incorrecte(etat);
    std::vector<uint8_t> octets(chiffres / 2);
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const int fort = valeur_chiffre(ligne[1 + 2 * i]);
        const int faible = valeur_chiffre(ligne[2 + 2 * i]);
        if (fort < 0 || faible < 0) return ligne_incorrecte(etat);
        octets[i] = static_cast<uint8_t>(fort << 4 | faible);
    }
    const std::size_t nombre = octets[0];
    if (octets.size() != 5 + nombre) return ligne_incorrecte(etat);
    r.adresse = static_cast<unsigned>(octets[1] << 8 | octets[2]);
    r.type = octets[3];
    if ((r.type == TYPE_ADRESSE_LINEAIRE || r.type == TYPE_ADRESSE_SEGMENT) && nombre != 2)
        return ligne_incorrecte(etat);

    unsigned somme = 0;
    for (std::size_t i = 0; i < 4 + nombre; ++i) somme += octets[i];
    if (((0x100 - (somme & 0xFF)) & 0xFF) != octets[4 + nombre]) {
        message_erreur("Une erreur de cheksum est survenue sur la ligne :\n" +
                           std::string(ligne.substr(1)) + "\n",
                       0);
        ++etat.messages;
    }
    r.donnees.assign(octets.begin() + 4, octets.begin() + 4 + static_cast<std::ptrdiff_t>(nombre));
    return 1;
}

uint16_t mot(const Enregistrement& r, std::size_t j) {
    return static_cast<uint16_t>(r.donnees[2 * j] | r.donnees[2 * j + 1] << 8);
}

uint16_t adresse_du_type(const Enregistrement& r) {
    return static_cast<uint16_t>(r.donnees[0] << 8 | r.donnees[1]);
}

// A type 04 record sets the reader's upper address bits, a type 02 its segment: true for them.
bool retient_adresse(const Enregistrement& r, Lecture_hex& etat) {
    if (r.type == TYPE_ADRESSE_LINEAIRE)
        etat.adresse_haute = adresse_du_type(r);
    else if (r.type == TYPE_ADRESSE_SEGMENT)
        etat.segment = adresse_du_type(r);
    else
        return false;
    return true;
}

// Data words of the record to prog from the word at its address; those at or beyond the
// device's size that hold something are counted as outside it.
void range_programme(const Enregistrement& r, Memoire_PIC& m, const Geometrie& g,
                     Lecture_hex& etat) {
    const std::size_t base = r.adresse / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j) {
        const uint16_t w = mot(r, j);
        if (base + j < m.prog.size()) m.prog[base + j] = w;
        if (g.composant && base + j >= static_cast<std::size_t>(g.taille_prog) && w != 0xFFFF)
            ++etat.hors_composant;
    }
}

// Low bytes of the record's words at word addresses mot_id to mot_id + 3 to the IDs.
void range_id(const Enregistrement& r, Memoire_PIC& m, std::size_t mot_id) {
    const std::size_t base = r.adresse / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j)
        if (base + j >= mot_id && base + j < mot_id + 4) m.id[base + j - mot_id] = r.donnees[2 * j];
}

void range_config(const Enregistrement& r, Memoire_PIC& m) {
    if (r.donnees.size() < 2) return;
    m.config = mot(r, 0);
    m.config_definie = true;
}

// The second configuration word, at word j of the record.
void range_config2(const Enregistrement& r, Memoire_PIC& m, std::size_t j) {
    if (r.donnees.size() < 2 * j + 2) return;
    m.config2 = mot(r, j);
    m.config2_definie = true;
}

// Low bytes of the record's words to the data EEPROM, word 0x2100 being byte 0; adresse is
// the record's whole address (type 04 upper bits included).
void range_donnees_pic(uint32_t adresse, const Enregistrement& r, Memoire_PIC& m,
                       const Geometrie& g, Lecture_hex& etat) {
    const std::size_t base = adresse / 2 - ADR_DONNEE_14 / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j) {
        const uint8_t octet = r.donnees[2 * j];
        if (base + j < m.donnee.size()) m.donnee[base + j] = octet;
        if (g.composant && base + j >= static_cast<std::size_t>(g.taille_donnee) && octet != 0xFF)
            ++etat.hors_composant;
    }
}

// Enhanced layout: each word of the record where its address puts it.
void range_etendu(uint32_t adresse, const Enregistrement& r, Memoire_PIC& m, const Geometrie& g,
                  Lecture_hex& etat) {
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j) {
        const uint32_t a = adresse + 2 * static_cast<uint32_t>(j);
        const uint16_t w = mot(r, j);
        const std::size_t i = a / 2;
        bool dehors = false; // something to program where the device has nothing
        if (a < ADR_ID_ETENDU) {
            if (i < m.prog.size()) m.prog[i] = w;
            dehors = i >= static_cast<std::size_t>(g.taille_prog) && w != 0xFFFF;
        } else if (a < ADR_ID_ETENDU + 8) {
            m.id[i - ADR_ID_ETENDU / 2] = r.donnees[2 * j];
        } else if (a == ADR_CONFIG_ETENDU) {
            m.config = w & MASQUE_CONFIG_ETENDU;
            m.config_definie = true;
        } else if (a == ADR_CONFIG2_ETENDU) {
            m.config2 = w & MASQUE_CONFIG_ETENDU;
            m.config2_definie = true;
        } else if (a >= ADR_DONNEE_ETENDU) {
            const std::size_t n = i - ADR_DONNEE_ETENDU / 2;
            if (n < m.donnee.size()) m.donnee[n] = r.donnees[2 * j];
            dehors = n >= static_cast<std::size_t>(g.taille_donnee) && r.donnees[2 * j] != 0xFF;
        } else {
            dehors = w != 0xFFFF;
        }
        if (g.composant && dehors) ++etat.hors_composant;
    }
}

// Words of a record that has no place on the selected device.
void compte_hors_composant(const Enregistrement& r, const Geometrie& g, Lecture_hex& etat) {
    if (!g.composant) return;
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j)
        if (mot(r, j) != 0xFFFF) ++etat.hors_composant;
}

// Hands every line of the stream to traite. A line ends at LF or CR, and the character after a
// CR is dropped; a last line without a line break counts. A line longer than
// LONGUEUR_LIGNE_MAX is a bad line, and so is each further stretch of that length (an endless
// line ends the reading). Reading stops after LIGNES_INCORRECTES_MAX bad lines.
template <class Traitement>
void lit_lignes(std::istream& flux, Lecture_hex& etat, Traitement&& traite) {
    std::string ligne;
    std::size_t ignores = 0; // characters dropped from an overlong line
    char c;
    while (etat.lignes_incorrectes < LIGNES_INCORRECTES_MAX && flux.get(c)) {
        if (c == '\n' || c == '\r') {
            if (c == '\r') flux.get();
            if (ignores == 0) traite(ligne);
            ligne.clear();
            ignores = 0;
        } else if (ignores > 0 || ligne.size() == LONGUEUR_LIGNE_MAX) {
            if (ignores % LONGUEUR_LIGNE_MAX == 0) ligne_incorrecte(etat);
            ligne.clear();
            ++ignores;
        } else {
            ligne.push_back(c);
        }
    }
    etat.illisible = flux.bad();
    if (etat.lignes_incorrectes >= LIGNES_INCORRECTES_MAX) {
        message_erreur("Lecture arrêtée après " + std::to_string(etat.lignes_incorrectes) +
                           " lignes incorrectes : ce n'est pas un fichier Intel HEX ?",
                       0);
        ++etat.messages;
    } else if (!ligne.empty() && ignores == 0 && !etat.illisible) {
        traite(ligne);
    }
}

using Lecteur_ligne = int (*)(const std::string&, Memoire_PIC&, Lecture_hex&);

void remplit_flux(std::istream& flux, Memoire_PIC& m, Lecteur_ligne lire_ligne,
                  Lecture_hex* bilan) {
    Lecture_hex etat;
    lit_lignes(flux, etat, [&](const std::string& ligne) { lire_ligne(ligne, m, etat); });
    if (bilan) *bilan = etat;
}

std::unique_ptr<Memoire_PIC> lit_flux(std::istream& flux, Lecteur_ligne lire_ligne,
                                      Lecture_hex* bilan) {
    auto m = std::make_unique<Memoire_PIC>(CONFIG_VIERGE_LECTURE);
    remplit_flux(flux, *m, lire_ligne, bilan);
    return m;
}

std::unique_ptr<Memoire_PIC> lit_fichier(const std::string& chemin, Lecteur_ligne lire_ligne,
                                         Lecture_hex* bilan) {
    Lecture_hex etat;
    auto m = lit_chemin(chemin, etat.illisible,
                        [&](std::istream& f) { return lit_flux(f, lire_ligne, &etat); });
    if (etat.illisible) ++etat.messages; // the message of lit_chemin
    if (bilan) *bilan = etat;
    return m;
}

// Appends one record with its checksum, upper-case, CR LF.
void ajoute_enregistrement(std::string& sortie, unsigned adresse, unsigned type,
                           const uint8_t* octets, std::size_t nombre) {
    unsigned somme = static_cast<unsigned>(nombre) + (adresse >> 8) + (adresse & 0xFF) + type;
    sortie += ':';
    sortie += ui2Hex(static_cast<int>(nombre), 2);
    sortie += ui2Hex(static_cast<int>(adresse), 4);
    sortie += ui2Hex(static_cast<int>(type), 2);
    for (std::size_t i = 0; i < nombre; ++i) {
        sortie += ui2Hex(octets[i], 2);
        somme += octets[i];
    }
    sortie += ui2Hex(static_cast<int>((0x100 - (somme & 0xFF)) & 0xFF), 2);
    sortie += "\r\n";
}

// Before a record at adresse: the type 04 record of its upper 16 bits when they differ from haut,
// the upper bits of the records written so far (0 at the start of a file).
void ajoute_adresse_haute(std::string& sortie, std::size_t& haut, std::size_t adresse) {
    if (adresse >> 16 == haut) return;
    haut = adresse >> 16;
    const uint8_t octets[2] = {static_cast<uint8_t>(haut >> 8), static_cast<uint8_t>(haut & 0xFF)};
    ajoute_enregistrement(sortie, 0, TYPE_ADRESSE_LINEAIRE, octets, 2);
}

// One word record at the low 16 bits of adresse.
void ajoute_mot(std::string& sortie, std::size_t adresse, uint16_t w) {
    const uint8_t octets[2] = {static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8)};
    ajoute_enregistrement(sortie, static_cast<unsigned>(adresse & 0xFFFF), TYPE_DONNEES, octets, 2);
}

// Where the writer puts the IDs, the configuration word and data byte 0 of the 14-bit layouts
// (the 12-bit core's IDs follow its program).
struct Adresses_hex {
    std::size_t id, config, donnee;
};

Adresses_hex adresses_hex(const Geometrie& g) {
    if (g.etendue) return {ADR_ID_ETENDU, ADR_CONFIG_ETENDU, ADR_DONNEE_ETENDU};
    return {ADR_ID_14, g.coeur_12 ? ADR_CONFIG_12 : ADR_CONFIG_14, ADR_DONNEE_14};
}

void ajoute_fin(std::string& sortie) {
    sortie += ":00000001FF\r\n";
}

// Calls ecrit(debut, fin) for each whole group of `groupe` data bytes of m that starts below d,
// cut to the data range of lues when given; groups with nothing left are skipped.
template <class Ecrit>
void parcours_groupes(const Memoire_PIC& m, std::size_t d, std::size_t groupe,
                      const Zones_couvertes* lues, Ecrit ecrit) {
    std::size_t premier = 0, dernier = m.donnee.size();
    if (lues) {
        if (lues->donnees.vide()) return;
        premier = static_cast<std::size_t>(lues->donnees.debut);
        dernier = std::min(d, static_cast<std::size_t>(lues->donnees.fin) + 1);
    }
    for (std::size_t i = 0; i < d && i + groupe <= m.donnee.size(); i += groupe) {
        const std::size_t debut = std::max(i, premier), fin = std::min(i + groupe, dernier);
        if (debut < fin) ecrit(debut, fin);
    }
}

} // namespace

void Ecrire_Fichier(const std::string& chemin, const std::string& contenu) {
    if (sauvegarde_fichier(chemin, contenu) == 0) return;
    std::fputs("Un problème est survenue pendant l'ouverture du fichier à l'ecriture\n",
               sortie_console());
    std::fflush(sortie_console());
    message_erreur("Un problème est survenue \npendant l'ouverture du fichier à l'ecriture", 0);
}

char* ui2Hex(int valeur, char* buf, unsigned longueur) {
    static const char chiffres[] = "0123456789ABCDEF";
    uint32_t v = static_cast<uint32_t>(valeur);
    unsigned necessaires = 1;
    for (uint32_t t = v >> 4; t != 0; t >>= 4) ++necessaires;
    if (necessaires > longueur) {
        buf[0] = '\0';
        return buf;
    }
    buf[longueur] = '\0';
    for (unsigned i = longueur; i-- > 0;) {
        buf[i] = chiffres[v & 0xF];
        v >>= 4;
    }
    return buf;
}

std::string ui2Hex(int valeur, unsigned longueur) {
    std::string s(static_cast<std::size_t>(longueur) + 1, '\0');
    ui2Hex(valeur, s.data(), longueur);
    s.resize(std::strlen(s.c_str()));
    return s;
}

std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_PIC(const std::string& chemin, Lecture_hex* bilan) {
    return lit_fichier(chemin, Lire_ligne_Hex_PIC, bilan);
}

std::unique_ptr<Memoire_PIC> Lire_Hex_PIC(std::istream& flux, Lecture_hex* bilan) {
    return lit_flux(flux, Lire_ligne_Hex_PIC, bilan);
}

void Lire_Flux_Hex_PIC(std::istream& flux, Memoire_PIC& m, Lecture_hex* bilan) {
    remplit_flux(flux, m, Lire_ligne_Hex_PIC, bilan);
}

int Lire_ligne_Hex_PIC(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat) {
    Enregistrement r;
    const int resultat = decode_ligne(ligne, r, etat);
    if (resultat != 1) return resultat;

    // Above 64 KiB lies the rest of the data EEPROM. Segments have no place in this layout: a
    // non-zero one is refused with what it holds, until the segment 0 comes back.
    if (retient_adresse(r, etat))
        return r.type == TYPE_ADRESSE_SEGMENT && etat.segment != 0 ? ligne_incorrecte(etat) : 1;
    if (r.type != TYPE_DONNEES || etat.segment != 0) return 1;
    if (!r.donnees.empty()) m.donnees_lues = true;

    const Geometrie g = geometrie_courante();
    const uint32_t a = etat.adresse_haute << 16 | r.adresse;
    if (g.etendue) {
        range_etendu(a, r, m, g, etat);
    } else if (!g.coeur_12) {
        if (a < ADR_ID_14)
            range_programme(r, m, g, etat);
        else if (a == ADR_CONFIG_14) {
            range_config(r, m);
            if (g.config2) range_config2(r, m, 1);
        } else if (a == ADR_CONFIG2_14 && g.config2)
            range_config2(r, m, 0);
        else if (a >= ADR_DONNEE_14)
            range_donnees_pic(a, r, m, g, etat);
        else if (a <= ADR_ID_14_FIN)
            range_id(r, m, ADR_ID_14 / 2);
    } else {
        const uint32_t p = 2 * static_cast<uint32_t>(g.taille_prog);
        if (a < p)
            range_programme(r, m, g, etat);
        else if (a <= p + 7)
            range_id(r, m, static_cast<std::size_t>(g.taille_prog));
        else if (a == ADR_CONFIG_12)
            range_config(r, m);
        else
            compte_hors_composant(r, g, etat);
    }
    return 1;
}

std::string Texte_Hex_PIC(const Memoire_PIC& m, const Zones_couvertes* lues) {
    const Geometrie g = geometrie_courante();
    const std::size_t t = std::min(static_cast<std::size_t>(g.taille_prog), m.prog.size());
    const std::size_t d = std::min(static_cast<std::size_t>(g.taille_donnee), m.donnee.size());
    std::string sortie;
    uint8_t octets[16];
    // A word left out counts as one with nothing to program.
    const auto mot = [&](std::size_t k) -> uint16_t {
        return lues && !lues->programme.contient(static_cast<int>(k)) ? 0xFFFF : m.prog[k];
    };

    // Program words: runs that stay inside an 8-word group and end before a 0xFFFF word.
    for (std::size_t s = 0; s < t;) {
        std::size_t e = s + 1;
        while (e < t && e % 8 != 0 && mot(e) != 0xFFFF) ++e;
        if (e - s > 1 || mot(s) != 0xFFFF) {
            for (std::size_t k = s; k < e; ++k) {
                octets[2 * (k - s)] = static_cast<uint8_t>(mot(k) & 0xFF);
                octets[2 * (k - s) + 1] = static_cast<uint8_t>(mot(k) >> 8);
            }
            ajoute_enregistrement(sortie, static_cast<unsigned>(2 * s), TYPE_DONNEES, octets,
                                  2 * (e - s));
        }
        s = e;
    }

    const Adresses_hex adr = adresses_hex(g);
    std::size_t haut = 0;
    if (!lues || lues->ids) {
        for (int i = 0; i < 4; ++i) {
            octets[2 * i] = m.id[i];
            octets[2 * i + 1] = 0;
        }
        const std::size_t id = g.coeur_12 ? 2 * t : adr.id;
        ajoute_adresse_haute(sortie, haut, id);
        ajoute_enregistrement(sortie, static_cast<unsigned>(id & 0xFFFF), TYPE_DONNEES, octets, 8);
    }

    if (!lues || lues->config) {
        ajoute_adresse_haute(sortie, haut, adr.config);
        ajoute_mot(sortie, adr.config, m.config);
        // The second word only when the image has one: a file without it leaves the chip's.
        if (g.config2 && m.config2_definie)
            ajoute_mot(sortie, g.etendue ? ADR_CONFIG2_ETENDU : ADR_CONFIG2_14, m.config2);
    }

    // Data EEPROM, one byte per word; what lies above 0xFFFF follows a type 04 record.
    parcours_groupes(m, d, 8, lues, [&](std::size_t debut, std::size_t fin) {
        const std::size_t adresse = adr.donnee + 2 * debut;
        ajoute_adresse_haute(sortie, haut, adresse);
        for (std::size_t k = debut; k < fin; ++k) {
            octets[2 * (k - debut)] = m.donnee[k];
            octets[2 * (k - debut) + 1] = 0;
        }
        ajoute_enregistrement(sortie, static_cast<unsigned>(adresse & 0xFFFF), TYPE_DONNEES, octets,
                              2 * (fin - debut));
    });

    ajoute_fin(sortie);
    return sortie;
}

void Ecrire_Fichier_Hex_PIC(const std::string& chemin, const Memoire_PIC& m) {
    Ecrire_Fichier(chemin, Texte_Hex_PIC(m));
}

std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_EEPROM(const std::string& chemin,
                                                     Lecture_hex* bilan) {
    return lit_fichier(chemin, Lire_ligne_Hex_EEPROM, bilan);
}

std::unique_ptr<Memoire_PIC> Lire_Hex_EEPROM(std::istream& flux, Lecture_hex* bilan) {
    return lit_flux(flux, Lire_ligne_Hex_EEPROM, bilan);
}

void Lire_Flux_Hex_EEPROM(std::istream& flux, Memoire_PIC& m, Lecture_hex* bilan) {
    remplit_flux(flux, m, Lire_ligne_Hex_EEPROM, bilan);
}

int Lire_ligne_Hex_EEPROM(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat) {
    Enregistrement r;
    const int resultat = decode_ligne(ligne, r, etat);
    if (resultat != 1) return resultat;

    if (!retient_adresse(r, etat) && r.type == TYPE_DONNEES) {
        if (!r.donnees.empty()) m.donnees_lues = true;
        const Geometrie g = geometrie_courante();
        const std::size_t base = (static_cast<std::size_t>(etat.adresse_haute) << 16) +
                                 (static_cast<std::size_t>(etat.segment) << 4) + r.adresse;
        if (g.composant) etat.octets_donnes.resize(static_cast<std::size_t>(g.taille_donnee));
        for (std::size_t i = 0; i < r.donnees.size(); ++i) {
            if (base + i < m.donnee.size()) m.donnee[base + i] = r.donnees[i];
            if (base + i < etat.octets_donnes.size()) etat.octets_donnes[base + i] = true;
            if (g.composant && base + i >= static_cast<std::size_t>(g.taille_donnee) &&
                r.donnees[i] != 0xFF)
                ++etat.hors_composant;
        }
    }
    return 1;
}

std::string Texte_Hex_EEPROM(const Memoire_PIC& m, const Zones_couvertes* lues) {
    const std::size_t d =
        std::min(static_cast<std::size_t>(geometrie_courante().taille_donnee), m.donnee.size());
    std::string sortie;
    std::size_t haut = 0;
    parcours_groupes(m, d, 16, lues, [&](std::size_t debut, std::size_t fin) {
        ajoute_adresse_haute(sortie, haut, debut);
        ajoute_enregistrement(sortie, static_cast<unsigned>(debut & 0xFFFF), TYPE_DONNEES,
                              &m.donnee[debut], fin - debut);
    });
    ajoute_fin(sortie);
    return sortie;
}

void Ecrire_Fichier_Hex_EEPROM(const std::string& chemin, const Memoire_PIC& m) {
    Ecrire_Fichier(chemin, Texte_Hex_EEPROM(m));
}

std::string texte_hors_composant(const Lecture_hex& bilan, bool octets) {
    const Desc_PIC* p = pic_courant();
    const std::size_t n = bilan.hors_composant;
    if (n == 0 || !p) return "";
    const std::string unite = octets ? "octet" : "mot";
    if (n == 1)
        return "1 " + unite + " du fichier est hors du composant " + p->nom +
               " : il ne sera pas écrit";
    return std::to_string(n) + " " + unite + "s du fichier sont hors du composant " + p->nom +
           " : ils ne seront pas écrits";
}
