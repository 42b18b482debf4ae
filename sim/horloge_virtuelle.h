// SPDX-License-Identifier: GPL-2.0-or-later
// Virtual time of the simulated programmer: port accesses and waits advance it, nothing spins.
#pragma once

#include <algorithm>
#include <cstdint>

struct Horloge_virtuelle {
    int64_t t_ns = 0;
    int64_t cout_acces_ns = 1000; // one port access, the I/O cycle of a real parallel port
    int64_t cout_lecture_ns = 25; // one reading of the monotonic clock
    int64_t cout_etat_ns = -1;    // one status read when it differs from a write (GPIO)

    void acces() { t_ns += cout_acces_ns; }
    void acces_etat() { t_ns += cout_etat_ns < 0 ? cout_acces_ns : cout_etat_ns; }

    // A busy-wait begun at debut_ns for duree_ns ends on the clock reading that sees it over.
    void attend(int64_t debut_ns, int64_t duree_ns) {
        t_ns = std::max(t_ns + cout_lecture_ns, debut_ns + duree_ns);
    }
};
