#include "app/config/ConfigStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Naming : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<ConfigStore>();
        store->initNameTables();
        store->resetToDefaults();
    }
    std::unique_ptr<ConfigStore> store;
};

std::u16string delay(int ms) {
    const std::string text = "<" + std::to_string(ms) + " ms>";
    return std::u16string(text.begin(), text.end());
}

} // namespace

TEST_F(Naming, NameTableContents) {
    EXPECT_EQ(store->codeNames.size(), 250u);
    const struct {
        int code;
        const char16_t* name;
    } names[] = {
        {0x01, u"Left mouse button"},
        {0x03, u"Control-break processing"},
        {0x06, u"X2 mouse button"},
        {0x0A, u"Reserved"},
        {0x11, u"Left CTRL"},
        {0x15, u"IME Hangul mode"}, // the last of three names stays
        {0x17, u"IME Junja mode"},
        {0x19, u"IME Kanji mode"},
        {0x1F, u"IME mode change request"},
        {0x20, u"SPACEBAR"},
        {0x2F, u"HELP"},
        {0x30, u"0"},
        {0x39, u"9"},
        {0x41, u"A"},
        {0x5A, u"Z"},
        {0x5F, u"Sleep"},
        {0x60, u"(0)"},
        {0x69, u"(9)"},
        {0x6C, u"Separator"},
        {0x6F, u"(/)"},
        {0x70, u"F1"},
        {0x87, u"F24"},
        {0x91, u"SCR LOCK"},
        {0xA5, u"RALT"},
        {0xA6, u"Browser Back"},
        {0xB7, u"Start Application 2"},
        {0xBA, u";"},
        {0xC0, u"`"},
        {0xDC, u"\\"},
        {0xDE, u"'"},
        {0xDF, u"Used for miscellaneous characters; it can vary by keyboard."},
        {0xE2, u"<>|"},
        {0xE7, u"Used to pass Unicode characters as if they were keystrokes. The VK_PACKET key "
               u"is the low word of a 32-bit Virtual Key value used for non-keyboard input "
               u"methods. For more information, see Remark in KEYBDINPUT, SendInput, "
               u"WM_KEYDOWN, and WM_KEYUP"},
        {0xE8, u"Unassigned"},
        {0xF6, u"Attn"},
        {0xFE, u"Clear"},
        {0x10D, u"(Enter)"},
        {0x14B, u"Wake Up"},
        {0x14C, u"Sleep"},
        {0x14D, u"Power"},
        {0x16C, u"Next track"},
        {0x17D, u"WWW Favorities"},
        {0x17E, u"Mouse Left"},
        {0x186, u"Mouse Wheel Dn"},
        {0x187, u"Backlight Switch"},
        {0x192, u"Sunset or Relax/Aurora"},
        {0x198, u"Ctrl&Caps Exchange"},
        {0x19C, u"FN"},
        {0x19D, u"Unit Pixel"},
        {0x19F, u"Programmable Keyboard"},
        {0x1A5, u"Backlight Record6"},
        {0x1A7, u"Wire&Wireless Exchange"},
        {0x1AD, u"First Delay"},
        {0x1AF, u"Key Response Delay"},
        {0x1C7, u"Left Double Click"},
    };
    for (const auto& n : names) {
        ASSERT_TRUE(store->codeNames.count(n.code)) << std::hex << n.code;
        EXPECT_EQ(store->codeNames.at(n.code), n.name) << std::hex << n.code;
    }
    for (int code : {0x00, 0x07,  0x0E,  0x0F,  0x16,  0x1A,  0x3A,  0x40,  0x88,  0x8F,
                     0x92, 0x9F,  0xB8,  0xB9,  0xC1,  0xDA,  0xE3,  0xE4,  0xE9,  0xF5,
                     0xFF, 0x100, 0x10C, 0x14A, 0x14E, 0x16B, 0x1B0, 0x1C6, 0x1C8, 999}) {
        EXPECT_FALSE(store->codeNames.count(code)) << std::hex << code;
    }
    // Calling it again rebuilds the same tables.
    store->codeNames[5000] = u"stray";
    store->initNameTables();
    EXPECT_EQ(store->codeNames.size(), 250u);
}

