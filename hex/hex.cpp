#include "hex/hex.h"

#include "core/catalogue.h"
#include "core/messages.h"
#include "core/sauvegarde.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr const char* MSG_LIGNE_INCORRECTE = "Une ligne du fichier n'est pas correcte";

// Configuration word of the image the readers start from (ten one bits).
constexpr uint16_t CONFIG_VIERGE_LECTURE = 0x03FF;

constexpr unsigned TYPE_DONNEES = 0x00;
constexpr unsigned TYPE_ADRESSE_LINEAIRE = 0x04;

// PIC layout, 14-bit core: byte addresses of the fixed areas.
constexpr unsigned ADR_ID_14 = 0x4000;
constexpr unsigned ADR_ID_14_FIN = 0x400D;
constexpr unsigned ADR_CONFIG_14 = 0x400E;
constexpr unsigned ADR_DONNEE_14 = 0x4200;
// PIC layout, 12-bit core: the configuration word sits at word 0xFFF.
constexpr unsigned ADR_CONFIG_12 = 0x1FFE;

// Geometry of the selected device as the HEX layouts see it: no device means a 14-bit core
// with no memory.
struct Geometrie {
    int taille_prog = 0;
    int taille_donnee = 0;
    bool coeur_12 = false;
};

Geometrie geometrie_courante() {
    Geometrie g;
    if (const Desc_PIC* p = pic_courant()) {
        g.taille_prog = std::clamp(p->taille_prog, 0, TAILLE_PROG_MAX);
        g.taille_donnee = std::clamp(p->taille_donnee, 0, TAILLE_DONNEE_MAX);
        g.coeur_12 = p->algo == 3;
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

int ligne_incorrecte() {
    message_erreur(MSG_LIGNE_INCORRECTE, 0);
    return -1;
}

// Decodes a line common to both layouts: 1 record in r, 0 comment, -1 bad line (message
// posted). A checksum mismatch is reported and the record is returned all the same.
int decode_ligne(const std::string& ligne, Enregistrement& r) {
    if (ligne.empty() || ligne[0] != ':') {
        if (!ligne.empty() && ligne[0] == ';') return 0;
        return ligne_incorrecte();
    }
    const std::size_t chiffres = ligne.size() - 1;
    // count, two address bytes, type and checksum at least
    if (chiffres % 2 != 0 || chiffres < 10) return ligne_incorrecte();
    std::vector<uint8_t> octets(chiffres / 2);
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const int fort = valeur_chiffre(ligne[1 + 2 * i]);
        const int faible = valeur_chiffre(ligne[2 + 2 * i]);
        if (fort < 0 || faible < 0) return ligne_incorrecte();
        octets[i] = static_cast<uint8_t>(fort << 4 | faible);
    }
    const std::size_t nombre = octets[0];
    if (octets.size() != 5 + nombre) return ligne_incorrecte();
    r.adresse = static_cast<unsigned>(octets[1] << 8 | octets[2]);
    r.type = octets[3];
    if (r.type == TYPE_ADRESSE_LINEAIRE && nombre != 2) return ligne_incorrecte();

    unsigned somme = 0;
    for (std::size_t i = 0; i < 4 + nombre; ++i) somme += octets[i];
    if (((0x100 - (somme & 0xFF)) & 0xFF) != octets[4 + nombre])
        message_erreur(
            "Une erreur de cheksum est survenue sur la ligne :\n" + ligne.substr(1) + "\n", 0);
    r.donnees.assign(octets.begin() + 4, octets.begin() + 4 + static_cast<std::ptrdiff_t>(nombre));
    return 1;
}

uint16_t mot(const Enregistrement& r, std::size_t j) {
    return static_cast<uint16_t>(r.donnees[2 * j] | r.donnees[2 * j + 1] << 8);
}

// Data words of the record to prog from the word at its address.
void range_programme(const Enregistrement& r, Memoire_PIC& m) {
    const std::size_t base = r.adresse / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2 && base + j < m.prog.size(); ++j)
        m.prog[base + j] = mot(r, j);
}

// Low bytes of the record's words at word addresses mot_id to mot_id + 3 to the IDs.
void range_id(const Enregistrement& r, Memoire_PIC& m, std::size_t mot_id) {
    const std::size_t base = r.adresse / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2; ++j)
        if (base + j >= mot_id && base + j < mot_id + 4) m.id[base + j - mot_id] = r.donnees[2 * j];
}

void range_config(const Enregistrement& r, Memoire_PIC& m) {
    if (r.donnees.size() >= 2) m.config = mot(r, 0);
}

