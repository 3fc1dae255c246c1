#pragma once

// The program's few command-line options, for running and showing it without a
// keyboard:
//     --simulate[=MODEL]   run against the built-in simulated keyboard of model 1..5
//     --state FILE         with --simulate: the simulated keyboard's memory lives in FILE
//                          (loaded at start when it exists, saved after every transfer)
//     --screenshot DIR     write pictures of the main window to DIR and end
//     --help

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct StartOptions {
    bool simulate = false;
    int model = 1;
    bool modelGiven = false;
    std::optional<std::filesystem::path> statePath;
    std::optional<std::filesystem::path> screenshotDir;
    bool help = false;
};

struct StartOptionsResult {
    StartOptions options;
    std::string error; // empty: parsed
};

StartOptionsResult parseStartOptions(const std::vector<std::string>& args);
const char* startOptionsHelp();
