#pragma once

// Constant tables behind ConfigStore: key names, key code to device key code, and the
// per-model default assignments. Internal to app/config.

#include <cstddef>
#include <cstdint>

namespace qorvant::tables {

struct CodeName {
    int code;
    const char16_t* name;
};
struct CodeHw {
    int code;
    int hw;
};

// In assignment order; a code that appears twice keeps its later name.
extern const CodeName kCodeNames[];
extern const std::size_t kCodeNameCount;

extern const CodeHw kCodeToHw[];
extern const std::size_t kCodeToHwCount;

// [key index 0..111][layer]: device key code.
extern const std::uint8_t kDefaultGeneral[112][2];
extern const std::uint8_t kDefaultType2[112][2];
extern const std::uint8_t kDefaultType3[112][2];
extern const std::uint8_t kDefaultType4[112][2];

extern const char16_t* const kModeNamesZh[9];
extern const char16_t* const kModeNamesEn[9];
extern const char16_t* const kColourNamesZh[4];
extern const char16_t* const kColourNamesEn[4];

} // namespace qorvant::tables