TEST_F(Naming, DeviceCodeTables) {
    int nonZero = 0;
    for (int code = 0; code < 1024; ++code) {
        nonZero += store->codeToHw[code] != 0;
    }
    EXPECT_EQ(nonZero, 178);

    const struct {
        int code, hw;
    } map[] = {
        {0x1B, 0x01},  {0x70, 0x02}, {0x7B, 0x0D}, {0xC0, 0x0E},  {0x31, 0x0F},  {0x39, 0x17},
        {0x30, 0x18},  {0xBD, 0x19}, {0xBB, 0x1A}, {0x08, 0x1B},  {0x09, 0x1C},  {0x51, 0x1D},
        {0x50, 0x26},  {0xDB, 0x27}, {0xDC, 0x29}, {0x14, 0x2A},  {0x41, 0x2B},  {0x4C, 0x33},
        {0xDE, 0x35},  {0x0D, 0x36}, {0xA0, 0x37}, {0x5A, 0x38},  {0x43, 0x3A},  {0x4D, 0x3E},
        {0xBF, 0x41},  {0xA1, 0x42}, {0xA2, 0x43}, {0x5B, 0x44},  {0xA4, 0x45},  {0x20, 0x46},
        {0xA5, 0x47},  {0x5C, 0x48}, {0x5D, 0x49}, {0xA3, 0x4A},  {0x14B, 0x4B}, {0x14C, 0x4C},
        {0x14D, 0x4D}, {999, 0x4D},  {0x2C, 0x4E}, {0x91, 0x4F},  {0x13, 0x50},  {0x27, 0x5A},
        {0x90, 0x5B},  {0x6F, 0x5C}, {0x6A, 0x5D}, {0x67, 0x5E},  {0x61, 0x64},  {0x60, 0x67},
        {0x6E, 0x68},  {0x6D, 0x69}, {0x6B, 0x6A}, {0x10D, 0x6B}, {0x16C, 0x6C}, {0x1AF, 0xAF},
        {0x1C7, 0xC7}, {0xE2, 0xCC}, {0x5F, 0},    {0x10, 0},     {0x11, 0},     {0x7C, 0},
        {0x1B0, 0}};
    for (const auto& m : map) {
        EXPECT_EQ(store->codeToHw[m.code], m.hw) << std::hex << m.code;
    }
    for (int code = 0x16C; code <= 0x1AF; ++code) {
        EXPECT_EQ(store->codeToHw[code], code - 0x100) << std::hex << code;
    }

    EXPECT_EQ(store->hwToCode[0], 1023); // the last code without a device key
    EXPECT_EQ(store->hwToCode[0x4D], 999);
    EXPECT_EQ(store->hwToCode[0x4C], 0x14C);
    EXPECT_EQ(store->hwToCode[0x2B], 0x41);
    EXPECT_EQ(store->hwToCode[0x6B], 0x10D);
    EXPECT_EQ(store->hwToCode[0xCC], 0xE2);
    EXPECT_EQ(store->hwToCode[0xC7], 0x1C7);
    EXPECT_EQ(store->hwToCode[0xB0], 0);
    // Every device code that some key code reaches maps back to one reaching it.
    for (int hw = 1; hw < 1024; ++hw) {
        if (store->hwToCode[hw] != 0) {
            EXPECT_EQ(store->codeToHw[store->hwToCode[hw]], hw);
        }
    }
}

