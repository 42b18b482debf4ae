// SPDX-License-Identifier: GPL-2.0-or-later
#include "pic/flash_recente.h"

#include "core/catalogue.h"
#include "core/etat.h"
#include "core/journal_calibration.h"
#include "core/messages.h"
#include "pic/commandes.h"
#include "pic/passe.h"
#include "pic/valeurs_usine.h"
#include "port/port.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace flash {

volatile std::sig_atomic_t restauration_en_cours = 0;
volatile std::sig_atomic_t signal_differe = 0;

namespace {

constexpr int increments_config = 7; // from 0x2000 to the configuration word 0x2007
constexpr int increments_id = 6;     // from 0x2000 to the device ID 0x2006
constexpr uint16_t mot_vierge = 0x3FFF;
constexpr uint16_t rien = 0xFFFF; // nothing to write at this address
constexpr uint8_t octet_vierge = 0xFF;
const char* const prefixe_programme = "Programme : ";
const char* const prefixe_config = "Mot de Configuration :\n";
const char* const prefixe_config2 = "Mot de Configuration 2 :\n";
const char* const prefixes_id[algo::nb_id] = {"ID0 : ", "ID1 : ", "ID2 : ", "ID3 : "};
constexpr uint16_t retlw = 0x3400; // RETLW k: the factory oscillator calibration
const char* const texte_calibration_illisible =
    "Le mot de calibration de l'oscillateur (adresse %X) vaut %X : ce n'est pas une "
    "instruction RETLW.\nLe PIC n'a pas été effacé ni programmé.\nSi sa valeur est perdue, "
    "mettez-la dans le fichier HEX et activez l'écriture du mot de calibration "
    "(_ECRIRE_OSC_INT_12C5XX dans conf_port).";

template <class... T> std::string texte(const char* format, T... valeurs) {
    char t[512];
    std::snprintf(t, sizeof t, format, valeurs...);
    return t;
}

void commande_seule(unsigned code) {
    data_a_1();
    attente(2);
    put_command(code);
}

// Configuration bits the selected part keeps whatever the image says (the 12F6xx bandgap), and
// the bits it stores.
uint16_t bits_gardes() {
    const Desc_PIC* p = pic_courant();
    return p ? bits_usine_config(*p) : 0;
}

// Address of ID0 (0x2000, 0x8000 on the enhanced mid-range parts), and of the configuration word,
// ID0 + 7.
unsigned espace_config() {
    const Desc_PIC* p = pic_courant();
    const Faits_genre* g = p ? faits_genre(*p) : nullptr;
    return g ? g->espace_config : 0x2000;
}

unsigned adresse_config() {
    return espace_config() + increments_config;
}

uint16_t masque_config() {
    const Desc_PIC* p = pic_courant();
    return p ? bits_config_implementes(*p) : mot_vierge;
}

uint16_t masque_config2() {
    const Desc_PIC* p = pic_courant();
    return p ? bits_config2_implementes(*p) : 0;
}

bool deux_mots_config() {
    const Desc_PIC* p = pic_courant();
    return p && mots_config(*p) == 2;
}

// Factory calibration words of the configuration space (never erased by the bulk erase from
// ID0, never written): first address and count.
struct Calibration_config {
    unsigned adresse = 0;
    int mots = 0;
};

Calibration_config calibration_config() {
    const Desc_PIC* p = pic_courant();
    const Faits_genre* g = p ? faits_genre(*p) : nullptr;
    if (!g || g->mots_calibration <= 0) return {};
    return {g->adresse_calibration, g->mots_calibration};
}

// The configuration space as read: IDs, configuration words, calibration words.
struct Espace_config {
    uint16_t ids[algo::nb_id] = {};
    uint16_t config = 0;
    uint16_t config2 = mot_vierge;
    std::vector<uint16_t> calibration;
};

struct Plage {
    int deb = 0, fin = -1; // empty when fin < deb
    bool contient(int i) const { return i >= deb && i <= fin; }
};

Plage plage(int enable, int deb, int fin, int taille) {
    if (enable == 0) return {};
    return {std::max(deb, 0), std::min(fin, taille - 1)};
}

// What the coming operation writes itself; the erase keeps the rest.
struct Zones_ecrites {
    Plage programme, donnees;
    bool ids = false, config = false;
    bool calibration = false; // the image's OSCCAL replaces the chip's
};

Zones_ecrites zones_de_l_ecriture(int taille_prog, int taille_donnee) {
    Zones_ecrites z;
    z.programme = plage(le_prog_enable, le_prog_deb, le_prog_fin, algo::taille_ecriture_prog());
    z.donnees = plage(le_data_enable, le_data_deb, le_data_fin, taille_donnee);
    z.ids = le_ID_enable != 0;
    z.config = le_config_enable != 0;
    z.calibration = z.programme.contient(taille_prog - 1);
    return z;
}

// IDs, configuration words and calibration words, in one pass.
Espace_config lit_espace_config(const Famille_flash& f) {
    Espace_config e;
    const Calibration_config cal = calibration_config();
    unsigned dernier = adresse_config() + (deux_mots_config() ? 1u : 0u);
    if (cal.mots > 0)
        dernier = std::max(dernier, cal.adresse + static_cast<unsigned>(cal.mots) - 1);
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (unsigned a = espace_config(); a <= dernier; ++a) {
        const uint16_t lu = Read_Data_From_Program_Memory();
        if (a < espace_config() + algo::nb_id) e.ids[a - espace_config()] = lu;
        if (a == adresse_config()) e.config = lu;
        if (a == adresse_config() + 1 && deux_mots_config()) e.config2 = lu;
        if (cal.mots > 0 && a >= cal.adresse && a < cal.adresse + static_cast<unsigned>(cal.mots))
            e.calibration.push_back(lu);
        if (a < dernier) Increment_Adress();
    }
    fin_passe();
    return e;
}

// Program words 0 to n - 1, or data bytes.
std::vector<uint16_t> lit_mots(const Famille_flash& f, int n) {
    std::vector<uint16_t> mots(static_cast<std::size_t>(n));
    debut_passe(f);
    for (uint16_t& w : mots) {
        w = Read_Data_From_Program_Memory();
        Increment_Adress();
    }
    fin_passe();
    return mots;
}

std::vector<uint8_t> lit_octets(const Famille_flash& f, int n) {
    std::vector<uint8_t> octets(static_cast<std::size_t>(n));
    debut_passe(f);
    for (uint8_t& b : octets) {
        b = static_cast<uint8_t>(Read_Data_From_Data_Memory() & 0xFF);
        Increment_Adress();
    }
    fin_passe();
    return octets;
}

int ecrit_octets(const Famille_flash& f, const uint8_t* octets, int deb, int fin, int taille,
                 Echecs* echecs) {
    deb = std::max(deb, 0);
    fin = std::min(fin, taille - 1);
    while (fin >= deb && octets[fin] == octet_vierge) --fin; // erased already
    if (fin < deb) return 0;
    Verification v{echecs};
    debut_passe(f);
    const bool fini = parcours_adresses(
        deb, fin, taille, ecriture_donnees, [taille] { return taille; },
        [&](int i) {
            if (v.arret()) return false;
            const uint8_t b = octets[i];
            if ((Read_Data_From_Data_Memory() & 0xFF) == b) return true;
            Load_Data_For_Data_Memory(b);
            f.programme_octet();
            return v.juste(static_cast<unsigned>(i), b, Read_Data_From_Data_Memory(), 0xFF,
                           prefixe_programme);
        });
    return v.termine(fini);
}

// The IDs that are not blank, then the configuration words given, in one pass.
int ecrit_espace_config(const Famille_flash& f, const uint16_t ids[algo::nb_id],
                        std::optional<uint16_t> config, Echecs* echecs,
                        std::optional<uint16_t> config2 = std::nullopt) {
    const bool des_ids =
        std::any_of(ids, ids + algo::nb_id, [](uint16_t w) { return w != mot_vierge; });
    if (!des_ids && !config && !config2) return 0;
    Verification v{echecs};
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < algo::nb_id; ++k) {
        if (ids[k] != mot_vierge && Read_Data_From_Program_Memory() != ids[k]) {
            Load_Data_For_Program_Memory(ids[k]);
            f.programme_mot();
            if (!v.juste(static_cast<unsigned>(k), ids[k], Read_Data_From_Program_Memory(),
                         mot_vierge, prefixes_id[k]))
                return -1;
        }
        Increment_Adress();
    }
    if (config || config2)
        for (int k = algo::nb_id; k < increments_config; ++k) Increment_Adress();
    if (config) {
        Load_Data_For_Program_Memory(*config & mot_vierge);
        f.programme_config();
        // Only the bits the part stores; the factory bits against the value kept.
        if (!v.juste(adresse_config(), *config, Read_Data_From_Program_Memory(), masque_config(),
                     prefixe_config))
            return -1;
    }
    if (config2) {
        Increment_Adress();
        Load_Data_For_Program_Memory(*config2 & mot_vierge);
        f.programme_config();
        if (!v.juste(adresse_config() + 1, *config2, Read_Data_From_Program_Memory(),
                     masque_config2(), prefixe_config2))
            return -1;
    }
    return v.termine(true);
}

