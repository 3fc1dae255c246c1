// Moving the store's assignments, colours and counters to and from the keyboard.

#include "app/config/ConfigStore.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLeftDoubleClick = 199; // sent as two presses of the left mouse key
constexpr int kMouseKeyLeft = 0x82;

// The longest definition the library can hand back: an automatic-interval macro whose
// 16-bit data length names 65535 items, after its six header elements. The library is
// given kKeyAssignmentArraySize as the length, but a reply from a faulty keyboard must not
// be able to write past our buffer even if that length were not honoured.
constexpr int kReadBufferSize = 6 + 65535 + 16;

int clampCount(int n, int maxCount) {
    return std::clamp(n, 0, maxCount);
}

std::u16string delayItem(int ms) {
    char text[32];
    std::snprintf(text, sizeof(text), "<%d ms>", ms);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

ListRecord freshList(int sizeOfView) {
    ListRecord list;
    list.SizeOfView = sizeOfView;
    list.ViewStartAt = 0;
    list.CursorPos = 0;
    list.Cycles = 1;
    list.IsAutoInterval = false;
    list.Delay = 30;
    list.PlayMode = 0;
    return list;
}

int readBackSingleMode(int code) {
    if (code >= 108 && code <= 125) {
        return 5;
    }
    if (code >= 126 && code <= 134) {
        return 6;
    }
    if (code >= 135 && code <= 198) {
        return 7;
    }
    if (code >= 75 && code <= 77) {
        return 8;
    }
    return 1;
}

} // namespace

int ConfigStore::keyAssignmentArray(int key, int layer, int* a) const {
    if (key < 1 || key > kKeyCount || layer < 0 || layer > 1) {
        return 0;
    }
    const int mode = keyMode[key][layer];
    const int code = keyHwCode[key][layer];
    const ListRecord& list = keyLists[key][layer];
    const int items = static_cast<int>(std::min<std::size_t>(list.items.size(), 0x7FFFFFFF));
    if (mode <= 0) {
        return 0;
    }
    switch (mode) {
    case 2: {
        const int n = clampCount(items, kMaxComboCodes);
        a[0] = 0;
        a[1] = n;
        for (int i = 0; i < n; ++i) {
            a[2 + i] = textToHwCode(list.items[i]);
        }
        return 2 + n;
    }
    case 3: {
        // Per-item delays: keys and "<n ms>" items alternate, so the values follow as
        // key, delay, key, delay, ... and the library reads them as pairs.
        const bool autoInterval = list.IsAutoInterval;
        const int n = clampCount(items, autoInterval ? kMaxMacroItemsAuto : kMaxMacroItemsTimed);
        if (n == 0) {
            // A macro without items has no record the keyboard could take; the key keeps
            // its empty slot, which reads back as "not set" just the same.
            return 0;
        }
        a[0] = 2;
        a[1] = list.PlayMode;
        a[2] = list.PlayMode == 0 ? list.Cycles : 0;
        a[3] = autoInterval ? 0 : 1;
        a[4] = autoInterval ? list.Delay : 0;
        a[5] = autoInterval ? n : (n + 1) / 2;
        for (int i = 0; i < n; ++i) {
            a[6 + i] = textToHwCode(list.items[i]);
        }
        if (!autoInterval && n % 2 == 1) {
            a[6 + n] = 0; // no delay after the last key
        }
        return 6 + n;
    }
    case 4: {
        const int n = clampCount(items, kMaxEmulationCodes);
        a[0] = 1;
        a[1] = list.Delay;
        a[2] = n;
        for (int i = 0; i < n; ++i) {
            a[3 + i] = textToHwCode(list.items[i]);
        }
        return 3 + n;
    }
    default:
        if (code == kLeftDoubleClick) {
            a[0] = 0;
            a[1] = 2;
            a[2] = kMouseKeyLeft;
            a[3] = kMouseKeyLeft;
            return 4;
        }
        a[0] = 0;
        a[1] = 1;
        a[2] = code;
        return 3;
    }
}