TEST_F(Naming, CodeText) {
    const struct {
        int code;
        bool withDirection;
        const char16_t* text;
    } cases[] = {{0x41, true, u"A Down"},
                 {0x241, true, u"A UP"},
                 {0x41, false, u"A"},
                 {0x241, false, u"A"},
                 {0x07, true, u"-- --"},
                 {0x07, false, u"-- --"},
                 {0x14C, true, u"Sleep Down"},
                 {0x34C, true, u"Sleep UP"},
                 {0x4A2, true, u"LCTRL UP"}, // bits above the release flag still mean "up"
                 {0x0D, true, u"ENTER Down"},
                 {0x30D, true, u"(Enter) UP"},
                 {0x1C7, false, u"Left Double Click"},
                 {-1, true, u"-- --"},
                 {-0x200 + 0x41, true, u"A UP"}};
    for (const auto& c : cases) {
        EXPECT_EQ(store->codeText(c.code, c.withDirection), c.text) << c.code;
    }
}

TEST_F(Naming, HwName) {
    const struct {
        int hw;
        const char16_t* text;
    } cases[] = {{0x2B, u"A"},
                 {-1, u"-- --"},
                 {0x4D, u"-- --"},
                 {0x4C, u"Sleep"},
                 {0x4B, u"Wake Up"},
                 {0x01, u"ESC"},
                 {0x0E, u"`"},
                 {0x6B, u"(Enter)"},
                 {0x82, u"Mouse Key Left"},
                 {0x9C, u"FN"},
                 {0xC7, u"Left Double Click"},
                 {0xCC, u"<>|"},
                 {0, u"-- --"},
                 {0xB0, u"-- --"},
                 {0xFF, u"-- --"},
                 {1023, u"-- --"},
                 {1024, u"-- --"},
                 {0x7FFFFFFF, u"-- --"},
                 {-0x7FFFFFFF - 1, u"-- --"}};
    for (const auto& c : cases) {
        EXPECT_EQ(store->hwName(c.hw), c.text) << c.hw;
    }
}

TEST_F(Naming, TextToHwCode) {
    const struct {
        std::u16string text;
        int hw;
    } cases[] = {
        {u"Sleep", 0}, // the first "Sleep" (0x5F) has no device key
        {u"Reserved", 0},
        {delay(250), 250},
        {delay(0), 0},
        {delay(65535), 65535},
        {u"LCTRL Down", 0x43},
        {u"LCTRL UP", 0x43},
        {u"LCTRL", 0x43},
        {u"Power", 0x4D},
        {u"Power Down", 0x4D},
        {u"A", 0x2B},
        {u"a", 0},
        {u"A up", 0},
        {u"A  Down", 0},
        {u"A Down ", 0},
        {u"-- --", 0},
        {u"", 0},
        {u"Not a key", 0},
        {u"Mouse Key Left", 0x82},
        {u"Left Double Click", 0xC7},
        {u"(Enter)", 0x6B},
        {u"ENTER", 0x36},
        {u"<>|", 0xCC},
        {u"Ctrl&Caps Exchange", 0x98},
        {u"Next track", 0x6C}, // the program code; "Next Track" (0xB0) has none
        {u"Next Track", 0},
        {u"ms>", 0},    // shorter than a delay item
        {u"<12ms>", 1}, // the digits after the first character
        {u"x99 ms>", 99},
        {u"<abc ms>", 0},
        {u"<99999999999999999999 ms>", 0x7FFFFFFF}, // saturates, no overflow
    };
    for (const auto& c : cases) {
        EXPECT_EQ(store->textToHwCode(c.text), c.hw) << std::string(c.text.begin(), c.text.end());
    }
}

TEST_F(Naming, EveryNameWithDirectionMapsLikeTheName) {
    for (const auto& [code, name] : store->codeNames) {
        const int hw = store->textToHwCode(name);
        EXPECT_EQ(store->textToHwCode(name + u" Down"), hw);
        EXPECT_EQ(store->textToHwCode(name + u" UP"), hw);
        // A name read back from the keyboard is sent again as the same device code,
        // unless a lower code shares the name.
        const int own = store->codeToHw[code];
        if (own != 0 && store->hwToCode[own] == code && hw == own) {
            EXPECT_EQ(store->textToHwCode(store->hwName(own)), own);
        }
    }
}

