#include "FactoryDefaults.h"

#include <array>

namespace {

using Table = std::array<std::array<std::uint8_t, 2>, 112>;

constexpr Table generalTable() {
    Table t{};
    for (int k = 0; k <= 108; ++k)
        t[k][0] = static_cast<std::uint8_t>(k);
    t[72][0] = 0x9C;
    for (int k = 75; k <= 87; ++k)
        t[k][0] = static_cast<std::uint8_t>(k + 3);
    const std::uint8_t top88[] = {0x70, 0x72, 0x71, 0x9F, 0x5B, 0x5C, 0x5D, 0x69, 0x5E, 0x5F, 0x60,
                                  0x6A, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x6B};
    for (int k = 88; k <= 108; ++k)
        t[k][0] = top88[k - 88];

    struct Fn {
        int key;
        std::uint8_t code;
    };
    const Fn fn[] = {{1, 0x96},  {2, 0x76},  {3, 0x78},  {4, 0x75},  {5, 0x7D},  {6, 0x74},
                     {7, 0x77},  {8, 0x4C},  {10, 0x97}, {11, 0x87}, {14, 0x88}, {15, 0x94},
                     {16, 0x8A}, {17, 0x8B}, {18, 0x8D}, {19, 0x89}, {21, 0xA0}, {22, 0xA1},
                     {23, 0xA2}, {24, 0xA3}, {25, 0xA4}, {26, 0xA5}, {47, 0xAB}, {60, 0xAC},
                     {67, 0x98}, {68, 0x99}, {69, 0x9B}, {70, 0x8C}, {72, 0x9C}, {78, 0xA7},
                     {81, 0xA8}, {82, 0xA9}, {83, 0xAA}, {84, 0x91}, {85, 0x8F}, {86, 0x90},
                     {87, 0x8E}, {88, 0x6F}, {89, 0x6D}, {90, 0x6C}, {91, 0x6E}};
    for (const auto& f : fn)
        t[f.key][1] = f.code;
    return t;
}

template <std::size_t N> constexpr Table withoutFn(const int (&keys)[N]) {
    Table t = generalTable();
    for (int k : keys)
        t[k][1] = 0;
    return t;
}

constexpr int kModel2Cleared[] = {11, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 70, 85, 87};
constexpr int kModel3Cleared[] = {2,  3,  4,  5,  6,  7,  8,  11, 14, 15, 16, 17, 18, 19, 21,
                                  22, 23, 24, 25, 26, 47, 60, 68, 70, 78, 81, 82, 83, 85, 87};
constexpr int kModel4Cleared[] = {11, 47, 60, 68, 78, 81, 82, 83};

constexpr Table kGeneral = generalTable();
constexpr Table kModel2 = withoutFn(kModel2Cleared);
constexpr Table kModel3 = withoutFn(kModel3Cleared);
constexpr Table kModel4 = withoutFn(kModel4Cleared);

} // namespace

std::uint8_t simFactoryCode(int model, int keyIndex, int layer) {
    if (keyIndex < 0 || keyIndex > 108 || layer < 0 || layer > 1)
        return 0;
    const Table& t = model == 2 ? kModel2 : model == 3 ? kModel3 : model == 4 ? kModel4 : kGeneral;
    return t[static_cast<std::size_t>(keyIndex)][static_cast<std::size_t>(layer)];
}
