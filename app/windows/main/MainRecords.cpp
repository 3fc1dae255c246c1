#include "app/windows/main/MainRecords.h"

#include <array>

namespace {

const std::array<const char16_t*, 109> kKeyNames = {
    u"",          u"Esc",   u"F1",      u"F2",        u"F3",         u"F4",
    u"F5",        u"F6",    u"F7",      u"F8",        u"F9",         u"F10",
    u"F11",       u"F12",   u"~",       u"1",         u"2",          u"3",
    u"4",         u"5",     u"6",       u"7",         u"8",          u"9",
    u"0",         u"-",     u"+",       u"BackSpace", u"Tab",        u"Q",
    u"W",         u"E",     u"R",       u"T",         u"Y",          u"U",
    u"I",         u"O",     u"P",       u"[",         u"]",          u"\\",
    u"Caps Lock", u"A",     u"S",       u"D",         u"F",          u"G",
    u"H",         u"J",     u"K",       u"L",         u";",          u"'",
    u"Enter",     u"Shift", u"Z",       u"X",         u"C",          u"V",
    u"B",         u"N",     u"M",       u"<",         u">",          u"?",
    u"Shift",     u"Ctrl",  u"Win",     u"Alt",       u"Space",      u"Alt",
    u"Fn",        u"LMenu", u"Ctrl",    u"PrtScreen", u"ScrollLock", u"Pause",
    u"Insert",    u"Home",  u"PgUp",    u"Delete",    u"End",        u"PgDown",
    u"Up",        u"Left",  u"Down",    u"Right",     u"PlayPause",  u"PreviousTrack",
    u"NextTrack", u"Stop",  u"NumLock", u"KP/",       u"KP*",        u"KP-",
    u"KP7",       u"KP8",   u"KP9",     u"KP+",       u"KP4",        u"KP5",
    u"KP6",       u"KP1",   u"KP2",     u"KP3",       u"KP0",        u"KP.",
    u"KPEnter",
};

const char16_t* tipFor(int key) {
    switch (key) {
    case 68:
        return u"LWin";
    case 69:
        return u"LAlt";
    case 71:
        return u"RAlt";
    case 72:
        return u"RWin";
    case 73:
        return u"RightApp";
    case 74:
        return u"RCtrl";
    case 75:
        return u"PrintScreen";
    default:
        return kKeyNames[key];
    }
}

struct KeySpan {
    int first;
    int last;
    int top;
    int bottom;
    int left;
    int right; // only for single keys; spans of several keys are 46 wide each
};

// Rows of the keyboard picture. A span of several keys starts at `left`, 46 pixels a key.
const KeySpan kSpans[] = {
    {1, 1, 168, 216, 124, 170},       {2, 5, 168, 216, 216, 400},
    {6, 9, 168, 216, 422, 606},       {10, 13, 168, 216, 628, 812},
    {14, 20, 226, 273, 124, 446},     {21, 21, 226, 273, 446, 491},
    {22, 22, 226, 273, 491, 536},     {23, 26, 226, 273, 536, 720},
    {27, 27, 226, 273, 720, 810},     {28, 28, 273, 320, 124, 193},
    {29, 40, 273, 320, 193, 745},     {41, 41, 273, 320, 745, 810},
    {42, 42, 320, 367, 124, 210},     {43, 53, 320, 367, 210, 716},
    {54, 54, 320, 367, 716, 811},     {55, 55, 367, 414, 124, 235},
    {56, 65, 367, 414, 235, 695},     {66, 66, 367, 414, 695, 810},
    {67, 67, 414, 461, 124, 180},     {68, 68, 414, 461, 180, 236},
    {69, 69, 414, 461, 236, 292},     {70, 70, 414, 461, 292, 587},
    {71, 71, 414, 461, 587, 643},     {72, 72, 414, 461, 643, 699},
    {73, 73, 414, 461, 699, 755},     {74, 74, 414, 461, 755, 811},
    {75, 77, 168, 215, 822, 960},     {78, 80, 225, 272, 822, 960},
    {81, 83, 272, 319, 822, 960},     {84, 84, 366, 413, 868, 914},
    {85, 87, 413, 460, 822, 960},     {88, 91, 168, 215, 968, 1152},
    {92, 95, 225, 272, 968, 1152},    {96, 98, 272, 319, 968, 1106},
    {99, 99, 272, 366, 1106, 1152},   {100, 102, 319, 366, 968, 1106},
    {103, 105, 366, 413, 968, 1106},  {106, 106, 413, 460, 968, 1060},
    {107, 107, 413, 460, 1060, 1106}, {108, 108, 366, 460, 1106, 1152},
};

struct CommandRow {
    int id;
    SkinRect rect;
    SkinRect compact; // left -1: same as rect; right -1 with left -2: absent
};

constexpr SkinRect kSame{-1, -1, -1, -1};
constexpr SkinRect kAbsent{-2, -2, -2, -2};

const CommandRow kCommands[] = {
    {85, {855, 92, 950, 128}, {750, 92, 845, 128}},
    {86, {750, 92, 845, 128}, {645, 92, 737, 128}},
    {87, {1167, 20, 1192, 50}, kSame},
    {88, {1140, 20, 1165, 50}, kSame},
    {89, {1194, 20, 1219, 50}, kSame},
    {90, {15, 92, 110, 128}, kSame},
    {91, {120, 92, 215, 128}, kSame},
    {92, {225, 92, 325, 128}, kSame},
    {93, {330, 92, 430, 128}, kSame},
    {94, {435, 92, 535, 128}, kAbsent},
    {95, {540, 92, 635, 128}, {435, 92, 535, 128}},
    {96, {645, 92, 737, 128}, {540, 92, 635, 128}},
    {97, {1113, 80, 1163, 135}, kSame},
};

struct LabelRow {
    int id;
    const char16_t* zh;
    const char16_t* en;
    SkinRect rect;
    SkinRect compact;
    int textFormat;
    bool green;
};

const LabelRow kLabels[] = {
    {65, u"English", u"简体中文", {855, 101, 950, 130}, {750, 101, 845, 130}, 1, false},
    {67, u"读取计数", u"ReadCounter", {750, 101, 845, 130}, {650, 101, 735, 130}, 1, false},
    {70, u"保存配置", u"Save", {18, 101, 110, 130}, kSame, 1, false},
    {71, u"打开配置", u"Open", {124, 101, 215, 130}, kSame, 1, false},
    {72, u"恢复默认", u"Default", {225, 101, 325, 130}, kSame, 1, false},
    {73, u"写入按键", u"WriteKeys", {330, 101, 430, 130}, kSame, 1, false},
    {74, u"设置背光", u"LightSet", {435, 101, 535, 130}, kAbsent, 1, false},
    {75, u"读取配置", u"ReadAll", {540, 101, 635, 130}, {435, 101, 535, 130}, 1, false},
    {76, u"固件升级", u"Update", {645, 101, 735, 130}, {540, 101, 635, 130}, 1, false},
    {77, u"顶层", u"TopLayer", {1050, 100, 1110, 125}, kSame, 2, true},
    {78, u"Fn组合层", u"FnLayer", {1165, 100, 1225, 125}, kSame, 0, true},
    {55, u"组合键", u"Combo", {336, 483, 406, 503}, kSame, 0, false},
    {56, u"宏定义键", u"Macro", {431, 483, 501, 503}, kSame, 0, false},
    {57, u"模拟击键", u"Emulation", {526, 483, 596, 503}, kSame, 0, false},
    {58, u"多媒体键", u"Multimedia", {624, 483, 694, 503}, kSame, 0, false},
    {59, u"鼠标键", u"Mouse", {716, 483, 786, 503}, kSame, 0, false},
    {60, u"操控键", u"Function", {813, 483, 883, 503}, kSame, 0, false},
    {61, u"电源键", u"Power", {914, 483, 984, 503}, kSame, 0, false},
};

const SkinRect* pick(const SkinRect& normal, const SkinRect& compact, bool isCompact) {
    if (!isCompact || compact == kSame)
        return &normal;
    if (compact == kAbsent)
        return nullptr;
    return &compact;
}

} // namespace

