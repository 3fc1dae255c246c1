#include "Ctl.h"

#include <unistd.h>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    return qorvantctl::runCtl(args, stdout, stderr, isatty(STDERR_FILENO) == 1);
}
