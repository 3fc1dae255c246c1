#pragma once

// Runs the program against the built-in simulated keyboard (--simulate, --state): the
// keyboard's memory is read from the state file at start when the file exists and saved
// after every completed transfer, the same file qorvantctl uses.

#include "app/shell/StartOptions.h"

#include <memory>

class SimulatorBackend;

// Installs the simulated keyboard when o.simulate is set (sim receives it). false: the
// state file is unusable; the reason has been printed.
bool installSimulatedKeyboard(const StartOptions& o, std::shared_ptr<SimulatorBackend>& sim);
