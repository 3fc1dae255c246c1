#include "app/windows/main/StatisticsView.h"

#include "app/config/ConfigStore.h"
#include "app/windows/main/MainRecords.h"

namespace {

std::u16string keyNameOrBlank(int key) {
    if (key < 1 || key > 108)
        return u"     ";
    return std::u16string(mainKeyName(key)) + u" ";
}

std::u16string headerModel(int deviceType) {
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

std::u16string decimal(int value) {
    const std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

std::u16string modeName(const ConfigStore& store, int mode, bool chinese) {
    if (mode < 0 || mode > 8)
        return u"";
    return chinese ? store.modeNamesZh[mode] : store.modeNamesEn[mode];
}

} // namespace

std::u16string statisticsHeader(const ConfigStore& store) {
    const std::u16string most = keyNameOrBlank(store.mostPressedKey);
    const std::u16string least = keyNameOrBlank(store.leastPressedKey);
    const std::u16string model = headerModel(store.deviceType);
    if (store.language == "zh-CN")
        return model + u" 编程软件 [版本 1.1.3]\r\n\r\n高频键：" + most + u" 低频键：" + least +
               u"\r\n敲击次数：";
    if (store.language == "en-US")
        return model + u" Programming Software [Ver 1.1.3]\r\n\r\nHighest: " + most + u" Lowest: " +
               least + u"\r\n\r\nCounter: ";
    return u"";
}

std::u16string statisticsKeyDetails(const ConfigStore& store, int key) {
    if (key < 1 || key > 108)
        return u"";
    std::u16string text;
    if (store.pressCounts[key] >= 0)
        text += decimal(store.pressCounts[key]);
    const bool zh = store.language == "zh-CN";
    const bool en = store.language == "en-US";
    if (!zh && !en)
        return text;
    const std::u16string top = modeName(store, store.keyMode[key][0], zh);
    const std::u16string fn = modeName(store, store.keyMode[key][1], zh);
    const std::u16string topText = store.keyDisplayText(key, 0);
    const std::u16string fnText = store.keyDisplayText(key, 1);
    if (zh)
        text += u"\r\n\r\n顶层键：" + top + u" " + topText + u"\r\n\r\nFN组合键：" + fn + u" " +
                fnText + u"\r\n";
    else
        text += u"\r\n\r\nTop layer Key: " + top + u" " + topText + u"\r\n\r\nFn layer Key: " + fn +
                u" " + fnText + u"\r\n";
    return text;
}

std::u16string statisticsText(const ConfigStore& store, int hoveredKey) {
    return statisticsHeader(store) + statisticsKeyDetails(store, hoveredKey);
}
