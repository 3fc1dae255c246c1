#include "app/shell/StartOptions.h"

StartOptionsResult parseStartOptions(const std::vector<std::string>& args) {
    StartOptionsResult r;
    StartOptions& o = r.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name = arg;
        std::optional<std::string> value;
        if (auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--simulate") {
            o.simulate = true;
            if (value) {
                if (value->size() != 1 || (*value)[0] < '1' || (*value)[0] > '5') {
                    r.error = "--simulate: model \"" + *value + "\" is not 1..5";
                    return r;
                }
                o.model = (*value)[0] - '0';
                o.modelGiven = true;
            }
        } else if (name == "--state" || name == "--screenshot") {
            if (!value) {
                if (i + 1 >= args.size()) {
                    r.error = name + " needs a value";
                    return r;
                }
                value = args[++i];
            }
            if (value->empty()) {
                r.error = name + " needs a file name";
                return r;
            }
            if (name == "--state")
                o.statePath = std::filesystem::path(*value);
            else
                o.screenshotDir = std::filesystem::path(*value);
        } else {
            // Qt has taken its own options (-platform, -style, ...) before we look.
            r.error = "unknown option \"" + arg + "\" (see --help)";
            return r;
        }
    }
    if (o.statePath && !o.simulate)
        r.error = "--state works only with --simulate";
    return r;
}

const char* startOptionsHelp() {
    return "Usage: QORVANT [--simulate[=MODEL]] [--state FILE] [--screenshot DIR]\n"
           "  --simulate[=MODEL]  use the built-in simulated keyboard of model 1..5 (default 1)\n"
           "  --state FILE        with --simulate: the simulated keyboard's memory lives in FILE\n"
           "                      (read at start when it exists, saved after every transfer)\n"
           "  --screenshot DIR    save pictures of the main window in DIR and end\n";
}