// What an erase took that the operation keeps, until the operation ends.
struct Transaction {
    const Famille_flash* famille = nullptr;
    // Written last: the image's word, else the kept one or the erased one with the factory bits.
    std::optional<uint16_t> config;
    std::optional<uint16_t> config2;   // the second word kept, written with the first
    std::vector<uint16_t> calibration; // calibration words of the configuration space
    uint16_t bandgap = 0;              // the factory bits before the erase
    std::optional<uint16_t> osccal;    // the calibration word before the erase
    bool osccal_en_attente = false;    // the program write has it to give back
    std::vector<std::string> bilan;    // what was written back, what was lost
    bool perte = false;
};

std::optional<Transaction> transaction;

void note(Transaction& t, bool perdu, const std::string& ligne) {
    t.bilan.push_back(ligne);
    t.perte = t.perte || perdu;
}

// The OSCCAL word written back, or lost (its value is in the calibration journal).
void note_osccal(Transaction& t, const Echecs& e, unsigned adresse) {
    const bool perdu =
        std::any_of(e.begin(), e.end(), [&](const Echec& x) { return x.adresse == adresse; });
    const Desc_PIC* p = pic_courant();
    note(t, perdu,
         perdu
             ? texte("Calibration OSCCAL perdue : la valeur %04X est dans %s",
                     static_cast<unsigned>(*t.osccal), chemin_calibration(p ? p->nom : "").c_str())
             : texte("Calibration OSCCAL %04X réécrite", static_cast<unsigned>(*t.osccal)));
}