void ConfigStore::applyKeyAssignmentArray(int key, int layer, const int* a, int size) {
    if (key < 1 || key > kKeyCount || layer < 0 || layer > 1 || size < 2) {
        return;
    }
    int& mode = keyMode[key][layer];
    // Element i, or 0 when the array does not reach it.
    auto at = [&](long long i) { return i >= 0 && i < size ? a[i] : 0; };

    switch (a[0]) {
    case 0: {
        const int n = std::max(0, a[1]);
        if (n == 0) {
            mode = 0;
        } else if (n == 1) {
            const int code = at(2);
            keyHwCode[key][layer] = code;
            mode = readBackSingleMode(code);
            if (code == 157 || code == 158 || code == 173) {
                mode = 6;
            }
        } else if (n == 2 && at(2) == kMouseKeyLeft && at(3) == kMouseKeyLeft) {
            mode = 6;
            keyHwCode[key][layer] = kLeftDoubleClick;
        } else {
            ListRecord list = freshList(6);
            const int count = std::min(n, size - 2);
            for (int i = 0; i < count; ++i) {
                list.setOrAppend(20000, hwName(a[2 + i]));
            }
            keyLists[key][layer].copyFrom(list);
            mode = 2;
        }
        break;
    }
    case 1: {
        const int n = std::max(0, at(2));
        if (n == 0) {
            mode = 0;
            break;
        }
        ListRecord list = freshList(9);
        list.Delay = at(1);
        const int count = std::min(n, std::max(0, size - 3));
        for (int i = 0; i < count; ++i) {
            list.setOrAppend(20000, hwName(a[3 + i]));
        }
        keyLists[key][layer].copyFrom(list);
        mode = 4;
        break;
    }
    case 2: {
        const int n = std::max(0, at(5));
        if (n == 0) {
            mode = 0;
            break;
        }
        ListRecord list = freshList(9);
        list.PlayMode = at(1);
        list.Cycles = at(2);
        list.IsAutoInterval = at(3) == 0;
        list.Delay = at(4);
        if (list.IsAutoInterval) {
            const int count = std::min(n, std::max(0, size - 6));
            for (int i = 0; i < count; ++i) {
                list.setOrAppend(20000, hwName(a[6 + i]));
            }
        } else {
            // The pair of item i is its key and the delay that follows it; the delay of the
            // last key does not come back.
            const int count = std::min<long long>(n, std::max(0, size - 6 + 1) / 2);
            for (int i = 0; i < count; ++i) {
                if (i > 0) {
                    list.setOrAppend(20000, delayItem(a[5 + 2 * i]));
                }
                list.setOrAppend(20000, hwName(a[6 + 2 * i]));
            }
        }
        keyLists[key][layer].copyFrom(list);
        mode = 3;
        break;
    }
    default:
        mode = 0;
        break;
    }
}

bool ConfigStore::sendKeysToKeyboard(WindowHandle window) {
    device.prepare();
    auto array = std::make_unique<int[]>(kKeyAssignmentArraySize);
    for (int layer = 0; layer < 2; ++layer) {
        for (int key = 1; key <= kKeyCount; ++key) {
            const int count = keyAssignmentArray(key, layer, array.get());
            if (count > 0) {
                // Reports false even when the definition was stored.
                device.setKeyConfiguration(layer, key, array.get(), count);
            }
        }
    }
    return device.writeKeyConfigurationToDev(window);
}

bool ConfigStore::readKeysFromKeyboard(WindowHandle window) {
    if (!device.readKeyDefinationFromDev(window)) {
        // The image holds a partial read next to stale slots; taking it would quietly
        // replace the user's assignments with a mix.
        return false;
    }
    std::vector<int> array(kReadBufferSize, 0);
    for (int layer = 0; layer < 2; ++layer) {
        for (int key = 1; key <= kKeyCount; ++key) {
            // A definition that brings fewer elements than its header promises must not pick
            // up what the previous key left behind.
            std::fill(array.begin(), array.end(), 0);
            device.getKeyConfiguration(layer, key, array.data(), kKeyAssignmentArraySize);
            applyKeyAssignmentArray(key, layer, array.data(), kReadBufferSize);
        }
    }
    return true;
}

bool ConfigStore::sendLightToKeyboard() {
    int light[kKeyCount * 3];
    for (int k = 1; k <= kKeyCount; ++k) {
        for (int c = 0; c < 3; ++c) {
            light[3 * (k - 1) + c] = lightTable[k][c];
        }
    }
    return device.setKeyboardLightArea(light);
}

bool ConfigStore::readLightFromKeyboard() {
    if (!device.readKeyLightFromDev()) {
        return false;
    }
    int light[kKeyCount * 3] = {};
    if (!device.getKeyboardLightArea(light)) {
        return false;
    }
    for (int k = 1; k <= kKeyCount; ++k) {
        for (int c = 0; c < 3; ++c) {
            lightTable[k][c] = light[3 * (k - 1) + c];
        }
    }
    return true;
}

bool ConfigStore::readCountersFromKeyboard() {
    int counters[kKeyCount] = {};
    if (!device.getPressCounterFromDev(counters)) {
        return false; // nothing was handed out: keep "not read" rather than show zeros
    }
    for (int k = 1; k <= kKeyCount; ++k) {
        pressCounts[k] = counters[k - 1];
    }
    updatePressExtremes();
    return true;
}

void ConfigStore::updatePressExtremes() {
    int max = 1;
    int min = 1;
    for (int k = 2; k <= kKeyCount; ++k) {
        if (pressCounts[k] > pressCounts[max]) {
            max = k;
        }
        if (pressCounts[k] > 0 && (pressCounts[k] < pressCounts[min] || pressCounts[min] <= 0)) {
            min = k;
        }
    }
    mostPressedKey = pressCounts[max] > 0 ? max : -1;
    leastPressedKey = pressCounts[min] > 0 ? min : -1;
}
