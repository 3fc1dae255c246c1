#pragma once

#include <cstdint>

// The device key code each model's keyboard carries on a key when it leaves the factory
// (key index 0..108, layer 0 top / 1 Fn; 0 = nothing). Kept here as the keyboard's own
// data: the simulator knows nothing of the program's configuration.
std::uint8_t simFactoryCode(int model, int keyIndex, int layer);
