// SPDX-License-Identifier: GPL-2.0-or-later
// The memory edit dialog and the number-base list.
#include "banc_ui.h"

#include "core/messages.h"
#include "vue/vue_memoire.h"

#include <filesystem>

using namespace test_ui;

namespace {

void adresse(const char* t) {
    gtk_entry_set_text(GTK_ENTRY(modif_adresse), t);
}
void valeur(const char* t) {
    gtk_entry_set_text(GTK_ENTRY(modif_donnee), t);
}

GtkWidget* bouton_modifier() {
    return gtk_grid_get_child_at(GTK_GRID(gtk_bin_get_child(GTK_BIN(modif_box))), 0, 3);
}

void base(const char* t) {
    gtk_entry_set_text(champ_combo(boutons.combo_base), t);
}

} // namespace

TEST_F(Interface, modification_ouverture_titres_et_adresse_bornee) {
    demarre(); // PIC16F84: 1024 words, 64 bytes
    m_pic->prog[0x3FF] = 0x2805;
    m_pic->prog[0x10] = 0x0123;
    gtk_button_clicked(GTK_BUTTON(boutons.modifier_prog));
    EXPECT_TRUE(visible(modif_box));
    EXPECT_EQ(titre(modif_box), "Modification du programme");
    EXPECT_EQ(modif_buffer, 0);
    EXPECT_EQ(texte(modif_donnee), ""); // no address yet
    adresse("500");
    EXPECT_EQ(texte(modif_adresse), "03FF");
    EXPECT_EQ(texte(modif_donnee), "2805");
    adresse("10");
    EXPECT_EQ(texte(modif_donnee), "0123");
    adresse("G");
    EXPECT_EQ(texte(modif_donnee), "");
    adresse("");
    EXPECT_EQ(texte(modif_donnee), "");

    // The data memory: the address is bounded again when the dialog opens.
    m_pic->donnee[0x3F] = 7;
    adresse("3FF");
    gtk_button_clicked(GTK_BUTTON(boutons.modifier_donnee));
    EXPECT_EQ(titre(modif_box), "Modification des donnees");
    EXPECT_EQ(modif_buffer, 1);
    EXPECT_EQ(texte(modif_adresse), "003F");
    EXPECT_EQ(texte(modif_donnee), "07");
    // Reopening for the program shows the word at the same address in the new memory.
    m_pic->prog[0x3F] = 0x3FFF;
    modif_mem_prog(nullptr, nullptr);
    EXPECT_EQ(texte(modif_adresse), "003F");
    EXPECT_EQ(texte(modif_donnee), "3FFF");

    // A memory of size 0: the address is emptied.
    choisit("PIC12C671");
    modif_mem_donnee(nullptr, nullptr);
    EXPECT_EQ(texte(modif_adresse), "");
    EXPECT_EQ(texte(modif_donnee), "");
}

TEST_F(Interface, modification_les_trois_bases_dialogue_et_vue) {
    demarre();
    m_pic->prog[0] = 0x2805;
    m_pic->donnee[0] = 7;
    m_pic->donnee[1] = 200;
    adresse("0");
    modif_mem_prog(nullptr, nullptr);
    EXPECT_EQ(texte(modif_donnee), "2805");
    base("Binaire");
    EXPECT_EQ(donnee_en_binaire, 1);
    EXPECT_EQ(texte(modif_donnee), "0010100000000101");
    base("Decimale");
    EXPECT_EQ(donnee_en_binaire, 2);
    EXPECT_EQ(texte(modif_donnee), "10245");

    modif_mem_donnee(nullptr, nullptr);
    EXPECT_EQ(texte(modif_donnee), "7");
    EXPECT_EQ(texte_vue(texte_D), lignes_montrees(texte_D, lignes_donnees(*m_pic, 64, 2)));
    base("Binaire");
    EXPECT_EQ(texte(modif_donnee), "00000111");
    EXPECT_EQ(texte_vue(texte_D), lignes_montrees(texte_D, lignes_donnees(*m_pic, 64, 1)));
    base("Hexa");
    EXPECT_EQ(donnee_en_binaire, 0);
    EXPECT_EQ(texte(modif_donnee), "07");
    EXPECT_EQ(texte_vue(texte_D).substr(0, 12), "0000: 07 C8 ");
    // A text that starts with none of H, B, D keeps the base.
    base("Octal");
    EXPECT_EQ(donnee_en_binaire, 0);
}

