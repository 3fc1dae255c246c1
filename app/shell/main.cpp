#include "app/shell/CZT40App.h"

int main(int argc, char** argv) {
    return CZT40App::run(argc, argv);
}