// Kept words or bytes: how many were written back, how many lost (the first named).
void note_zone(Transaction& t, const char* quoi, int gardes, const Echecs& e) {
    if (gardes == 0 && e.empty()) return;
    if (e.empty()) {
        note(t, false, texte("%s gardés réécrits : %d", quoi, gardes));
        return;
    }
    note(t, true,
         texte("%s gardés perdus : %zu sur %d (adresse %X : %X lu au lieu de %X)", quoi, e.size(),
               gardes, e.front().adresse, static_cast<unsigned>(e.front().lu),
               static_cast<unsigned>(e.front().attendu)));
}

// The calibration words of the configuration space, noted in the calibration journal before
// the erase; ferme_transaction checks them.
void garde_calibration_config(Transaction& t, const Espace_config& e) {
    const Desc_PIC* p = pic_courant();
    t.calibration = e.calibration;
    for (uint16_t w : e.calibration)
        if (p && !note_calibration(p->nom, w))
            std::fprintf(sortie_console(), "La calibration n'a pas pu être notée dans %s\n",
                         chemin_calibration(p->nom).c_str());
}

// The calibration words of the configuration space read again, once: the same as before, or
// lost (their values are in the calibration journal). Done before the configuration words are
// written, since a configuration can close the way in (LVP off on a part entered by the key).
void verifie_calibration_config(Transaction& t) {
    if (t.calibration.empty()) return;
    const Espace_config lu = lit_espace_config(*t.famille);
    const Calibration_config cal = calibration_config();
    const Desc_PIC* p = pic_courant();
    for (std::size_t k = 0; k < t.calibration.size() && k < lu.calibration.size(); ++k)
        if (lu.calibration[k] != t.calibration[k])
            note(t, true,
                 texte("Calibration %04X (adresse %X) perdue : %04X lu ; la valeur est dans %s",
                       unsigned{t.calibration[k]}, cal.adresse + static_cast<unsigned>(k),
                       unsigned{lu.calibration[k]}, chemin_calibration(p ? p->nom : "").c_str()));
    t.calibration.clear();
}

