// SPDX-License-Identifier: GPL-2.0-or-later
// Device operations on the simulated programmer: insertion dialog, timer, progress, and what the
// user may do while an operation runs.
#include "banc_ui.h"

#include "core/messages.h"
#include "hex/hex.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

using namespace test_ui;

namespace {

void attend_egal(const Memoire_PIC& lu, const Memoire_PIC& attendu) {
    EXPECT_TRUE(std::equal(lu.prog.begin(), lu.prog.begin() + 1024, attendu.prog.begin()));
    EXPECT_TRUE(std::equal(lu.donnee.begin(), lu.donnee.begin() + 64, attendu.donnee.begin()));
    EXPECT_EQ(lu.config, attendu.config);
    EXPECT_TRUE(std::equal(lu.id, lu.id + 4, attendu.id));
}

} // namespace

TEST_F(Interface, ecriture_puis_lecture_d_une_puce_simulee_par_les_boutons) {
    demarre();
    const Memoire_PIC m = image_16f84();
    *m_pic = m;
    affiche_pic_mem();

    gtk_button_clicked(GTK_BUTTON(boutons.charger));
    EXPECT_EQ(ecrire_pic, 1);
    ok_prepare_PIC_box(nullptr, prepare_PIC_box);
    EXPECT_EQ(ecrire_pic, 11);
    EXPECT_FALSE(visible(prepare_PIC_box));
    EXPECT_TRUE(visible(en_prog_box));
    EXPECT_EQ(texte(util_label), "Ecriture en cours...");
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(progress_bar)), 0.0);
    timeout(nullptr);
    EXPECT_EQ(ecrire_pic, -1);
    EXPECT_TRUE(visible(en_prog_box));
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_GT(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(progress_bar)), 0.5);
    timeout(nullptr);
    EXPECT_FALSE(visible(en_prog_box));

    // Read the chip back into a blank image.
    m_pic = std::make_unique<Memoire_PIC>();
    gtk_button_clicked(GTK_BUTTON(boutons.lire));
    gtk_button_clicked(GTK_BUTTON(gtk_grid_get_child_at(
        GTK_GRID(gtk_bin_get_child(GTK_BIN(prepare_PIC_box))), 5, 5))); // "Ok"
    EXPECT_EQ(ecrire_pic, 10);
    EXPECT_EQ(texte(util_label), "Lecture en cours...");
    timeout(nullptr);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    attend_egal(*m_pic, m);
    EXPECT_EQ(texte_vue(texte_P).substr(0, 16), "0000: 0100 0107 ");
    EXPECT_EQ(texte(entry_ID), "01020F0A");
}

TEST_F(Interface, effacement_puis_lecture_donne_une_puce_vierge) {
    demarre();
    *m_pic = image_16f84();
    lance(prepare_PIC_e);
    lance(prepare_PIC_r);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    m_pic = std::make_unique<Memoire_PIC>(0);
    lance(prepare_PIC_l);
    EXPECT_TRUE(std::all_of(m_pic->prog.begin(), m_pic->prog.begin() + 1024,
                            [](uint16_t w) { return w == 0x3FFF; }));
    EXPECT_TRUE(std::all_of(m_pic->donnee.begin(), m_pic->donnee.begin() + 64,
                            [](uint8_t o) { return o == 0xFF; }));
}

TEST_F(Interface, mot_de_configuration_ecrit_seulement_donne_et_protection_demandee) {
    demarre();
    // A word nobody gave: the program is written, the configuration word is not, no question.
    Repondeur_protection non(GTK_RESPONSE_NO);
    m_pic->prog[0] = 0x2805;
    lance(prepare_PIC_e);
    EXPECT_EQ(non.questions, 0);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg),
              "Le fichier ne contient pas de mot de configuration : il n'est pas écrit");
    error_ok_clicked(nullptr, nullptr);

    // The user ticks "CP0": asked first, and "Non" writes nothing at all.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_aff_CP0), TRUE);
    ASSERT_EQ(m_pic->config, 0x000F);
    m_pic->prog[1] = 0x0123;
    lance(prepare_PIC_e);
    EXPECT_EQ(non.questions, 1);
    EXPECT_EQ(non.texte, "Le mot de configuration 000F active la protection du code (CP0). Sur un "
                         "PIC à EPROM, c'est définitif. Continuer ?");
    EXPECT_FALSE(visible(protection_box));
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);

    m_pic = std::make_unique<Memoire_PIC>();
    lance(prepare_PIC_l);
    EXPECT_EQ(m_pic->prog[0], 0x2805);
    EXPECT_EQ(m_pic->prog[1], 0x3FFF);
    EXPECT_EQ(m_pic->config, 0x3FFF);
    EXPECT_EQ(non.questions, 1); // reading asks nothing
}

