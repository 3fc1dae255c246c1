#pragma once

#include "app/config/ListRecord.h"
#include "library/interface/CZT40HWI.h"
#include "library/platform/Messages.h"

#include <filesystem>
#include <map>
#include <string>

// Everything the program knows about the keyboard being programmed. The desktop program
// keeps exactly one instance with static storage; tests and the command-line tool make
// their own. Per-key tables are key-major: [key index 0..108][layer 0..1], index 0 unused.
//
// A freshly constructed store has empty name tables: call initNameTables() once, then
// resetToDefaults() once deviceType is known.
class ConfigStore {
public:
    static constexpr int kKeyCount = 108;
    // Elements of the working KeyAssignmentArray used by the key transfers.
    static constexpr int kKeyAssignmentArraySize = 65536;
    // What one key definition record of the keyboard can carry. Longer lists (a profile
    // can hold anything) are cut to these before they are sent.
    static constexpr int kMaxComboCodes = 58;     // normal record
    static constexpr int kMaxEmulationCodes = 56; // continuous record
    // Macro data length is a 16-bit byte count; the automatic-interval form takes one
    // byte per item (and must also fit the working array behind its 6 header elements),
    // the per-item-delay form four bytes per key/delay pair.
    static constexpr int kMaxMacroItemsAuto = kKeyAssignmentArraySize - 6;
    static constexpr int kMaxMacroPairs = 65535 / 4;
    static constexpr int kMaxMacroItemsTimed = 2 * kMaxMacroPairs;

    ConfigStore();
    ~ConfigStore();
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    std::string language; // "zh-CN" or "en-US"; empty until initNameTables()
    int deviceType = 0;   // 0 none, 1..5
    int configNotWritten = 0;
    int clickGuard = 0;
    float scale = 0.0f;

    std::map<int, std::u16string> codeNames; // key code -> English name
    int codeToHw[1024] = {};                 // key code -> device key code, 0 = none
    int hwToCode[1024] = {};                 // device key code -> key code
    std::u16string modeNamesZh[9];
    std::u16string modeNamesEn[9];
    std::u16string colourNamesZh[4];
    std::u16string colourNamesEn[4];

    int currentKey = 0;
    int currentLayer = 0;

    ListRecord macroLibrary;
    ListRecord comboLibrary;
    ListRecord emulationLibrary;

    int lightTable[109][3] = {}; // red, green, blue 0..255
    int keyMode[109][2] = {};    // 0..8
    int keyHwCode[109][2] = {};  // for modes 1 and 5..8
    ListRecord keyLists[109][2]; // for modes 2, 3, 4

    int pressCounts[109] = {}; // negative: not read
    int mostPressedKey = -1;   // key index with the highest counter, -1 none
    int leastPressedKey = -1;  // key index with the lowest positive counter, -1 none

    // Exchange areas of the multi-key colour window and the virtual keyboard.
    unsigned char lightSelected[109] = {};
    int lightScratch[109][3] = {};
    int pickRed = 0;
    int pickGreen = 0;
    int pickBlue = 0;
    int pickedCode = 0;
    int pickedCodes[6] = {};
    int pickedCount = 0;

    CZT40HWI device;
    WindowHandle notifyWnd = 0;
    std::filesystem::path firmwarePath;

    // --- store ---
    bool isChinese() const; // language is exactly "zh-CN"
    std::u16string modelName() const;
    // Byte of the model's default-code table; 0 for a key outside 0..111 or a layer
    // outside 0..1.
    int defaultHwCode(int key, int layer) const;
    static int modeForHwCode(int code);
    void resetToDefaults();
    void initNameTables();

    // --- naming ---
    // Name of code & 0x1FF, "-- --" when none; withDirection appends " Down" or, for a
    // code carrying the release flag 512, " UP".
    std::u16string codeText(int code, bool withDirection) const;
    // Name of a device key code; "-- --" for a negative code, a code beyond the tables or
    // one without a name.
    std::u16string hwName(int hwCode) const;
    // What the main window shows for a key's assignment; empty for a key or layer outside
    // the tables.
    std::u16string keyDisplayText(int key, int layer) const;
    // Device key code of an item text (delay value for a "<n ms>" item); 0 when unknown.
    int textToHwCode(const std::u16string& text) const;

    // --- profile (app/profile) ---
    bool saveProfile(const std::filesystem::path& path);
    bool loadProfile(const std::filesystem::path& path);

    // --- device synchronisation (blocking; run on a worker thread) ---
    // Each returns whether the keyboard transfer succeeded. A failed read leaves the
    // store as it was.
    bool sendKeysToKeyboard(WindowHandle window);
    bool readKeysFromKeyboard(WindowHandle window);
    bool sendLightToKeyboard();
    bool readLightFromKeyboard();
    bool readCountersFromKeyboard();

    // The KeyAssignmentArray that sendKeysToKeyboard hands to the library for one key and
    // layer. array must hold kKeyAssignmentArraySize elements. Returns the element count
    // to pass, 0 when the key has no assignment to send (its slot stays empty).
    int keyAssignmentArray(int key, int layer, int* array) const;
    // Takes one KeyAssignmentArray read from the keyboard into keyMode, keyHwCode and
    // keyLists of key and layer. Elements at or beyond size are never read.
    void applyKeyAssignmentArray(int key, int layer, const int* array, int size);
    // Recomputes mostPressedKey and leastPressedKey from pressCounts.
    void updatePressExtremes();
    // Marks every counter as not read (each byte 0xC8) and forgets the extremes, as the
    // constructor does and a profile load must.
    void invalidateCounters();
};