// The second configuration word kept by the operation, written back; then the calibration words
// checked.
void termine_config2_et_calibration(Transaction& t) {
    const Famille_flash& f = *t.famille;
    const uint16_t masque = masque_config2();
    if (t.config2 && (*t.config2 & masque) != (mot_vierge & masque)) {
        const uint16_t vierges[algo::nb_id] = {mot_vierge, mot_vierge, mot_vierge, mot_vierge};
        Echecs e;
        ecrit_espace_config(f, vierges, std::nullopt, &e, t.config2);
        note(t, !e.empty(),
             e.empty() ? texte("Mot de configuration 2 %X réécrit",
                               static_cast<unsigned>(*t.config2 & masque))
                       : texte("Mot de configuration 2 perdu : %X lu au lieu de %X",
                               unsigned{e.front().lu}, unsigned{*t.config2}));
    }
    t.config2.reset();
    verifie_calibration_config(t);
}

// Ends the operation's transaction: the calibration word and the configuration word that are
// still to be written are written and checked, the held signal is handed to the line driver,
// and after a failure or a signal the user is told what was written back and what was lost.
// 0 when nothing failed.
int ferme_transaction(bool echec) {
    if (!transaction) return echec ? -1 : 0;
    Transaction& t = *transaction;
    const Famille_flash& f = *t.famille;
    const Desc_PIC* p = pic_courant();
    const int n = p ? p->taille_prog : 0;
    if (t.osccal_en_attente && t.osccal && n > 0) {
        std::vector<uint16_t> mots(static_cast<std::size_t>(n), rien);
        mots.back() = *t.osccal;
        Echecs e;
        f.ecrit_programme(mots.data(), n - 1, n - 1, n, &e);
        note_osccal(t, e, static_cast<unsigned>(n - 1));
    }
    const uint16_t masque = masque_config();
    if (t.config && (*t.config & masque) != (mot_vierge & masque)) {
        const uint16_t vierges[algo::nb_id] = {mot_vierge, mot_vierge, mot_vierge, mot_vierge};
        Echecs e;
        ecrit_espace_config(f, vierges, t.config, &e);
        const uint16_t lu = e.empty() ? *t.config : e.front().lu;
        if (const uint16_t gardes = bits_gardes(); gardes != 0) {
            const bool perdu = (lu & gardes) != t.bandgap;
            note(t, perdu,
                 perdu ? texte("Calibration bandgap perdue : elle valait %04X (bits 13 et 12 "
                               "du mot de configuration)",
                               static_cast<unsigned>(t.bandgap))
                       : texte("Calibration bandgap %04X réécrite",
                               static_cast<unsigned>(t.bandgap)));
        }
        note(t, !e.empty(),
             e.empty()
                 ? texte("Mot de configuration %X réécrit", static_cast<unsigned>(lu & masque))
                 : texte("Mot de configuration perdu : %X lu au lieu de %X",
                         static_cast<unsigned>(lu), static_cast<unsigned>(*t.config)));
    }
    termine_config2_et_calibration(t);
    const int signal = signal_differe;
    signal_differe = 0;
    restauration_en_cours = 0;
    const bool perte = t.perte;
    if ((echec || perte || signal != 0) && !t.bilan.empty()) {
        std::string m = signal != 0 ? "Opération interrompue après l'effacement de la puce ; "
                                      "ce qu'elle devait garder a été réécrit d'abord :\n"
                                    : "Après l'effacement de la puce :\n";
        for (const std::string& l : t.bilan) m += l + "\n";
        message_erreur(m, 0);
    }
    transaction.reset();
    if (signal != 0) signal_interruption = signal; // the line driver stops at its next change
    return echec || perte || signal != 0 ? -1 : 0;
}

// What the erase takes and the operation keeps: read before it, written back after it.
struct Gardes {
    std::vector<uint16_t> programme;
    std::vector<uint8_t> donnees;
    uint16_t ids[algo::nb_id] = {mot_vierge, mot_vierge, mot_vierge, mot_vierge};
    int mots = 0, octets = 0;    // the kept ones that are not blank
    bool osccal_a_noter = false; // written back here, not by the operation's program write
};

// The last address below n outside zone, or -1.
int dernier_hors(const Plage& zone, int n) {
    for (int i = n - 1; i >= 0; --i)
        if (!zone.contient(i)) return i;
    return -1;
}

