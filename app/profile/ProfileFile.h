#pragma once

// The profile reader and writer behind ConfigStore::saveProfile and
// ConfigStore::loadProfile, open for tests, benchmarks and the command-line tool.

#include <string>
#include <string_view>

class ConfigStore;
class XmlDocument;

// How many levels of nested "List" elements the reader follows. The program's own files
// use three (a library, its entries, their events); deeper ones are ignored.
inline constexpr int kProfileMaxListDepth = 8;

// The whole profile document of store, exactly as saveProfile writes it (before encoding).
std::u16string profileText(const ConfigStore& store);

// Takes a parsed profile document into store. Returns false, changing nothing, when the
// document holds none of the profile's sections.
bool applyProfileDocument(ConfigStore& store, XmlDocument& doc);

// Integer of an attribute value: optional leading white space and sign, then decimal digits
// up to the first other character; 0 without digits. Values beyond int saturate.
int profileInteger(std::u16string_view text);
