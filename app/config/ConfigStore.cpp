#include "app/config/ConfigStore.h"

#include "app/config/NameTables.h"

#include <cstring>

namespace tables = qorvant::tables;

namespace {

const std::u16string kNoName = u"-- --";
const std::u16string kDown = u" Down";
const std::u16string kUp = u" UP";

constexpr std::size_t kMacroTextLimit = 120;

bool endsWith(const std::u16string& text, std::size_t prefixLength, const std::u16string& tail) {
    return text.size() == prefixLength + tail.size() &&
           text.compare(prefixLength, tail.size(), tail) == 0;
}

// Shortens one macro item for the one-line summary: a delay item shows its number, a key
// event its bare name.
std::u16string shortMacroItem(const std::u16string& t) {
    const std::size_t n = t.size();
    if (n > 4 && t.front() == u'<' && t.find(u'>') == n - 1) {
        return t.substr(1, n - 5);
    }
    if (n > 5 && t.find(kDown) == n - 5) {
        return t.substr(0, n - 5);
    }
    if (n > 3 && t.find(kUp) == n - 3) {
        return t.substr(0, n - 3);
    }
    return t;
}

bool validKey(int key, int layer) {
    return key >= 0 && key <= ConfigStore::kKeyCount && layer >= 0 && layer <= 1;
}

} // namespace

ConfigStore::ConfigStore() {
    invalidateCounters();
}

ConfigStore::~ConfigStore() = default;

void ConfigStore::invalidateCounters() {
    // Every byte 0xC8: each counter reads as a negative number, "not read".
    std::memset(pressCounts, 0xC8, sizeof(pressCounts));
    mostPressedKey = -1;
    leastPressedKey = -1;
}

bool ConfigStore::isChinese() const {
    return language == "zh-CN";
}

std::u16string ConfigStore::modelName() const {
    switch (deviceType) {
    case 2:
        return u"537RM(S)ZQ.BLe";
    case 3:
        return u"537RM(S)ZQ";
    case 4:
        return u"537RM(XRGB)ZQ";
    default:
        return u"537RM(XRGB)ZQ.BLe";
    }
}

int ConfigStore::defaultHwCode(int key, int layer) const {
    if (key < 0 || key >= 112 || layer < 0 || layer > 1) {
        return 0;
    }
    switch (deviceType) {
    case 2:
        return tables::kDefaultType2[key][layer];
    case 3:
        return tables::kDefaultType3[key][layer];
    case 4:
        return tables::kDefaultType4[key][layer];
    default:
        return tables::kDefaultGeneral[key][layer];
    }
}

int ConfigStore::modeForHwCode(int code) {
    int mode;
    if (code == 0) {
        mode = 0;
    } else if (code >= 75 && code <= 77) {
        mode = 8;
    } else if (code >= 1 && code <= 107) {
        mode = 1;
    } else if (code >= 108 && code <= 125) {
        mode = 5;
    } else if (code >= 126 && code <= 134) {
        mode = 6;
    } else if (code >= 135 && code <= 198) {
        mode = 7;
    } else {
        mode = 1;
    }
    // Mouse-speed settings live among the keyboard functions but belong to the mouse page.
    if (code == 157 || code == 158 || code == 173) {
        mode = 6;
    }
    return mode;
}

void ConfigStore::resetToDefaults() {
    macroLibrary.clear();
    macroLibrary.SizeOfView = 9;
    comboLibrary.clear();
    comboLibrary.SizeOfView = 6;
    emulationLibrary.clear();
    emulationLibrary.SizeOfView = 9;

    std::memset(lightTable, 0, sizeof(lightTable));

    for (int key = 0; key <= kKeyCount; ++key) {
        for (int layer = 0; layer < 2; ++layer) {
            keyHwCode[key][layer] = defaultHwCode(key, layer);
            keyLists[key][layer].clear();
            keyMode[key][layer] = modeForHwCode(keyHwCode[key][layer]);
        }
    }
}