// Reads the program words the operation keeps and the OSCCAL word; false (after a message) when
// the calibration word holds no calibration value.
bool garde_programme(const Famille_flash& f, const Zones_ecrites& z, bool lisible, Transaction& t,
                     Gardes& g) {
    const int n = static_cast<int>(g.programme.size());
    const int dernier_mot =
        lisible ? dernier_hors(z.programme, f.garde_calibration ? n - 1 : n) : -1;
    const int a_lire = f.garde_calibration ? n : dernier_mot + 1;
    if (a_lire <= 0) return true;
    const std::vector<uint16_t> lu = lit_mots(f, a_lire);
    for (int i = 0; i <= dernier_mot; ++i)
        if (!z.programme.contient(i)) {
            g.programme[static_cast<std::size_t>(i)] = lu[static_cast<std::size_t>(i)];
            if (lu[static_cast<std::size_t>(i)] != mot_vierge) ++g.mots;
        }
    if (!f.garde_calibration) return true;
    const bool garde_osccal = !z.calibration;
    const bool osccal_avec_programme = z.programme.fin >= z.programme.deb;
    if ((lu.back() & 0x3F00) == retlw) t.osccal = lu.back();
    if (garde_osccal && !t.osccal) {
        // Not a calibration value: erasing would lose it for good.
        message_erreur(texte(texte_calibration_illisible, n - 1, static_cast<unsigned>(lu.back())),
                       0);
        return false;
    }
    // Written back with the program when the operation writes some (the same pass goes there),
    // else now.
    g.osccal_a_noter = garde_osccal && !osccal_avec_programme;
    if (g.osccal_a_noter) g.programme.back() = *t.osccal;
    t.osccal_en_attente = t.osccal && (!garde_osccal || osccal_avec_programme);
    return true;
}

void garde_donnees(const Famille_flash& f, const Zones_ecrites& z, bool lisible, Gardes& g) {
    const int dernier_octet =
        lisible ? dernier_hors(z.donnees, static_cast<int>(g.donnees.size())) : -1;
    if (dernier_octet < 0) return;
    const std::vector<uint8_t> lu = lit_octets(f, dernier_octet + 1);
    for (int i = 0; i <= dernier_octet; ++i)
        if (!z.donnees.contient(i)) {
            g.donnees[static_cast<std::size_t>(i)] = lu[static_cast<std::size_t>(i)];
            if (lu[static_cast<std::size_t>(i)] != octet_vierge) ++g.octets;
        }
}

// Erases the chip and writes back what g keeps, each area checked; a word that fails does not
// stop the others. 0, or -1 when something kept was lost.
int restaure(const Famille_flash& f, Gardes& g) {
    const int n = static_cast<int>(g.programme.size());
    const int nd = static_cast<int>(g.donnees.size());
    debut_passe(f);
    f.efface_tout();
    fin_passe();

    Echecs e_donnees, e_programme, e_ids;
    if (nd > 0) ecrit_octets(f, g.donnees.data(), 0, nd - 1, nd, &e_donnees);
    f.ecrit_programme(g.programme.data(), 0, n - 1, n, &e_programme);
    ecrit_espace_config(f, g.ids, std::nullopt, &e_ids);

    Transaction& tr = *transaction;
    note_zone(tr, "Octets de données", g.octets, e_donnees);
    if (g.osccal_a_noter) note_osccal(tr, e_programme, static_cast<unsigned>(n - 1));
    std::erase_if(e_programme,
                  [n](const Echec& e) { return e.adresse == static_cast<unsigned>(n - 1); });
    note_zone(tr, "Mots de programme", g.mots, e_programme);
    const int ids_non_vierges = static_cast<int>(
        std::count_if(g.ids, g.ids + algo::nb_id, [](uint16_t w) { return w != mot_vierge; }));
    note_zone(tr, "ID", ids_non_vierges, e_ids);
    if (tr.perte) return ferme_transaction(true);
    return 0;
}

