// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/korval_cli.h"

int main(int argc, char** argv) {
    return korval_cli_main(argc, argv);
}