// The question for each family of the later flash parts, on the shipped catalogue.
class Protection_flash : public Interface, public ::testing::WithParamInterface<const char*> {};

TEST_P(Protection_flash, question_posee_et_non_n_ecrit_rien) {
    options.puce = GetParam();
    demarre(test::lit_fichier(std::string(std::getenv("KORVAL_SOURCE_DIR")) + "/data/conf_PICS"));
    choisit(GetParam());
    ASSERT_EQ(texte(type_PIC), GetParam());
    Repondeur_protection non(GTK_RESPONSE_NO);
    m_pic->prog[0] = 0x2805;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_aff_CP0), TRUE);
    if (visible(check_aff_CPD))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check_aff_CPD), TRUE);
    lance(prepare_PIC_e);
    EXPECT_EQ(non.questions, 1);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_FALSE(visible(label_etat)) << texte(label_etat);

    m_pic = std::make_unique<Memoire_PIC>();
    lance(prepare_PIC_l);
    EXPECT_EQ(m_pic->prog[0], 0x3FFF);
}

INSTANTIATE_TEST_SUITE_P(Familles, Protection_flash,
                         ::testing::Values("PIC16F628A", "PIC16F877A", "PIC12F675"));

// A second configuration word that turns LVP off, on a part this board reaches only by the key:
// asked first, and "Non" writes nothing at all.
TEST_F(Interface, lvp_a_zero_demande_et_non_n_ecrit_rien) {
    options.puce = "PIC16F1847";
    demarre(test::lit_fichier(std::string(std::getenv("KORVAL_SOURCE_DIR")) + "/data/conf_PICS"));
    choisit("PIC16F1847");
    Repondeur_protection non(GTK_RESPONSE_NO);
    m_pic->prog[0] = 0x2805;
    m_pic->config = 0x3FFF;
    m_pic->config_definie = true;
    m_pic->config2 = 0x1FFF;
    m_pic->config2_definie = true;
    lance(prepare_PIC_e);
    EXPECT_EQ(non.questions, 1);
    EXPECT_EQ(non.texte.rfind("Le second mot de configuration 1FFF met LVP à 0 : ", 0), 0u)
        << non.texte;
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);

    m_pic = std::make_unique<Memoire_PIC>();
    lance(prepare_PIC_l);
    EXPECT_EQ(m_pic->prog[0], 0x3FFF);
    EXPECT_NE(m_pic->config2 & 0x2000, 0); // still reachable
    EXPECT_EQ(non.questions, 1);
}

TEST_F(Interface, ligne_d_etat_apres_chaque_operation_reussie) {
    demarre();
    *m_pic = image_16f84();
    const struct {
        void (*prepare)(GtkWidget*, gpointer);
        const char* debut;
    } cas[] = {
        {prepare_PIC_e, "Écrit et vérifié : 1024 mots, 64 octets, configuration 3FF1 — "},
        {prepare_PIC_c, "Identique — "},
        {prepare_PIC_l, "Relu : 1024 mots, 64 octets, configuration 3FF1 — "},
        {prepare_PIC_r, "Effacé et vérifié vierge — "},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.debut);
        lance(c.prepare);
        EXPECT_FALSE(visible(error_box)) << texte(error_msg);
        EXPECT_TRUE(visible(label_etat));
        const std::string t = texte(label_etat);
        EXPECT_EQ(t.substr(0, std::string(c.debut).size()), c.debut);
        EXPECT_EQ(t.substr(t.size() - 2), " s");
        timeout(nullptr);
    }
    ferme_rapports();
    // Cleared at the next action; a failure shows nothing there.
    prepare_PIC_e(nullptr, prepare_PIC_box);
    EXPECT_FALSE(visible(label_etat));
    gtk_widget_hide(prepare_PIC_box);
}