// Reads what the erase takes and the operation described by z keeps, erases the whole chip and
// writes back the data, program words, OSCCAL and IDs kept; the configuration word waits for the
// end of the operation (ferme_transaction). 0, or -1 after a message.
int efface_en_gardant(const Famille_flash& f, const Zones_ecrites& z) {
    if (transaction) ferme_transaction(false); // an operation that did not end its own
    const Desc_PIC* p = pic_courant();
    const Fusibles& fu = fusibles_de(*p);
    const auto masque_cp = static_cast<uint16_t>(fu.masque[F_CP0] | fu.masque[F_CP1]);
    const auto masque_cpd = static_cast<uint16_t>(fu.masque[F_CPD]);
    const uint16_t gardes = bits_gardes();

    const Espace_config espace = lit_espace_config(f);
    const uint16_t config = espace.config;
    Transaction t;
    t.famille = &f;
    t.bandgap = static_cast<uint16_t>(config & gardes);
    garde_calibration_config(t, espace);
    if (!z.config && deux_mots_config()) {
        // Its protection is lifted as the first word's is: a kept WRT bit at 0 would only be a
        // misread one, or one the erase has taken away.
        t.config2 = static_cast<uint16_t>(espace.config2 | masque_protections(fusibles2_de(*p)));
    }

    // A protected area reads 0: nothing of it can be kept.
    Gardes g;
    g.programme.assign(static_cast<std::size_t>(p->taille_prog), rien);
    g.donnees.assign(static_cast<std::size_t>(p->taille_donnee), octet_vierge);
    if (!garde_programme(f, z, (config & masque_cp) == masque_cp, t, g)) return -1;
    garde_donnees(f, z, (config & masque_cpd) == masque_cpd, g);
    if (!z.ids) std::copy(espace.ids, espace.ids + algo::nb_id, g.ids);
    if (!z.config)
        t.config = static_cast<uint16_t>(config | masque_cp | masque_cpd); // protection lifted:
                                                                           // what it hid is gone
    else if (gardes != 0)
        t.config = static_cast<uint16_t>((mot_vierge & ~gardes) | t.bandgap);

    restauration_en_cours = 1;
    transaction = std::move(t);
    return restaure(f, g);
}

// The write operation writes data, program, then IDs and configuration, each when enabled: the
// first opens the transaction (erase), the IDs and configuration close it, and so does a failure
// or, when no later area is enabled, the data or program write.
int ouvre(const Famille_flash& f, const Desc_PIC& p) {
    if (transaction) return 0;
    return efface_en_gardant(f, zones_de_l_ecriture(p.taille_prog, p.taille_donnee));
}

int termine_zone(int resultat, bool suite) {
    if (resultat != 0) return ferme_transaction(true);
    return suite ? 0 : ferme_transaction(false);
}

} // namespace

bool Verification::juste(unsigned adresse, uint16_t attendu, uint16_t lu, uint16_t masque,
                         const char* prefixe) {
    if ((lu & masque) == (attendu & masque)) return true;
    if (echecs) {
        echecs->push_back({adresse, attendu, lu});
        return true;
    }
    prog_erreur(adresse, attendu, lu, prefixe);
    ferme = true;
    return false;
}

bool Verification::arret() const {
    return !echecs && signal_differe != 0;
}

int Verification::termine(bool fini) {
    if (!ferme) fin_passe();
    return fini ? 0 : -1;
}

int dernier_a_ecrire(const uint16_t* mots, int deb, int fin, int taille) {
    fin = std::min(fin, taille - 1);
    while (fin >= deb && (mots[fin] == rien || mots[fin] == mot_vierge)) --fin;
    return fin;
}

void Begin_Programming_Only(int attente_us) {
    commande_seule(8);
    attente(attente_us);
}

void Begin_Programming_External() {
    commande_seule(0x18);
}

void End_Programming_External(unsigned code) {
    commande_seule(code);
}

void Chip_Erase() {
    commande_seule(0x1F);
}

void programme_externe(int duree_us, unsigned code_fin, int apres_us) {
    Begin_Programming_External();
    attente(duree_us);
    End_Programming_External(code_fin);
    attente(apres_us);
}

void efface_programme_et_donnees(int attente_us) {
    Load_Configuration(0x3FFF);
    Bulk_Erase_Program_Memory();
    attente(attente_us);
    Bulk_Erase_Data_Memory();
    attente(attente_us);
}

void debut_passe(const Famille_flash& f) {
    init_port(); // supply and programming voltage off
    attente(t_decharge_us);
    if (f.entree) {
        f.entree();
        return;
    }
    if (!f.vpp_d_abord) {
        Power_on();
        algo::entree_programmation();
        return;
    }
    Commence_Prog_Mode(); // CLK and DATA low, VPP on while VDD is still off
    attente(algo::t_ppdp_us);
    Power_on();
    attente(algo::t_hld0_us);
}

void fin_passe() {
    algo::fin_passe();
}