bool mainHasCompactLayout(int deviceType) {
    return deviceType == 2 || deviceType == 3;
}

const char16_t* mainKeyName(int keyIndex) {
    if (keyIndex < 1 || keyIndex > 108)
        return u"";
    return kKeyNames[keyIndex];
}

void fillMainRecords(SkinButton* buttons, int deviceType) {
    const bool compact = mainHasCompactLayout(deviceType);
    std::size_t n = 0;
    for (const CommandRow& c : kCommands) {
        SkinButton& b = buttons[n++];
        const SkinRect* r = pick(c.rect, c.compact, compact);
        if (!r)
            continue; // the slot stays unused
        b.id = c.id;
        b.rect = *r;
        setSkinText(b.caption, u"", u"");
        setSkinText(b.tip, u"tip", u"tip");
    }
    for (const KeySpan& s : kSpans) {
        for (int k = s.first; k <= s.last; ++k) {
            SkinButton& b = buttons[n++];
            b.id = 99 + k;
            b.key = k;
            const int left = s.first == s.last ? s.left : s.left + 46 * (k - s.first);
            const int right = s.first == s.last ? s.right : left + 46;
            b.rect = {left, s.top, right, s.bottom};
            setSkinText(b.caption, kKeyNames[k], kKeyNames[k]);
            setSkinText(b.tip, tipFor(k), tipFor(k));
        }
    }
    for (const LabelRow& l : kLabels) {
        SkinButton& b = buttons[n++];
        const SkinRect* r = pick(l.rect, l.compact, compact);
        if (!r)
            continue;
        b.id = l.id;
        b.isLabel = 1;
        b.rect = *r;
        b.textFormat = l.textFormat;
        b.fontSize = 13;
        setSkinText(b.caption, l.zh, l.en);
        setSkinText(b.tip, l.zh, l.zh);
        if (l.green)
            b.checkedTextColor = {0, 255, 0};
    }
}
