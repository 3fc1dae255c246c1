#pragma once

#include "Text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qorvantctl {

struct Options {
    bool help = false;
    bool simulate = false;
    int model = 1;
    // True when the model was spelled out (--simulate=MODEL), so that a state file of
    // another model is refused instead of silently winning.
    bool modelGiven = false;
    std::optional<std::filesystem::path> statePath;
    std::optional<std::filesystem::path> tracePath;
    std::string language = "en-US";
    std::string command;
    std::vector<std::string> args;
};

struct ParseResult {
    bool ok = false;
    Options options;
    Message error; // one line, without the program's name
};

// Options may stand before or after the command; "--" ends them.
ParseResult parseCommandLine(const std::vector<std::string>& argv);

// The text of --help, in the chosen language.
std::string usageText(const std::string& language);

} // namespace qorvantctl