uint16_t lit_id_composant(const Famille_flash& f) {
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < increments_id; ++k) Increment_Adress();
    const uint16_t lu = Read_Data_From_Program_Memory();
    fin_passe();
    return lu;
}

int ecrit_mots_un_a_un(const Famille_flash& f, const uint16_t* mots, int deb, int fin, int taille,
                       Echecs* echecs) {
    deb = std::max(deb, 0);
    fin = dernier_a_ecrire(mots, deb, fin, taille);
    if (fin < deb) return 0;
    Verification v{echecs};
    debut_passe(f);
    const bool fini = parcours_adresses(
        deb, fin, taille, ecriture_programme, [taille] { return taille; },
        [&](int i) {
            if (v.arret()) return false;
            const uint16_t w = mots[i];
            if (w == rien || Read_Data_From_Program_Memory() == w) return true;
            Load_Data_For_Program_Memory(w & 0x3FFF);
            f.programme_mot();
            return v.juste(static_cast<unsigned>(i), w, Read_Data_From_Program_Memory(), 0x3FFF,
                           prefixe_programme);
        });
    return v.termine(fini);
}

namespace {

// The word to load at address a: the image's, or all ones (programs nothing) outside the range
// and where the image has nothing.
uint16_t mot_du_groupe(const uint16_t* mots, int a, int premier, int dernier) {
    if (a < premier || a > dernier || mots[a] == rien) return mot_vierge;
    return static_cast<uint16_t>(mots[a] & mot_vierge);
}

// Loads and programs the groups of n words from premier to dernier; false when stopped.
bool programme_groupes(const Famille_flash& f, int n, void (*programme)(), const uint16_t* mots,
                       int premier, int dernier, int taille, const Verification& v) {
    const int pas_progression = taille / 100 + 1;
    int compteur = 0; // the chip's address counter
    for (int g = premier - premier % n; g <= dernier; g += n) {
        if (v.arret()) return false;
        bool utile = false;
        for (int k = 0; k < n; ++k)
            if (mot_du_groupe(mots, g + k, premier, dernier) != mot_vierge) utile = true;
        if (utile) {
            for (; compteur < g; ++compteur) Increment_Adress();
            for (int k = 0; k < n; ++k) {
                Load_Data_For_Program_Memory(mot_du_groupe(mots, g + k, premier, dernier));
                if (k < n - 1) {
                    Increment_Adress();
                    ++compteur;
                }
            }
            programme ? programme() : f.programme_mot();
        }
        if ((g / n) % (pas_progression / n + 1) == 0) gestion_bar(g, taille, ecriture_programme);
    }
    return true;
}

} // namespace

int ecrit_par_groupes(const Famille_flash& f, int n, const uint16_t* mots, int deb, int fin,
                      int taille, Echecs* echecs, void (*programme)()) {
    const int premier = std::max(deb, 0);
    const int dernier = dernier_a_ecrire(mots, premier, fin, taille);
    if (dernier < premier) return 0;
    Verification v{echecs};
    debut_passe(f);
    const bool ecrits = programme_groupes(f, n, programme, mots, premier, dernier, taille, v);
    fin_passe();
    if (!ecrits) return -1;

    debut_passe(f);
    // The read-back pass reports its progress as a read.
    Lectures_par_blocs lus([&](int i, uint16_t lu) {
        return v.juste(static_cast<unsigned>(i), mots[i], lu, mot_vierge, prefixe_programme);
    });
    const bool fini = parcours_adresses(
        premier, dernier, taille, lecture_programme, [taille] { return taille; },
        [&](int i) {
            return mots[i] == rien || lus.ajoute(i, Demande_Data_From_Program_Memory());
        });
    return v.termine(lus.termine() && fini);
}

int ecrit_donnees(const Famille_flash& f, const uint8_t* donnee) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (transaction) ferme_transaction(false); // data come first: a new operation
    if (ouvre(f, *p) != 0) return -1;
    return termine_zone(
        ecrit_octets(f, donnee, le_data_deb, le_data_fin, p->taille_donnee, nullptr),
        le_prog_enable != 0 || le_ID_enable != 0 || le_config_enable != 0);
}

