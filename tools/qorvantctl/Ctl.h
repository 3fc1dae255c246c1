#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qorvantctl {

// Exit statuses.
enum : int { kExitDone = 0, kExitDevice = 1, kExitUsage = 2 };

// Runs one command line (argv[0] is the program's name). Results go to out, messages and
// the progress bar to err; the bar is drawn only when progressOnErr is true.
int runCtl(const std::vector<std::string>& argv, std::FILE* out, std::FILE* err,
           bool progressOnErr);

} // namespace qorvantctl