void ConfigStore::initNameTables() {
    codeNames.clear();
    for (std::size_t i = 0; i < tables::kCodeNameCount; ++i) {
        codeNames[tables::kCodeNames[i].code] = tables::kCodeNames[i].name;
    }

    std::memset(codeToHw, 0, sizeof(codeToHw));
    for (std::size_t i = 0; i < tables::kCodeToHwCount; ++i) {
        codeToHw[tables::kCodeToHw[i].code] = tables::kCodeToHw[i].hw;
    }

    // Ascending walk: a device code reached from several key codes keeps the highest one,
    // and device code 0 ends up with the last code that has no device key.
    std::memset(hwToCode, 0, sizeof(hwToCode));
    for (int code = 0; code < 1024; ++code) {
        hwToCode[codeToHw[code]] = code;
    }

    for (int i = 0; i < 9; ++i) {
        modeNamesZh[i] = tables::kModeNamesZh[i];
        modeNamesEn[i] = tables::kModeNamesEn[i];
    }
    for (int i = 0; i < 4; ++i) {
        colourNamesZh[i] = tables::kColourNamesZh[i];
        colourNamesEn[i] = tables::kColourNamesEn[i];
    }

    language = "zh-CN";
}

std::u16string ConfigStore::codeText(int code, bool withDirection) const {
    const auto it = codeNames.find(code & 0x1FF);
    std::u16string text = it == codeNames.end() ? kNoName : it->second;
    if (it != codeNames.end() && withDirection) {
        text += (code >> 9) == 0 ? kDown : kUp;
    }
    return text;
}

std::u16string ConfigStore::hwName(int hwCode) const {
    if (hwCode < 0 || hwCode >= 1024) {
        return kNoName;
    }
    const auto it = codeNames.find(hwToCode[hwCode] & 0x1FF);
    return it == codeNames.end() ? kNoName : it->second;
}

std::u16string ConfigStore::keyDisplayText(int key, int layer) const {
    if (!validKey(key, layer)) {
        return {};
    }
    const int mode = keyMode[key][layer];
    const ListRecord& list = keyLists[key][layer];
    std::u16string text;
    switch (mode) {
    case 1:
    case 5:
    case 6:
    case 7:
    case 8:
        return hwName(keyHwCode[key][layer]);
    case 2:
    case 4:
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            if (i > 0) {
                text += u" | ";
            }
            text += list.items[i];
        }
        return text;
    case 3:
        for (std::size_t i = 0; i < list.items.size(); ++i) {
            if (i > 0) {
                text += u",";
            }
            text += shortMacroItem(list.items[i]);
            if (text.size() > kMacroTextLimit) {
                text += u" ... ...";
                break;
            }
        }
        return text;
    default:
        return {};
    }
}

int ConfigStore::textToHwCode(const std::u16string& text) const {
    if (text.find(u"ms>") != std::u16string::npos) {
        // A delay item "<n ms>": the number right after the opening character.
        const std::size_t n = text.size();
        const std::size_t length = n > 5 ? n - 5 : 0;
        long long value = 0;
        for (std::size_t i = 1; i < 1 + length; ++i) {
            const char16_t c = text[i];
            if (c < u'0' || c > u'9') {
                break;
            }
            value = value * 10 + (c - u'0');
            if (value > 0x7FFFFFFF) {
                value = 0x7FFFFFFF; // saturate instead of overflowing
            }
        }
        return static_cast<int>(value);
    }
    // Lowest code wins for names that several codes share.
    for (const auto& [code, name] : codeNames) {
        const std::size_t len = name.size();
        if (text.size() < len || text.compare(0, len, name) != 0) {
            continue;
        }
        if (text.size() == len || endsWith(text, len, kUp) || endsWith(text, len, kDown)) {
            return code >= 0 && code < 1024 ? codeToHw[code] : 0;
        }
    }
    return 0;
}