int ecrit_programme(const Famille_flash& f, const uint16_t* prog) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (ouvre(f, *p) != 0) return -1;
    Transaction& t = *transaction;
    const int n = p->taille_prog;
    int deb = le_prog_deb, fin = le_prog_fin, taille = algo::taille_ecriture_prog();
    const uint16_t* mots = prog;
    std::vector<uint16_t> copie;
    if (t.osccal_en_attente) {
        // The calibration word goes with the program: the image's when the range has it, else
        // the chip's own. Until the write succeeds, the transaction keeps it to write back.
        copie.assign(TAILLE_PROG_MAX, rien);
        for (int i = std::max(deb, 0); i <= std::min(fin, taille - 1); ++i)
            copie[static_cast<std::size_t>(i)] = prog[i];
        uint16_t& calibration = copie[static_cast<std::size_t>(n - 1)];
        if (calibration == rien) calibration = *t.osccal;
        mots = copie.data();
        deb = std::min(deb, n - 1);
        fin = n - 1;
        taille = n;
    }
    const int r = f.ecrit_programme(mots, deb, fin, taille, nullptr);
    if (r == 0 && t.osccal_en_attente) {
        t.osccal_en_attente = false;
        if (copie[static_cast<std::size_t>(n - 1)] == *t.osccal)
            note(t, false, texte("Calibration OSCCAL %04X réécrite", unsigned{*t.osccal}));
    }
    return termine_zone(r, le_ID_enable != 0 || le_config_enable != 0);
}

int ecrit_ids_config(const Famille_flash& f, const Memoire_PIC& m) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    if (!transaction && le_ID_enable == 0 && le_config_enable == 0) return 0;
    if (ouvre(f, *p) != 0) return -1;
    if (signal_differe != 0) return ferme_transaction(true); // stopped: only the restore
    // An ID the image leaves at FF is left erased, as an absent configuration word is.
    uint16_t ids[algo::nb_id];
    for (int k = 0; k < algo::nb_id; ++k)
        ids[k] = le_ID_enable != 0 && m.id[k] != ID_ABSENT ? m.id[k] : mot_vierge;
    std::optional<uint16_t> config;
    if (le_config_enable != 0) {
        const uint16_t gardes = bits_gardes();
        config = static_cast<uint16_t>((m.config & ~gardes) | (transaction->bandgap & gardes));
    }
    std::optional<uint16_t> config2;
    if (le_config_enable != 0 && m.config2_definie && deux_mots_config()) config2 = m.config2;
    if (transaction) verifie_calibration_config(*transaction);
    if (ecrit_espace_config(f, ids, config, nullptr, config2) != 0) return ferme_transaction(true);
    if (config) transaction->config.reset(); // written
    if (config2) transaction->config2.reset();
    return ferme_transaction(false);
}

uint16_t* lit_programme(const Famille_flash& f, uint16_t* prog) {
    if (!composant_choisi()) return prog;
    debut_passe(f);
    algo::lit_mots_programme(prog);
    fin_passe();
    return prog;
}

uint8_t* lit_donnees(const Famille_flash& f, uint8_t* donnee) {
    if (!composant_choisi()) return donnee;
    debut_passe(f);
    algo::lit_octets_donnees(donnee);
    fin_passe();
    return donnee;
}

void lit_ids_config(const Famille_flash& f, Memoire_PIC& m) {
    if (!composant_choisi()) return;
    debut_passe(f);
    Load_Configuration(mot_vierge);
    for (int k = 0; k < algo::nb_id; ++k) {
        if (le_ID_enable != 0) m.id[k] = static_cast<uint8_t>(Read_Data_From_Program_Memory());
        if (k < algo::nb_id - 1) Increment_Adress();
    }
    if (le_config_enable != 0) {
        for (int k = 0; k < 4; ++k) Increment_Adress();
        m.config = Read_Data_From_Program_Memory();
        if (deux_mots_config()) {
            Increment_Adress();
            m.config2 = Read_Data_From_Program_Memory();
            m.config2_definie = true;
        }
    }
    fin_passe();
}

int efface(const Famille_flash& f) {
    const Desc_PIC* p = composant_choisi();
    if (!p) return -1;
    // Program and data memories as the area settings enable them (a disabled one is written
    // back); IDs and configuration always go, protection with them.
    Zones_ecrites effacees;
    effacees.programme = plage(le_prog_enable, 0, p->taille_prog - 1, p->taille_prog);
    effacees.donnees = plage(le_data_enable, 0, p->taille_donnee - 1, p->taille_donnee);
    effacees.ids = effacees.config = true;
    if (efface_en_gardant(f, effacees) != 0) return -1;
    return ferme_transaction(false);
}

} // namespace flash
