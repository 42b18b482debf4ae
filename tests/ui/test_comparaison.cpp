// SPDX-License-Identifier: GPL-2.0-or-later
// The comparison report on the simulated programmer: its window, its exact lines.
#include "banc_ui.h"

#include <algorithm>

using namespace test_ui;

namespace {

// What the window manager's close does: the event goes through GTK's main dispatch.
void ferme_par_le_gestionnaire(GtkWidget* f) {
    GdkEvent* e = gdk_event_new(GDK_DELETE);
    e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(f)));
    gtk_main_do_event(e);
    gdk_event_free(e);
    pompe();
}

} // namespace

TEST_F(Interface, comparaison_puce_identique_chaque_rapport_sa_fenetre) {
    demarre();
    *m_pic = image_16f84();
    lance(prepare_PIC_e);
    ASSERT_FALSE(visible(error_box)) << texte(error_msg);
    const Memoire_PIC avant = *m_pic;
    const std::string identique =
        "ID0 identiques\nID1 identiques\nID2 identiques\nID3 identiques\n"
        "Les mot de configurations du PIC et de la mémoire sont identiques\n"
        "Le programme du PIC correspond à celui en mémoire\n"
        "Les données du PIC correspondent à celles en mémoire\n";
    EXPECT_EQ(compare(), identique);
    EXPECT_EQ(texte(util_label), "Lecture des données"); // the reads showed their progress
    EXPECT_TRUE(m_pic->prog == avant.prog && m_pic->donnee == avant.donnee);
    EXPECT_EQ(m_pic->config, avant.config);
    EXPECT_TRUE(std::equal(m_pic->id, m_pic->id + 4, avant.id));

    // A second comparison opens a window of its own; closing one destroys it alone.
    EXPECT_EQ(compare(), identique);
    std::vector<GtkWidget*> f = fenetres_rapport();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(rapports_ouverts().size(), 2u);
    GtkWidget* premiere = f[0];
    g_object_add_weak_pointer(G_OBJECT(premiere), reinterpret_cast<gpointer*>(&premiere));
    ferme_par_le_gestionnaire(premiere);
    EXPECT_EQ(premiere, nullptr);
    EXPECT_EQ(fenetres_rapport(), std::vector<GtkWidget*>{f[1]});
    EXPECT_EQ(rapports_ouverts(), std::vector<GtkWidget*>{f[1]});
}

TEST_F(Interface, comparaison_mot_octet_id_et_configuration_differents) {
    demarre();
    *m_pic = image_16f84();
    lance(prepare_PIC_e);
    m_pic->prog[5] = 0xFFFF; // never a difference, whatever the chip holds
    m_pic->prog[0x14] = 0x1235;
    m_pic->prog[0x30] = 0x0000; // a later difference is not reported
    m_pic->donnee[3] = 0xA3;    // the same as the chip
    m_pic->donnee[7] = 0xFF;    // an image byte 0xFF counts
    m_pic->id[2] = 0x13;
    m_pic->config = 0x3FF5;
    EXPECT_EQ(compare(),
              "ID0 identiques\nID1 identiques\n"
              "ID2 différents : On a FH dans le PIC au lieu de 13H\nID3 identiques\n"
              "Les mot de configuration du PIC et de la mémoire sont différents : On a 3FF1H dans "
              "le PIC au lieu de 3FF5H\n"
              "Le programme du PIC et celui en mémoire ne correspondent pas :\nPour le mot n°14H "
              "on a : 18CH dans le PIC au lieu de 1235H\n(2 mots différents en tout)\n"
              "Les données du PIC et celles en mémoire ne correspondent pas :\nPour le mot n°7H on "
              "a : A7H dans le PIC au lieu de FFH\n(1 octet différent en tout)\n");
}

TEST_F(Interface, comparaison_puce_protegee) {
    demarre();
    *m_pic = image_16f84();
    m_pic->config = 0x000D; // CP0 bits 13 to 4 at 0: program and data read as 0, not compared
    Repondeur_protection oui(GTK_RESPONSE_YES);
    lance(prepare_PIC_e);
    EXPECT_EQ(oui.questions, 1);
    ASSERT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_EQ(compare(),
              "ID0 identiques\nID1 identiques\nID2 identiques\nID3 identiques\n"
              "Les mot de configurations du PIC et de la mémoire sont identiques\n"
              "La mémoire est protégée\n"
              "Le programme du PIC est protégé : il n'est pas comparé\n"
              "Les données du PIC sont protégées : elles ne sont pas comparées\n");
}

TEST_F(Interface, comparaison_zones_desactivees_et_pic_sans_donnees) {
    demarre(catalogue, reglages(3)); // PIC12C671: no data memory
    *m_pic = image_16f84();
    m_pic->config = 0x3FF8;
    lance(prepare_PIC_e);
    ASSERT_FALSE(visible(error_box)) << texte(error_msg);
    // Areas not read are not reported: neither called identical nor shown as FFFF.
    le_ID_enable = le_config_enable = 0;
    le_prog_deb = 2;
    le_prog_fin = 3;
    m_pic->id[0] = 0x77;
    m_pic->config = 0x1234;
    m_pic->prog[0] = 0x0001;
    m_pic->prog[2] = 0x0102;
    EXPECT_EQ(compare(), "Le programme du PIC et celui en mémoire ne correspondent pas :\nPour le "
                         "mot n°2H on a : 10EH dans le PIC au lieu de 102H\n"
                         "(1 mot différent en tout)\n");
}

TEST_F(Interface, comparaison_eeprom_une_seule_ligne) {
    options.puce = "24C16";
    demarre(catalogue, reglages(6));
    for (int i = 0; i < 2048; ++i)
        m_pic->donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 13 + 1);
    lance(prepare_PIC_e);
    ASSERT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_EQ(compare(), "Les données de l'EEPROM correspondent à celles en mémoire\n");
    m_pic->donnee[0x7FF] = 0x00;
    m_pic->donnee[0x28] = 0xFF;
    EXPECT_EQ(compare(), "Les données de l'EEPROM et celles en mémoire ne correspondent pas :\n"
                         "Pour le mot n°28H on a : 9H dans le PIC au lieu de FFH\n"
                         "(2 octets différents en tout)\n");
}

TEST_F(Interface, comparaison_sans_programmateur_le_message_seul) {
    options.pannes = {"sans-programmateur"};
    demarre();
    lance(prepare_PIC_c);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Attention : le programmateur n'a pas été détecté");
    EXPECT_TRUE(fenetres_rapport().empty());
    EXPECT_TRUE(rapports_ouverts().empty());
}

TEST_F(Interface, lecture_interrompue_le_message_sans_rapport_ni_image_changee) {
    // A 24C02 in the socket of a 24C16: it answers up to 0xFF, then refuses the block bits.
    options.puce = "24C02";
    demarre(std::string(catalogue) + "24C02      0    256 31 -1 0 1 0\n", reglages(6));
    for (int i = 0; i < 2048; ++i) m_pic->donnee[static_cast<std::size_t>(i)] = 0x5A;
    const Memoire_PIC avant = *m_pic;
    lance(prepare_PIC_c);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Une erreur est survenue lors de la communication avec l'eeprom");
    EXPECT_TRUE(fenetres_rapport().empty());
    lance(prepare_PIC_l);
    EXPECT_TRUE(visible(error_box));
    EXPECT_TRUE(m_pic->donnee == avant.donnee);
}
