// Comparison report: run by the timer for a confirmed "Comparer". The report window and its
// lines come with the comparison report itself.
#include "ui/interface.h"

void comparaison_du_PIC() {}
