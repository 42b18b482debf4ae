// SPDX-License-Identifier: GPL-2.0-or-later
// The later flash algorithms (4 to 10) and their simulated chips against the data-sheet facts of
// tests/commun/fiches_techniques.h: a full write is recorded at the socket's pins on the
// simulated programmer's clock, its commands decoded, and the codes, the waits after each cycle
// and the entry timing measured; the chip model's own times and what it reads back are checked
// against the same literals.
#include "simulateur_pic.h"

#include "commun/fiches_techniques.h"

#include "operations/operations.h"
#include "port/backend.h"
#include "sim/puces/fabrique.h"

#include <set>

namespace {

// The chip in the socket, with every change of its pins noted.
class Enregistreur : public Modele_puce {
  public:
    struct Evenement {
        int64_t t;
        Broches b;
    };
    explicit Enregistreur(std::unique_ptr<Modele_puce> p) : puce(std::move(p)) {}
    void broches(const Broches& b, int64_t t) override {
        if (journal.empty() || !(journal.back().b == b)) journal.push_back({t, b});
        puce->broches(b, t);
    }
    bool sortie(int64_t t) override { return puce->sortie(t); }
    const Desc_PIC& description() const override { return puce->description(); }
    std::string etat_hex() const override { return puce->etat_hex(); }
    bool charge_etat_hex(const std::string& t) override { return puce->charge_etat_hex(t); }