TEST_F(Interface, effacement_d_une_eeprom_son_bouton_et_sa_legende) {
    options.puce = "24C16";
    demarre(catalogue, reglages(6));
    EXPECT_EQ(texte(boutons.effacer), "Effacer l'EEPROM");
    std::vector<std::string> legendes;
    g_signal_connect(
        util_label, "notify::label", G_CALLBACK(+[](GObject* l, GParamSpec*, gpointer v) {
            static_cast<std::vector<std::string>*>(v)->push_back(gtk_label_get_text(GTK_LABEL(l)));
        }),
        &legendes);
    lance(prepare_PIC_r);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_NE(std::find(legendes.begin(), legendes.end(), "Effacement"), legendes.end());
    EXPECT_EQ(std::find(legendes.begin(), legendes.end(), "Ecriture des données"), legendes.end());
    EXPECT_EQ(texte(label_etat).rfind("Effacé et vérifié vierge", 0), 0u);
}

TEST_F(Interface, fenetre_de_progression_jamais_sur_les_boutons) {
    demarre();
    pompe();
    prepare_PIC_l(nullptr, prepare_PIC_box);
    ok_prepare_PIC_box(nullptr, prepare_PIC_box);
    ASSERT_TRUE(visible(en_prog_box));
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(en_prog_box)),
              GTK_WINDOW(fenetre_principale));
    int ox = 0, oy = 0;
    gdk_window_get_origin(gtk_widget_get_window(fenetre_principale), &ox, &oy);
    int x = 0, y = 0, l = 0, h = 0;
    gtk_window_get_position(GTK_WINDOW(en_prog_box), &x, &y);
    gtk_window_get_size(GTK_WINDOW(en_prog_box), &l, &h);
    for (GtkWidget* b :
         {boutons.charger, boutons.lire, boutons.sauver_hex, boutons.lire_hex, boutons.effacer,
          boutons.comparer, boutons.options, boutons.aide, boutons.quitter}) {
        int bx = 0, by = 0;
        gtk_widget_translate_coordinates(b, fenetre_principale, 0, 0, &bx, &by);
        bx += ox;
        by += oy;
        const int bl = gtk_widget_get_allocated_width(b), bh = gtk_widget_get_allocated_height(b);
        EXPECT_TRUE(x + l <= bx || bx + bl <= x || y + h <= by || by + bh <= y)
            << texte(b) << " : " << x << "," << y << " " << l << "x" << h;
    }
    timeout(nullptr);
    timeout(nullptr);
}

TEST_F(Interface, annuler_l_insertion_ne_lance_rien) {
    demarre();
    prepare_PIC_e(nullptr, prepare_PIC_box);
    GtkWidget* annuler =
        gtk_grid_get_child_at(GTK_GRID(gtk_bin_get_child(GTK_BIN(prepare_PIC_box))), 6, 5);
    EXPECT_EQ(texte(annuler), "Annuler");
    gtk_button_clicked(GTK_BUTTON(annuler));
    EXPECT_FALSE(visible(prepare_PIC_box));
    timeout(nullptr);
    EXPECT_EQ(ecrire_pic, 1);
    EXPECT_FALSE(visible(en_prog_box));
}

TEST_F(Interface, programmateur_absent_le_message_et_rien_d_autre) {
    options.pannes = {"sans-programmateur"};
    demarre();
    m_pic->prog[0] = 0x1234;
    lance(prepare_PIC_l);
    EXPECT_TRUE(visible(error_box));
    EXPECT_EQ(texte(error_msg), "Attention : le programmateur n'a pas été détecté");
    EXPECT_EQ(m_pic->prog[0], 0x1234);
    lance(prepare_PIC_e);
    EXPECT_EQ(texte(error_msg), "Attention : le programmateur n'a pas été détecté");
}

TEST_F(Interface, progression_barre_et_legende) {
    demarre();
    gestion_bar(50, 100, 3);
    EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(progress_bar)), 0.5);
    EXPECT_EQ(texte(util_label), "Lecture des données");
    gestion_bar(1, 4, 0);
    EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(progress_bar)), 0.25);
    EXPECT_EQ(texte(util_label), "Ecriture du programme");
}

