// SPDX-License-Identifier: GPL-2.0-or-later
// The interface tests need a display (xvfb-run).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "Pas d'affichage : lancez ces tests sous xvfb-run\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
