// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/repertoire_conf.h"

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string rep_force;

std::string avec_barre(std::string rep) {
    if (rep.empty() || rep.back() != '/') rep += '/';
    return rep;
}

// KORVAL_CONF, unless the process runs with privileges it did not get from its user.
const char* variable_korval_conf() {
    const char* sur = secure_getenv("KORVAL_CONF");
    bool privilegie = getuid() != geteuid() || getgid() != getegid();
    if (!sur || privilegie) {
        static bool dit = false;
        if (std::getenv("KORVAL_CONF") && !dit) {
            std::fprintf(stderr, "KORVAL_CONF ignoré : le programme est installé set-UID ou "
                                 "set-GID\n");
            dit = true;
        }
        return nullptr;
    }
    return *sur ? sur : nullptr;
}

bool existe(const std::string& chemin) {
    struct stat st;
    return ::stat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string repertoire_conf() {
    if (!rep_force.empty()) return rep_force;
    if (const char* env = variable_korval_conf()) return avec_barre(env);
    return "/etc/korval-1.2/";
}

void force_repertoire_conf(const std::string& rep) {
    rep_force = rep.empty() ? "" : avec_barre(rep);
}

bool repertoire_conf_force_ou_env() {
    return !rep_force.empty() || variable_korval_conf();
}

std::string chemin_conf_port_utilisateur() {
    std::string base;
    const char* xdg = secure_getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = secure_getenv("HOME");
        if (home && home[0] == '/') {
            base = home;
        } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
            base = pw->pw_dir;
        } else {
            return "";
        }
        base = avec_barre(base) + ".config";
    }
    return avec_barre(base) + "korval-1.2/conf_port";
}

std::string chemin_conf_PICS() {
    return repertoire_conf() + "conf_PICS";
}

std::string chemin_conf_port_lecture() {
    if (!repertoire_conf_force_ou_env()) {
        std::string perso = chemin_conf_port_utilisateur();
        if (!perso.empty() && existe(perso)) return perso;
    }
    return repertoire_conf() + "conf_port";
}

std::vector<std::string> chemins_conf_port_cherches() {
    std::vector<std::string> chemins;
    if (!repertoire_conf_force_ou_env())
        if (std::string perso = chemin_conf_port_utilisateur(); !perso.empty())
            chemins.push_back(perso);
    chemins.push_back(repertoire_conf() + "conf_port");
    return chemins;
}