TEST_F(Interface, lecture_de_fichier_pendant_une_ecriture_differee_sans_corrompre) {
    demarre();
    const Memoire_PIC m = image_16f84();
    *m_pic = m;
    Memoire_PIC autre;
    autre.prog[0] = 0x0AAA;
    const std::string hex = rep.fichier("autre.hex");
    Ecrire_Fichier_Hex_PIC(hex, autre);

    const Memoire_PIC* pendant = nullptr;
    bool deja = false;
    bool lire_hex_sensible = true, liste_sensible = true, charger_sensible = false;
    bool modif_sensible = true, id_sensible = true;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        lire_hex_sensible = sensible(boutons.lire_hex);
        liste_sensible = sensible(boutons.combo_pic);
        charger_sensible = sensible(boutons.charger);
        modif_sensible = sensible(gtk_bin_get_child(GTK_BIN(modif_box)));
        id_sensible = sensible(entry_ID);
        // What a user could still reach: the chooser already open, its file dialog, a device
        // name typed by a keyboard shortcut.
        lire_hex_clicked(nullptr, prep_lect_ecr);
        prep_lect_ecr_pic(nullptr, prep_lect_ecr);
        choisit_fichier(lire_file_box, hex);
        gtk_dialog_response(GTK_DIALOG(lire_file_box), GTK_RESPONSE_ACCEPT);
        choisit("24C16");
        gtk_entry_set_text(GTK_ENTRY(entry_ID), "FFFFFFFF");
        pendant = m_pic.get();
    });
    const Memoire_PIC* avant = m_pic.get();
    lance(prepare_PIC_e);
    EXPECT_TRUE(deja);
    EXPECT_FALSE(lire_hex_sensible);
    EXPECT_FALSE(liste_sensible);
    EXPECT_FALSE(modif_sensible);
    EXPECT_FALSE(id_sensible);
    EXPECT_TRUE(charger_sensible); // another operation may still be chosen
    EXPECT_EQ(pendant, avant);     // the image was not replaced while written
    EXPECT_EQ(pic_select, 0);
    EXPECT_EQ(texte(boutons.combo_pic), "PIC16F84");
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    // Once the write has ended, the file asked for is read.
    EXPECT_EQ(m_pic->prog[0], 0x0AAA);
    EXPECT_EQ(lastFile, hex);
    EXPECT_TRUE(sensible(boutons.lire_hex));

    // The chip holds the image as it was when the write began.
    installe_puits_progression(progression_ui);
    m_pic = std::make_unique<Memoire_PIC>();
    lance(prepare_PIC_l);
    Memoire_PIC attendu = m;
    attend_egal(*m_pic, attendu);
}

TEST_F(Interface, operation_confirmee_pendant_une_autre_part_apres_elle) {
    demarre();
    *m_pic = image_16f84();
    bool deja = false;
    installe_puits_progression([&](float f, const char* l, int k) {
        progression_ui(f, l, k);
        if (deja) return;
        deja = true;
        prepare_PIC_l(nullptr, prepare_PIC_box); // read, number 10: before the running write
        ok_prepare_PIC_box(nullptr, prepare_PIC_box);
    });
    lance(prepare_PIC_e);
    EXPECT_EQ(ecrire_pic, 10); // waits for the next tick
    installe_puits_progression(progression_ui);
    m_pic->prog[0] = 0;
    timeout(nullptr);
    EXPECT_EQ(ecrire_pic, -1);
    EXPECT_EQ(m_pic->prog[0], 0x0100);
}

