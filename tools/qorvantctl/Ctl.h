#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class SimulatorBackend;

namespace qorvantctl {

// Exit statuses.
enum : int { kExitDone = 0, kExitDevice = 1, kExitUsage = 2 };

// Called with the simulated keyboard once its state file is loaded and before the command
// runs; tests use it to make the keyboard misbehave.
using SimulatorHook = std::function<void(SimulatorBackend&)>;

// Runs one command line (argv[0] is the program's name). Results go to out, messages and
// the progress bar to err; the bar is drawn only when progressOnErr is true.
int runCtl(const std::vector<std::string>& argv, std::FILE* out, std::FILE* err, bool progressOnErr,
           const SimulatorHook& simulatorHook = {});

} // namespace qorvantctl
