#pragma once

// Pictures of the main window in both languages and on both layers, for the
// documentation. Runs without showing anything on screen when Qt's offscreen platform is
// used.

#include <filesystem>

class CZT40Dlg;
class ConfigStore;
class SimulatorBackend;

// Sets the window up, gives a few keys sample assignments and counts (from the simulated
// keyboard when there is one) and writes main-<zh|en>-<top|fn>.png into dir.
bool writeMainWindowScreenshots(CZT40Dlg& dlg, ConfigStore& store, SimulatorBackend* sim,
                                const std::filesystem::path& dir);
