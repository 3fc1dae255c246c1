#pragma once

// The text of the statistics box under the keyboard picture: title and version, the most
// and least pressed keys, and the details of the key under the mouse.

#include <string>

class ConfigStore;

// The header for the store's model and language ("" for a language that is neither).
std::u16string statisticsHeader(const ConfigStore& store);
// The key's count and its assignments on both layers, appended after the header while
// the mouse rests on key index `key` (1..108); "" outside.
std::u16string statisticsKeyDetails(const ConfigStore& store, int key);
// The whole text; hoveredKey -1 when the mouse is on no key.
std::u16string statisticsText(const ConfigStore& store, int hoveredKey);
