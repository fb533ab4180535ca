#pragma once

#include <string>

namespace tevtest {

struct HostRun {
    int exitCode = -1;   // -1: did not start or did not end in time
    std::string output;  // standard output and standard error together
};

// Runs the reference host (tevhost.exe beside this program, with the tevpng.dll beside
// it) on a scenario file, in `workDirectory` (made if missing), and waits for it.
HostRun RunHost(const std::string& scenario, const std::string& workDirectory, const std::string& extraArgs = "");

// A fresh directory for one test under the build's host-tests directory, ending in '\'.
std::string FreshWorkDirectory(const std::string& name);

// A scenario file of the project.
std::string ScenarioPath(const std::string& name);

}  // namespace tevtest