TEST_F(Interface, quitter_pendant_une_operation_demande_et_attend_sa_fin) {
    const auto fermeture = [] {
        GdkEvent* e = gdk_event_new(GDK_DELETE);
        e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(fenetre_principale)));
        gtk_main_do_event(e); // what the window manager's close does
        gdk_event_free(e);
    };
    struct {
        const char* comment;
        void (*demande)();
        gint reponse;
        bool fin;
    } cas[] = {
        {"Quitter, Non", [] { gtk_button_clicked(GTK_BUTTON(boutons.quitter)); }, GTK_RESPONSE_NO,
         false},
        {"fermeture, Echap", fermeture, GTK_RESPONSE_DELETE_EVENT, false},
        {"Quitter, Oui", [] { gtk_button_clicked(GTK_BUTTON(boutons.quitter)); }, GTK_RESPONSE_YES,
         true},
        {"fermeture, Oui", fermeture, GTK_RESPONSE_YES, true},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.comment);
        demarre();
        bool deja = false, principale_visible = false, question = false;
        std::string texte_question;
        installe_puits_progression([&](float f, const char* l, int k) {
            progression_ui(f, l, k);
            if (deja) return;
            deja = true;
            c.demande();
            principale_visible = visible(fenetre_principale);
            question = visible(quitter_box);
            gchar* t = nullptr;
            g_object_get(quitter_box, "text", &t, nullptr);
            texte_question = t ? t : "";
            g_free(t);
            gtk_dialog_response(GTK_DIALOG(quitter_box), c.reponse);
            // Nothing ends before the operation does.
            EXPECT_TRUE(visible(fenetre_principale));
            EXPECT_FALSE(fin_demandee());
        });
        lance(prepare_PIC_l); // the read ends with a refresh of the view
        ASSERT_TRUE(deja);
        EXPECT_TRUE(principale_visible);
        EXPECT_TRUE(question);
        EXPECT_EQ(texte_question, "Une opération est en cours : quitter quand elle sera finie ?");
        EXPECT_FALSE(visible(quitter_box));
        EXPECT_EQ(fin_demandee(), c.fin);
        if (c.fin) {
            // The normal end: the window is gone, the settings saved.
            EXPECT_EQ(fenetre_principale, nullptr);
            EXPECT_NE(test::lit_fichier(rep.fichier("conf_port")).find("_DERNIER_PIC 0"),
                      std::string::npos);
        } else {
            EXPECT_TRUE(visible(fenetre_principale));
            timeout(nullptr);
            EXPECT_FALSE(visible(en_prog_box));
        }
        arrete_interface();
        demarree = false;
    }
}

TEST_F(Interface, eeprom_serie_ecrite_puis_relue_par_les_boutons) {
    options.puce = "24C16";
    demarre(catalogue, reglages(6));
    EXPECT_EQ(texte(bouton_charger), "Charger dans EEPORM");
    for (int i = 0; i < 2048; ++i)
        m_pic->donnee[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 13 + 1);
    const std::vector<uint8_t> ecrit(m_pic->donnee.begin(), m_pic->donnee.begin() + 2048);
    lance(prepare_PIC_e);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    m_pic = std::make_unique<Memoire_PIC>();
    lance(prepare_PIC_l);
    EXPECT_FALSE(visible(error_box)) << texte(error_msg);
    EXPECT_TRUE(std::equal(ecrit.begin(), ecrit.end(), m_pic->donnee.begin()));
    EXPECT_EQ(texte_vue(texte_D).substr(0, 12), "0000: 01 0E ");
}

// A part with a device ID is identified first: another one in the socket gets the message in the
// error window, and no operation starts on it.
TEST_F(Interface, autre_composant_dans_le_support_rien_n_est_ecrit) {
    options.puce = "PIC16F877";
    demarre(std::string(catalogue) + "PIC16F877  8192 256 3 1 1 0 0\n", reglages(1)); // 16F876
    *m_pic = image_16f84();
    for (void (*prepare)(GtkWidget*, gpointer) : {prepare_PIC_e, prepare_PIC_r, prepare_PIC_c}) {
        message_erreur("", 0);
        gtk_widget_hide(error_box);
        lance(prepare);
        EXPECT_TRUE(visible(error_box));
        const std::string t = texte(error_msg);
        EXPECT_EQ(t.rfind("Le composant dans le support est un PIC16F877 (ID 09A", 0), 0u) << t;
        EXPECT_NE(t.find("), pas un PIC16F876"), std::string::npos) << t;
    }
    EXPECT_TRUE(fenetres_rapport().empty());
    // The simulated 16F877 is still blank.
    const std::string etat = test::lit_fichier(rep.fichier("puce.etat"));
    EXPECT_EQ(etat.rfind("; puce PIC16F877", 0), 0u);
    EXPECT_NE(etat.find(":10000000FF3FFF3FFF3FFF3F"), std::string::npos) << etat.substr(0, 200);
}
