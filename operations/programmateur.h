// The programmer under the line driver, as both front ends choose it from their options.
#pragma once

#include <string>
#include <vector>

struct Options_programmateur {
    bool avec_simulateur = false;
    std::string simulateur;          // state file of the simulated chip
    std::string puce;                // device in the simulated socket ("" = the selected one)
    std::vector<std::string> pannes; // simulated faults
    std::string ppdev;               // Linux ppdev device instead of direct port access
    std::string trace;               // VCD trace of every line ("" = none)
};

// Installs the simulated programmer (board wired as the settings' programmer type), ppdev or
// direct port access, and the trace around it. False when the simulator could not be set up
// (its message posted).
bool installe_programmateur(const Options_programmateur& o);