TEST_F(Interface, modifier_stocke_rafraichit_et_passe_a_la_suivante) {
    demarre();
    m_pic->prog[0x11] = 0x0042;
    modif_mem_prog(nullptr, nullptr);
    adresse("0010");
    valeur("3FFF");
    gtk_button_clicked(GTK_BUTTON(bouton_modifier()));
    EXPECT_EQ(m_pic->prog[16], 0x3FFF);
    const std::string p = texte_vue(texte_P);
    ASSERT_NE(p.find("\n0010: "), std::string::npos);
    EXPECT_EQ(p.substr(p.find("\n0010: ") + 1, 15), "0010: 3FFF 0042");
    EXPECT_EQ(texte(modif_adresse), "0011");
    EXPECT_EQ(texte(modif_donnee), "0042");
    // 0xFFFF (nothing to program) is stored as it is, and a value that does not read stores
    // nothing.
    valeur("FFFF");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->prog[0x11], 0xFFFF);
    EXPECT_EQ(texte(modif_adresse), "0012");
    valeur("XYZ");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->prog[0x12], 0xFFFF);
    EXPECT_EQ(texte(modif_adresse), "0012");
    valeur("");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(texte(modif_adresse), "0012");
    // The last word: the dialog stays on it.
    adresse("3FF");
    valeur("1");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->prog[0x3FF], 1);
    EXPECT_EQ(texte(modif_adresse), "03FF");
    EXPECT_EQ(texte(modif_donnee), "0001");

    // Data memory: the low 8 bits; binary takes every character.
    modif_mem_donnee(nullptr, nullptr);
    adresse("5");
    valeur("FF1");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[5], 0xF1);
    base("Binaire");
    EXPECT_EQ(texte(modif_adresse), "0006");
    valeur("101");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[6], 5);
    valeur("1");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[7], 1);
    base("Decimale");
    valeur("-1");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[8], 0xFF);
    valeur("x");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[9], 0xFF);
    EXPECT_EQ(texte(modif_adresse), "0009");
}

TEST_F(Interface, modifier_un_mot_a_la_largeur_du_composant_puis_ecrire_et_comparer) {
    struct {
        int pic;          // PIC16F84 (14 bits) or PIC12C508 (algorithm 3, 12 bits)
        const char* tape; // typed in hexadecimal, one address after the other
        uint16_t stocke;
    } cas[] = {
        {0, "FFFE", 0x3FFE}, {0, "FFFF", 0xFFFF}, {0, "C123", 0x0123}, {0, "2805", 0x2805},
        {4, "FFFE", 0x0FFE}, {4, "FFFF", 0xFFFF}, {4, "3FFF", 0x0FFF}, {4, "0A5", 0x00A5},
    };
    for (int pic : {0, 4}) {
        SCOPED_TRACE(pic);
        demarre(catalogue, reglages(pic));
        modif_mem_prog(nullptr, nullptr);
        adresse("0");
        int a = 0;
        for (const auto& c : cas) {
            if (c.pic != pic) continue;
            valeur(c.tape);
            modif_ok(nullptr, nullptr);
            EXPECT_EQ(m_pic->prog[static_cast<std::size_t>(a++)], c.stocke) << c.tape;
        }
        // What was stored is written, verified and then compared alike (the image has no
        // configuration word: the chip keeps its own, and that is the only message).
        lance(prepare_PIC_e);
        EXPECT_EQ(texte(error_msg).rfind("Le fichier ne contient pas de mot de configuration", 0),
                  0u)
            << texte(error_msg);
        EXPECT_NE(compare().find("Le programme du PIC correspond à celui en mémoire\n"),
                  std::string::npos);
        arrete_interface();
        demarree = false;
        std::filesystem::remove(rep.fichier("puce.etat")); // the next device starts blank
    }
}

TEST_F(Interface, modifier_apres_un_changement_d_appareil_ne_sort_pas_de_la_memoire) {
    demarre(catalogue, reglages(1)); // PIC16F876: 8192 words
    modif_mem_prog(nullptr, nullptr);
    adresse("1FFF");
    EXPECT_EQ(texte(modif_adresse), "1FFF");
    choisit("PIC16F84");
    EXPECT_EQ(texte(modif_adresse), "1FFF"); // a device change leaves the dialog alone
    valeur("1234");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->prog[0x1FFF], 0xFFFF);
    EXPECT_EQ(texte(modif_adresse), "03FF");
}

TEST_F(Interface, modifier_la_derniere_case_d_une_memoire_de_64_k) {
    demarre(std::string(catalogue) + "24C512     0    65536 31 -2 0 1 0\n", reglages(8));
    ASSERT_EQ(texte(type_PIC), "24C512");
    modif_mem_donnee(nullptr, nullptr);
    adresse("FFFF");
    valeur("AB");
    modif_ok(nullptr, nullptr);
    EXPECT_EQ(m_pic->donnee[0xFFFF], 0xAB);
    EXPECT_EQ(texte(modif_adresse), "FFFF"); // 4 digits: it stays on the last cell
    EXPECT_EQ(texte(modif_donnee), "AB");
}

TEST_F(Interface, modification_refusee_pendant_une_operation) {
    demarre();
    bool deja = false;
    bool base_sensible = true;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        base_sensible = sensible(boutons.combo_base);
        modif_mem_prog(nullptr, nullptr);
        adresse("0");
        valeur("0");
        modif_ok(nullptr, nullptr);
        // A base change is shown in the dialog; the view follows once the operation has ended.
        base("Binaire");
    });
    const std::string vue_avant = texte_vue(texte_D);
    lance(prepare_PIC_e);
    ASSERT_TRUE(deja);
    EXPECT_FALSE(base_sensible);
    EXPECT_EQ(m_pic->prog[0], 0xFFFF);
    EXPECT_EQ(texte(modif_adresse), "0"); // not moved on: nothing was stored
    EXPECT_EQ(texte(modif_donnee), "1111111111111111");
    EXPECT_NE(texte_vue(texte_D), vue_avant);
    EXPECT_EQ(texte_vue(texte_D), lignes_montrees(texte_D, lignes_donnees(*m_pic, 64, 1)));
    EXPECT_TRUE(sensible(boutons.combo_base));
}