TEST_F(Naming, DisplayTexts) {
    auto set = [&](int key, int layer, int mode, std::vector<std::u16string> items, int code = 0) {
        store->keyMode[key][layer] = mode;
        store->keyHwCode[key][layer] = code;
        ListRecord& list = store->keyLists[key][layer];
        list.clear();
        list.SizeOfView = mode == 2 ? 6 : 9;
        for (const auto& item : items) {
            list.setOrAppend(20000, item);
        }
    };

    set(5, 0, 2, {u"LCTRL", u"C"});
    EXPECT_EQ(store->keyDisplayText(5, 0), u"LCTRL | C");
    set(5, 0, 2, {});
    EXPECT_EQ(store->keyDisplayText(5, 0), u"");
    set(5, 1, 4, {u"W", u"A", u"S"});
    EXPECT_EQ(store->keyDisplayText(5, 1), u"W | A | S");
    set(6, 0, 3, {u"A Down", delay(30), u"A UP"});
    EXPECT_EQ(store->keyDisplayText(6, 0), u"A,30,A");
    set(6, 0, 3, {u"LCTRL Down", u"C Down", u"C UP", u"LCTRL UP"});
    EXPECT_EQ(store->keyDisplayText(6, 0), u"LCTRL,C,C,LCTRL");
    // Only a whole "<...>" loses its brackets; only a trailing suffix is dropped.
    set(6, 0, 3,
        {u"<>|", u"<>| Down", u"Down", u" Down", u"UP", u" UP", u"A Down Down", u"<1> ms>"});
    EXPECT_EQ(store->keyDisplayText(6, 0), u"<>|,<>|,Down, Down,UP, UP,A Down Down,<1> ms>");
    for (int mode : {1, 5, 6, 7, 8}) {
        set(7, 1, mode, {u"ignored"}, 0x2B);
        EXPECT_EQ(store->keyDisplayText(7, 1), u"A") << mode;
    }
    set(7, 1, 1, {}, 0x4D);
    EXPECT_EQ(store->keyDisplayText(7, 1), u"-- --");
    set(7, 1, 6, {}, 0x7FFFFFFF); // a code from an edited profile
    EXPECT_EQ(store->keyDisplayText(7, 1), u"-- --");
    for (int mode : {0, 9, -1, 100}) {
        set(8, 0, mode, {u"A"}, 0x2B);
        EXPECT_EQ(store->keyDisplayText(8, 0), u"") << mode;
    }
    EXPECT_EQ(store->keyDisplayText(109, 0), u"");
    EXPECT_EQ(store->keyDisplayText(-1, 0), u"");
    EXPECT_EQ(store->keyDisplayText(1, 2), u"");
}

TEST_F(Naming, LongMacroTextIsCut) {
    // Items of 10 characters plus a comma: the 12th item takes the text beyond 120.
    std::vector<std::u16string> items;
    for (int i = 0; i < 40; ++i) {
        items.push_back(u"ABCDEFGHIJ Down");
    }
    ListRecord& list = store->keyLists[9][0];
    list.SizeOfView = 9;
    for (const auto& item : items) {
        list.setOrAppend(20000, item);
    }
    store->keyMode[9][0] = 3;
    std::u16string expected;
    for (int i = 0; i < 11; ++i) {
        expected += (i ? u"," : u"") + std::u16string(u"ABCDEFGHIJ");
    }
    ASSERT_EQ(expected.size(), 120u); // exactly 120: not yet cut
    expected += u",ABCDEFGHIJ ... ...";
    EXPECT_EQ(store->keyDisplayText(9, 0), expected);

    // The cut also marks a last item that crosses the limit.
    list.items.resize(12);
    list.children.resize(12);
    EXPECT_EQ(store->keyDisplayText(9, 0), expected);
    list.items.resize(11);
    list.children.resize(11);
    EXPECT_EQ(store->keyDisplayText(9, 0).size(), 120u);
}
