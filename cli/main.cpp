#include "cli/korval_cli.h"

int main(int argc, char** argv) {
    return korval_cli_main(argc, argv);
}
