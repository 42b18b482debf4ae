// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/journal_calibration.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

std::string chemin_calibration(const std::string& composant) {
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        return "";
    }
    return base + "/korval/calibration/" + composant + ".txt";
}

bool note_calibration(const std::string& composant, uint16_t valeur) {
    const std::string chemin = chemin_calibration(composant);
    if (chemin.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(chemin).parent_path(), ec);
    std::ofstream f(chemin, std::ios::app);
    if (!f) return false;
    const std::time_t maintenant = std::time(nullptr);
    std::tm local{};
    localtime_r(&maintenant, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    char ligne[64];
    std::snprintf(ligne, sizeof ligne, "%s %04X\n", date, static_cast<unsigned>(valeur));
    f << ligne;
    f.flush();
    return static_cast<bool>(f);
}