    std::vector<Evenement> journal;
    std::unique_ptr<Modele_puce> puce;
};

// A command as the chip decodes it: its code, when its first clock rose and its sixth fell, the
// address counter, the last load command before it.
struct Commande {
    int code;
    int64_t debut, fin;
    int compteur, charge;
    int64_t suite = -1; // the next clock or supply change after it
};

// What the recorded pins show.
struct Releve {
    std::vector<Commande> commandes;
    std::vector<int64_t> ppdp, hld0, decharges; // per entry, per power-up after a power-down
    int entrees_vpp_d_abord = 0, entrees_vdd_d_abord = 0;
};

// espace: the address Load Configuration sets.
Releve releve(const std::vector<Enregistreur::Evenement>& journal, int espace) {
    Releve r;
    Broches p;
    bool programmation = false, attente_hld0 = false;
    int64_t t_vpp = 0, t_entree = 0, t_coupure = -1;
    int bits = 0, n = 0, saut = 0, compteur = 0, charge = -1;
    int64_t debut = 0;
    for (const auto& [t, b] : journal) {
        if (!r.commandes.empty() && r.commandes.back().suite < 0 &&
            (b.clk != p.clk || b.vcc != p.vcc || b.vpp != p.vpp))
            r.commandes.back().suite = t;
        if (b.vpp && !p.vpp) t_vpp = t;
        if (!b.vcc && p.vcc) t_coupure = t;
        if (b.vcc && !p.vcc && t_coupure >= 0) r.decharges.push_back(t - t_coupure);
        const bool entre = b.vcc && b.vpp && !(p.vcc && p.vpp);
        if (entre) {
            if (!p.vcc) {
                ++r.entrees_vpp_d_abord;
                r.ppdp.push_back(t - t_vpp);
            } else {
                ++r.entrees_vdd_d_abord;
            }
            programmation = attente_hld0 = true;
            t_entree = t;
            bits = n = saut = compteur = 0;
            charge = -1;
        } else if (!(b.vcc && b.vpp)) {
            programmation = false;
        } else if (programmation) {
            if (attente_hld0 && (b.clk != p.clk || b.data != p.data)) {
                r.hld0.push_back(t - t_entree);
                attente_hld0 = false;
            }
            if (b.clk && !p.clk && saut == 0 && n == 0) debut = t;
            if (!b.clk && p.clk) {
                if (saut > 0) {
                    --saut;
                } else {
                    bits |= (p.data ? 1 : 0) << n;
                    if (++n == 6) {
                        r.commandes.push_back({bits, debut, t, compteur, charge});
                        if (bits == 0) compteur = espace;
                        if (bits == 6) ++compteur;
                        if (bits == 0x16) compteur = 0; // Reset Address
                        if (bits == 0 || bits == 2 || bits == 3) charge = bits;
                        if (bits == 0 || (bits >= 2 && bits <= 5)) saut = 16;
                        bits = n = 0;
                    }
                }
            }
        }
        p = b;
    }
    return r;
}

class Fiches_techniques : public test::Simulateur_pic {};

TEST_F(Fiches_techniques, ecriture_complete_mesuree_aux_broches) {
    for (const fiches::Fiche_composant& f : fiches::composants) {
        SCOPED_TRACE(std::string(f.nom) + " (" + f.document + ")");
        const fiches::Fiche_famille* fam = fiches::famille(f.algo);
        ASSERT_TRUE(fam);
        pic_select = cherche_pic(f.nom);
        ASSERT_GE(pic_select, 0);
        const Desc_PIC& d = *pic_courant();

        // The model's own facts.
        const Caracteristiques_pic c = caracteristiques_pic(d);
        EXPECT_EQ(c.vpp_avant_vdd, f.vpp_d_abord);
        EXPECT_EQ(c.t_programmation_ns, fam->t_programmation_ns);
        EXPECT_EQ(c.t_ecriture_donnee_ns, fam->t_donnee_ns);
        EXPECT_EQ(c.t_effacement_ns, fam->t_effacement_ns);
        EXPECT_EQ(c.t_externe_min_ns, fam->t_externe_ns);
        EXPECT_EQ(c.mots_latch, f.mots_latch);
        EXPECT_EQ(c.mots_calibration > 0 ? c.adresse_calibration : -1, f.calibration_config);
        if (fam->t_ppdp_ns > 0) {
            EXPECT_EQ(Puce_pic::t_ppdp_min_ns, fam->t_ppdp_ns);
        }
        EXPECT_EQ(c.t_entree_ns, fam->t_hld0_ns);
        if (fam->t_config_ns > 0) {
            EXPECT_EQ(c.t_config_ns, fam->t_config_ns);
        }
        tension_vpp = f.vpp_d_abord ? 9 : 13; // high-voltage entry on every part

        auto modele = std::make_unique<Enregistreur>(cree_puce(d, {}));
        Enregistreur& e = *modele;
        auto& puce = dynamic_cast<Puce_pic&>(*e.puce);
        EXPECT_EQ(puce.mot_id_composant() & ~0x1F, f.id_composant);
        EXPECT_EQ(puce.mot_calibration() >= 0, f.adresse_calibration >= 0);
        const uint16_t usine = puce.contenu().config & f.config_usine;
        EXPECT_EQ(puce.contenu().config, (0x3FFF & ~f.config_zero & ~f.config_usine) | usine)
            << "blank configuration word";
        installe_backend(std::make_unique<Carte_simulee>(std::move(modele)));

        // Every word, byte and ID; the configuration word with every stored bit at 0 but the
        // protection bits (off).
        Memoire_PIC m(f.protections);
        m.config_definie = true;
        const int mots = f.adresse_calibration >= 0 ? f.taille_prog - 1 : f.taille_prog;
        for (int i = 0; i < mots; ++i)
            m.prog[static_cast<std::size_t>(i)] = static_cast<uint16_t>((i * 37 + 1) & 0x3FFF);
        for (int i = 0; i < f.taille_donnee; ++i)
            m.donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 3 + 1);
        for (uint8_t& id : m.id) id = 0x05;
        ASSERT_EQ(ecrit_image(m), OPERATION_REUSSIE) << dernier_message();
        EXPECT_EQ(puce.nombre_violations(), 0);
        EXPECT_EQ(puce.contenu().config & ~f.config_usine,
                  (f.protections | (0x3FFF & ~f.config_implementes & ~f.config_zero)) &
                      ~f.config_usine)
            << "unimplemented bits read as the data sheet says";
        EXPECT_EQ(puce.contenu().config & f.config_usine, usine) << "factory bits kept";

        const Releve r = releve(e.journal, fam->espace_config);
        EXPECT_EQ(r.entrees_vpp_d_abord > 0, f.vpp_d_abord);
        EXPECT_EQ(r.entrees_vdd_d_abord > 0, !f.vpp_d_abord);
        for (int64_t t : r.ppdp) EXPECT_GE(t, fam->t_ppdp_ns) << "tPPDP";
        for (int64_t t : r.hld0) EXPECT_GE(t, fam->t_hld0_ns) << "tHLD0";
        for (int64_t t : r.decharges) EXPECT_GE(t, Puce_pic::t_maintien_vdd_ns) << "VDD decay";

        std::set<int> permis = {0, 2, 3, 4, 5, 6, 8, fam->code_effacement};
        if (fam->espace_config == 0x8000) permis.insert(0x16);
        if (fam->code_effacement == 0x09) permis.insert(0x0B);
        if (fam->code_fin_externe >= 0) permis.insert({0x18, fam->code_fin_externe});
        bool efface = false, config = false;
        for (std::size_t k = 0; k < r.commandes.size(); ++k) {
            const Commande& x = r.commandes[k];
            SCOPED_TRACE("command " + std::to_string(x.code) + " at " + std::to_string(x.fin));
            ASSERT_TRUE(permis.count(x.code)) << "unknown to the part";
            const int64_t attente = x.suite - x.fin;
            if (x.code == fam->code_effacement || x.code == 0x0B) {
                efface = true;
                EXPECT_GE(attente, fam->t_effacement_ns);
            }
            if (x.code == 8) {
                const bool espace = x.compteur >= fam->espace_config && x.charge != 3;
                EXPECT_GE(attente, x.charge == 3                    ? fam->t_donnee_ns
                                   : espace && fam->t_config_ns > 0 ? fam->t_config_ns
                                                                    : fam->t_programmation_ns);
            }
            if (x.code == 0x18) {
                ASSERT_LT(k + 1, r.commandes.size());
                EXPECT_EQ(r.commandes[k + 1].code, fam->code_fin_externe);
                EXPECT_GE(r.commandes[k + 1].fin - x.fin, fam->t_externe_ns);
            }
            if ((x.code == 8 || x.code == 0x18) && x.compteur == fam->espace_config + 7) {
                config = true;
                EXPECT_EQ(x.code == 8, fam->config_par_8) << "configuration word";
            }
        }
        EXPECT_TRUE(efface);
        EXPECT_TRUE(config);
        installe_backend(cree_backend_ferme());
    }
}

} // namespace
