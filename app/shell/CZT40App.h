#pragma once

// The application object: finds the keyboard model, loads the model's pictures and the
// shared drawing objects, fills the store's name tables and runs the main window.

#include <functional>
#include <string>
#include <vector>

class CZT40HWI;
class ConfigStore;

class CZT40App {
public:
    // The program's one configuration store.
    static ConfigStore& store();

    // Asks for the model, retrying while none is found: at most 12 calls; every call after
    // the first is followed by a pause of 1000 ms.
    static int detectModel(CZT40HWI& device, const std::function<void(int ms)>& pause);

    // The whole run; returns the process exit status.
    static int run(int argc, char** argv);
};