// Low bytes of the record's words to the data EEPROM, word 0x2100 being byte 0.
void range_donnees_pic(const Enregistrement& r, Memoire_PIC& m) {
    const std::size_t base = r.adresse / 2 - ADR_DONNEE_14 / 2;
    for (std::size_t j = 0; j < r.donnees.size() / 2 && base + j < m.donnee.size(); ++j)
        m.donnee[base + j] = r.donnees[2 * j];
}

// Hands every line of the stream to traite. A line ends at LF or CR, and the character after a
// CR is dropped; a last line without a line break counts.
template <class Traitement> void lit_lignes(std::istream& in, Traitement&& traite) {
    std::streambuf& tampon = *in.rdbuf();
    constexpr int FIN = std::char_traits<char>::eof();
    std::string ligne;
    int c;
    while ((c = tampon.sbumpc()) != FIN) {
        if (c == '\n' || c == '\r') {
            if (c == '\r') tampon.sbumpc();
            traite(ligne);
            ligne.clear();
        } else {
            ligne.push_back(static_cast<char>(c));
        }
    }
    if (!ligne.empty()) traite(ligne);
}

void lit_flux(std::istream& in, Memoire_PIC& m,
              int (*lire_ligne)(const std::string&, Memoire_PIC&, Lecture_hex&)) {
    Lecture_hex etat;
    lit_lignes(in, [&](const std::string& ligne) { lire_ligne(ligne, m, etat); });
}

