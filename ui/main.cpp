// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/interface.h"

int main(int argc, char** argv) {
    return korval_main(argc, argv);
}
