// SPDX-License-Identifier: GPL-2.0-or-later
// Root privileges and I/O port permissions of the direct port backend.
//
// Front ends call prepare_privileges first, before the toolkit: GTK refuses to run set-UID, and
// root must not be kept longer than the port permissions need it.
#pragma once

#include <sys/types.h>
#include <vector>

// Run by root or set-UID root: when acces_direct, obtains ioperm for the three ports the options
// offer (0x278, 0x378, 0x3BC) and port_configure (PORT_PARA as the settings give it; negative for
// none), then drops root for good: the supplementary groups stay the caller's (the list read at
// the start), then real, effective and saved group ids, then user ids, become the real ones. A process whose real user is root
// has nothing to drop and keeps its ids. Returns 0, or -1 when the drop failed (a fatal message
// was posted): the front end must stop there.
int prepare_privileges(bool acces_direct, int port_configure);

// Whether the direct backend may work: the effective user was root when prepare_privileges ran
// (or is now), or a port was granted. The front end's root check rests on it.
bool acces_direct_permis();

// Permission for the data and status registers of the port at base (low 16 bits): true when granted earlier, else asks
// ioperm (which needs root) and remembers a grant. On refusal errno tells why.
bool obtient_acces_port(int base);

// Whether ioperm was granted for this base (low 16 bits).
bool port_accorde(int base);

// Gives up every port permission granted: they survive fork and execve, so a child process that
// runs another program calls it before exec. Only system calls: safe after fork.
void abandonne_acces_ports();

// The supplementary groups of the process, as getgroups gives them.
std::vector<gid_t> groupes_du_processus();