std::unique_ptr<Memoire_PIC> lit_fichier(const std::string& chemin,
                                         int (*lire_ligne)(const std::string&, Memoire_PIC&,
                                                           Lecture_hex&)) {
    std::ifstream f;
    struct stat st;
    if (::stat(chemin.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) f.open(chemin, std::ios::binary);
    auto m = std::make_unique<Memoire_PIC>(CONFIG_VIERGE_LECTURE);
    if (f.is_open())
        lit_flux(f, *m, lire_ligne);
    else
        message_erreur("Un problème est survenue \npendant l'ouverture du fichier " + chemin + "\n",
                       0);
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

void ajoute_fin(std::string& sortie) {
    sortie += ":00000001FF\r\n";
}

void ecrit_fichier(const std::string& chemin, const std::string& contenu) {
    if (sauvegarde_fichier(chemin, contenu) == 0) return;
    std::fputs("Un problème est survenue pendant l'ouverture du fichier à l'ecriture\n", stdout);
    std::fflush(stdout);
    message_erreur("Un problème est survenue \npendant l'ouverture du fichier à l'ecriture", 0);
}

} // namespace

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

std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_PIC(const std::string& chemin) {
    return lit_fichier(chemin, Lire_ligne_Hex_PIC);
}

int Lire_ligne_Hex_PIC(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat) {
    Enregistrement r;
    const int resultat = decode_ligne(ligne, r);
    if (resultat != 1) return resultat;

    if (r.type == TYPE_ADRESSE_LINEAIRE) {
        // Only the first 64 KiB exist in this layout: a higher segment is refused with what it
        // holds, until the segment 0 comes back.
        etat.adresse_haute = static_cast<uint32_t>(r.donnees[0] << 8 | r.donnees[1]);
        return etat.adresse_haute == 0 ? 1 : ligne_incorrecte();
    }
    if (r.type != TYPE_DONNEES || etat.adresse_haute != 0) return 1;

    const Geometrie g = geometrie_courante();
    const unsigned a = r.adresse;
    if (!g.coeur_12) {
        if (a < ADR_ID_14)
            range_programme(r, m);
        else if (a == ADR_CONFIG_14)
            range_config(r, m);
        else if (a >= ADR_DONNEE_14)
            range_donnees_pic(r, m);
        else if (a <= ADR_ID_14_FIN)
            range_id(r, m, ADR_ID_14 / 2);
    } else {
        const unsigned p = 2 * static_cast<unsigned>(g.taille_prog);
        if (a < p)
            range_programme(r, m);
        else if (a <= p + 7)
            range_id(r, m, static_cast<std::size_t>(g.taille_prog));
        else if (a == ADR_CONFIG_12)
            range_config(r, m);
    }
    return 1;
}

void Lire_Flux_Hex_PIC(std::istream& in, Memoire_PIC& m) {
    lit_flux(in, m, Lire_ligne_Hex_PIC);
}

void Ecrire_Fichier_Hex_PIC(const std::string& chemin, const Memoire_PIC& m) {
    ecrit_fichier(chemin, Texte_Hex_PIC(m));
}

std::string Texte_Hex_PIC(const Memoire_PIC& m) {
    const Geometrie g = geometrie_courante();
    const std::size_t t = std::min(static_cast<std::size_t>(g.taille_prog), m.prog.size());
    const std::size_t d = std::min(static_cast<std::size_t>(g.taille_donnee), m.donnee.size());
    std::string sortie;
    uint8_t octets[16];

    // Program words: runs that stay inside an 8-word group and end before a 0xFFFF word.
    for (std::size_t s = 0; s < t;) {
        std::size_t e = s + 1;
        while (e < t && e % 8 != 0 && m.prog[e] != 0xFFFF) ++e;
        if (e - s > 1 || m.prog[s] != 0xFFFF) {
            for (std::size_t k = s; k < e; ++k) {
                octets[2 * (k - s)] = static_cast<uint8_t>(m.prog[k] & 0xFF);
                octets[2 * (k - s) + 1] = static_cast<uint8_t>(m.prog[k] >> 8);
            }
            ajoute_enregistrement(sortie, static_cast<unsigned>(2 * s), TYPE_DONNEES, octets,
                                  2 * (e - s));
        }
        s = e;
    }

    for (int i = 0; i < 4; ++i) {
        octets[2 * i] = m.id[i];
        octets[2 * i + 1] = 0;
    }
    ajoute_enregistrement(sortie, g.coeur_12 ? static_cast<unsigned>(2 * t) : ADR_ID_14,
                          TYPE_DONNEES, octets, 8);

    octets[0] = static_cast<uint8_t>(m.config & 0xFF);
    octets[1] = static_cast<uint8_t>(m.config >> 8);
    ajoute_enregistrement(sortie, g.coeur_12 ? ADR_CONFIG_12 : ADR_CONFIG_14, TYPE_DONNEES, octets,
                          2);

    // Data EEPROM, one byte per word, as far as 16-bit record addresses reach.
    for (std::size_t i = 0; i < d && i + 8 <= m.donnee.size(); i += 8) {
        const std::size_t adresse = ADR_DONNEE_14 + 2 * i;
        if (adresse + 16 > 0x10000) break;
        for (std::size_t k = 0; k < 8; ++k) {
            octets[2 * k] = m.donnee[i + k];
            octets[2 * k + 1] = 0;
        }
        ajoute_enregistrement(sortie, static_cast<unsigned>(adresse), TYPE_DONNEES, octets, 16);
    }

    ajoute_fin(sortie);
    return sortie;
}

std::unique_ptr<Memoire_PIC> Lire_Fichier_Hex_EEPROM(const std::string& chemin) {
    return lit_fichier(chemin, Lire_ligne_Hex_EEPROM);
}

int Lire_ligne_Hex_EEPROM(const std::string& ligne, Memoire_PIC& m, Lecture_hex& etat) {
    Enregistrement r;
    const int resultat = decode_ligne(ligne, r);
    if (resultat != 1) return resultat;

    if (r.type == TYPE_ADRESSE_LINEAIRE) {
        etat.adresse_haute = static_cast<uint32_t>(r.donnees[0] << 8 | r.donnees[1]);
    } else if (r.type == TYPE_DONNEES) {
        const std::size_t base = static_cast<std::size_t>(etat.adresse_haute) << 16 | r.adresse;
        for (std::size_t i = 0; i < r.donnees.size() && base + i < m.donnee.size(); ++i)
            m.donnee[base + i] = r.donnees[i];
    }
    return 1;
}

void Lire_Flux_Hex_EEPROM(std::istream& in, Memoire_PIC& m) {
    lit_flux(in, m, Lire_ligne_Hex_EEPROM);
}

void Ecrire_Fichier_Hex_EEPROM(const std::string& chemin, const Memoire_PIC& m) {
    ecrit_fichier(chemin, Texte_Hex_EEPROM(m));
}

std::string Texte_Hex_EEPROM(const Memoire_PIC& m) {
    const std::size_t d =
        std::min(static_cast<std::size_t>(geometrie_courante().taille_donnee), m.donnee.size());
    std::string sortie;
    std::size_t segment = 0;
    for (std::size_t i = 0; i < d && i + 16 <= m.donnee.size(); i += 16) {
        if (i >> 16 != segment) {
            // Extended linear address: the upper 16 bits of the records that follow.
            segment = i >> 16;
            const uint8_t haut[2] = {static_cast<uint8_t>(segment >> 8),
                                     static_cast<uint8_t>(segment & 0xFF)};
            ajoute_enregistrement(sortie, 0, TYPE_ADRESSE_LINEAIRE, haut, 2);
        }
        ajoute_enregistrement(sortie, static_cast<unsigned>(i & 0xFFFF), TYPE_DONNEES, &m.donnee[i],
                              16);
    }
    ajoute_fin(sortie);
    return sortie;
}
