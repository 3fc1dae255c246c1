#include "app/config/ConfigStore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

// The store is large (218 lists, the library object); keep it off the stack.
std::unique_ptr<ConfigStore> makeStore(int deviceType) {
    auto store = std::make_unique<ConfigStore>();
    store->deviceType = deviceType;
    store->initNameTables();
    store->resetToDefaults();
    return store;
}

} // namespace

TEST(ConfigStore, ConstructedState) {
    auto store = std::make_unique<ConfigStore>();
    EXPECT_TRUE(store->language.empty());
    EXPECT_FALSE(store->isChinese());
    EXPECT_TRUE(store->codeNames.empty());
    EXPECT_EQ(store->codeToHw[0x41], 0);
    EXPECT_EQ(store->hwToCode[0], 0);
    EXPECT_EQ(store->mostPressedKey, -1);
    EXPECT_EQ(store->leastPressedKey, -1);
    for (int k = 0; k <= 108; ++k) {
        EXPECT_LT(store->pressCounts[k], 0) << k; // every byte 0xC8: "not read"
        EXPECT_EQ(static_cast<unsigned>(store->pressCounts[k]), 0xC8C8C8C8u);
        EXPECT_EQ(store->keyLists[k][0].SizeOfView, 0);
        EXPECT_EQ(store->keyLists[k][1].SizeOfView, 0);
    }
    EXPECT_EQ(store->macroLibrary.SizeOfView, 0);
    EXPECT_TRUE(store->firmwarePath.empty());
    EXPECT_EQ(store->notifyWnd, 0u);
}

TEST(ConfigStore, LanguageAndModelNames) {
    auto store = std::make_unique<ConfigStore>();
    store->initNameTables();
    EXPECT_EQ(store->language, "zh-CN");
    EXPECT_TRUE(store->isChinese());
    for (const char* other : {"en-US", "zh-CN ", "zh-cn", "zh", ""}) {
        store->language = other;
        EXPECT_FALSE(store->isChinese()) << other;
    }
    store->language = std::string("zh-CN\0", 6); // same characters, different length
    EXPECT_FALSE(store->isChinese());

    const struct {
        int type;
        const char16_t* name;
    } models[] = {{0, u"537RM(XRGB)ZQ.BLe"}, {1, u"537RM(XRGB)ZQ.BLe"}, {2, u"537RM(S)ZQ.BLe"},
                  {3, u"537RM(S)ZQ"},        {4, u"537RM(XRGB)ZQ"},     {5, u"537RM(XRGB)ZQ.BLe"},
                  {-7, u"537RM(XRGB)ZQ.BLe"}};
    for (const auto& m : models) {
        store->deviceType = m.type;
        EXPECT_EQ(store->modelName(), m.name) << m.type;
    }
}

TEST(ConfigStore, ModeAndColourNames) {
    auto store = std::make_unique<ConfigStore>();
    store->initNameTables();
    const char16_t* zh[] = {u"未设置",   u"单键",   u"组合键", u"宏键",  u"模拟击键",
                            u"多媒体键", u"鼠标键", u"操控键", u"电源键"};
    const char16_t* en[] = {u"Not set",    u"Single", u"Combo",    u"Macro", u"Emulation",
                            u"Multimedia", u"Mouse",  u"Function", u"Power"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(store->modeNamesZh[i], zh[i]);
        EXPECT_EQ(store->modeNamesEn[i], en[i]);
    }
    const char16_t* czh[] = {u"未设置", u"红色", u"绿色", u"红绿色"};
    const char16_t* cen[] = {u"Not set", u"Red", u"Green", u"Red + Green"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store->colourNamesZh[i], czh[i]);
        EXPECT_EQ(store->colourNamesEn[i], cen[i]);
    }
}

struct ModeCase {
    int code, mode;
};

TEST(ConfigStore, ModeClassification) {
    const ModeCase cases[] = {{0, 0},   {1, 1},   {74, 1},   {75, 8},   {76, 8},  {77, 8},
                              {78, 1},  {107, 1}, {108, 5},  {0x70, 5}, {125, 5}, {126, 6},
                              {134, 6}, {135, 7}, {0x9C, 7}, {0x9F, 7}, {156, 7}, {157, 6},
                              {158, 6}, {159, 7}, {172, 7},  {173, 6},  {174, 7}, {198, 7},
                              {199, 1}, {255, 1}, {1000, 1}, {-1, 1}};
    for (const ModeCase& c : cases) {
        EXPECT_EQ(ConfigStore::modeForHwCode(c.code), c.mode) << c.code;
    }
}

TEST(ConfigStore, DefaultTopLayerIsSharedByAllModels) {
    for (int type : {0, 1, 2, 3, 4, 5}) {
        auto store = makeStore(type);
        for (int k = 0; k <= 74; ++k) {
            if (k != 72) {
                EXPECT_EQ(store->defaultHwCode(k, 0), k) << type << " key " << k;
            }
        }
        EXPECT_EQ(store->defaultHwCode(72, 0), 0x9C);
        for (int k = 75; k <= 87; ++k) {
            EXPECT_EQ(store->defaultHwCode(k, 0), k + 3) << k;
        }
        const int tail[] = {0x70, 0x72, 0x71, 0x9F, 0x5B, 0x5C, 0x5D, 0x69, 0x5E, 0x5F, 0x60,
                            0x6A, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x6B};
        for (int k = 88; k <= 108; ++k) {
            EXPECT_EQ(store->defaultHwCode(k, 0), tail[k - 88]) << k;
        }
        for (int k = 109; k <= 111; ++k) {
            EXPECT_EQ(store->defaultHwCode(k, 0), 0);
            EXPECT_EQ(store->defaultHwCode(k, 1), 0);
        }
        // Outside the tables: no code, never a read past them.
        EXPECT_EQ(store->defaultHwCode(112, 0), 0);
        EXPECT_EQ(store->defaultHwCode(-1, 0), 0);
        EXPECT_EQ(store->defaultHwCode(5, 2), 0);
        EXPECT_EQ(store->defaultHwCode(5, -1), 0);
    }
}

TEST(ConfigStore, DefaultFnLayerPerModelGroup) {
    // The general Fn table, key -> code; every key not listed has 0.
    std::map<int, int> general = {
        {1, 0x96},  {2, 0x76},  {3, 0x78},  {4, 0x75},  {5, 0x7D},  {6, 0x74},  {7, 0x77},
        {8, 0x4C},  {10, 0x97}, {11, 0x87}, {14, 0x88}, {15, 0x94}, {16, 0x8A}, {17, 0x8B},
        {18, 0x8D}, {19, 0x89}, {21, 0xA0}, {22, 0xA1}, {23, 0xA2}, {24, 0xA3}, {25, 0xA4},
        {26, 0xA5}, {47, 0xAB}, {60, 0xAC}, {67, 0x98}, {68, 0x99}, {69, 0x9B}, {70, 0x8C},
        {72, 0x9C}, {78, 0xA7}, {81, 0xA8}, {82, 0xA9}, {83, 0xAA}, {84, 0x91}, {85, 0x8F},
        {86, 0x90}, {87, 0x8E}, {88, 0x6F}, {89, 0x6D}, {90, 0x6C}, {91, 0x6E}};
    const std::map<int, std::set<int>> missing = {
        {2, {11, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 70, 85, 87}},
        {3, {2,  3,  4,  5,  6,  7,  8,  11, 14, 15, 16, 17, 18, 19, 21,
             22, 23, 24, 25, 26, 47, 60, 68, 70, 78, 81, 82, 83, 85, 87}},
        {4, {11, 47, 60, 68, 78, 81, 82, 83}}};
    for (int type : {0, 1, 2, 3, 4, 5, 6}) {
        auto store = makeStore(type);
        const auto it = missing.find(type);
        for (int k = 0; k <= 111; ++k) {
            int want = general.count(k) ? general[k] : 0;
            if (it != missing.end() && it->second.count(k)) {
                want = 0;
            }
            EXPECT_EQ(store->defaultHwCode(k, 1), want) << "type " << type << " key " << k;
        }
    }
}

TEST(ConfigStore, ResetToDefaults) {
    auto store = makeStore(1);
    // Things reset must not keep: libraries, colours, assignments.
    store->comboLibrary.setOrAppend(0, u"x");
    store->lightTable[0][1] = 9;
    store->lightTable[108][2] = 200;
    store->keyMode[5][0] = 3;
    store->keyLists[5][0].SizeOfView = 9;
    store->keyLists[5][0].setOrAppend(0, u"A Down");
    store->keyLists[5][0].Delay = 5;
    store->pressCounts[3] = 17;
    store->mostPressedKey = 3;
    store->language = "en-US";
    store->configNotWritten = 1;
    store->resetToDefaults();

    EXPECT_EQ(store->macroLibrary.SizeOfView, 9);
    EXPECT_EQ(store->comboLibrary.SizeOfView, 6);
    EXPECT_EQ(store->emulationLibrary.SizeOfView, 9);
    EXPECT_TRUE(store->comboLibrary.items.empty());
    EXPECT_EQ(store->lightTable[0][1], 0);
    EXPECT_EQ(store->lightTable[108][2], 0);
    EXPECT_TRUE(store->keyLists[5][0].items.empty());
    EXPECT_EQ(store->keyLists[5][0].Delay, 30);
    EXPECT_EQ(store->keyLists[5][0].SizeOfView, 9); // clear keeps the view size
    EXPECT_EQ(store->keyLists[6][0].SizeOfView, 0);
    // Untouched by a reset.
    EXPECT_EQ(store->pressCounts[3], 17);
    EXPECT_EQ(store->mostPressedKey, 3);
    EXPECT_EQ(store->language, "en-US");
    EXPECT_EQ(store->configNotWritten, 1);

    for (int k = 0; k <= 108; ++k) {
        for (int l = 0; l < 2; ++l) {
            EXPECT_EQ(store->keyHwCode[k][l], store->defaultHwCode(k, l));
            EXPECT_EQ(store->keyMode[k][l], ConfigStore::modeForHwCode(store->keyHwCode[k][l]));
        }
    }
}

struct DefaultAssignment {
    int type, key, layer, code, mode;
};

TEST(ConfigStore, DefaultAssignmentsOfNamedKeys) {
    const DefaultAssignment cases[] = {
        {3, 2, 1, 0, 0},     {1, 2, 1, 0x76, 5}, {1, 72, 0, 0x9C, 7}, {1, 72, 1, 0x9C, 7},
        {3, 72, 1, 0x9C, 7}, {1, 8, 1, 0x4C, 8}, {1, 91, 0, 0x9F, 7}, {1, 88, 0, 0x70, 5},
        {4, 11, 1, 0, 0},    {2, 1, 1, 0x96, 7}, {2, 88, 1, 0x6F, 5}, {1, 0, 0, 0, 0},
        {1, 1, 0, 0x01, 1},  {1, 9, 1, 0, 0},    {5, 47, 1, 0xAB, 7}};
    for (const DefaultAssignment& c : cases) {
        auto store = makeStore(c.type);
        EXPECT_EQ(store->keyHwCode[c.key][c.layer], c.code)
            << "type " << c.type << " key " << c.key << " layer " << c.layer;
        EXPECT_EQ(store->keyMode[c.key][c.layer], c.mode)
            << "type " << c.type << " key " << c.key << " layer " << c.layer;
    }
    // The named keys of the multimedia block.
    auto store = makeStore(1);
    const char16_t* top[] = {u"Mute", u"VolumeDown", u"VolumeUp", u"Programmable Keyboard"};
    const char16_t* fn[] = {u"Play/Pause", u"Previous track", u"Next track", u"Stop"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(store->keyDisplayText(88 + i, 0), top[i]);
        EXPECT_EQ(store->keyDisplayText(88 + i, 1), fn[i]);
    }
    EXPECT_EQ(store->keyDisplayText(1, 0), u"ESC");
    EXPECT_EQ(store->keyDisplayText(2, 0), u"F1");
    EXPECT_EQ(store->keyDisplayText(13, 0), u"F12");
    EXPECT_EQ(store->keyDisplayText(14, 0), u"`");
    EXPECT_EQ(store->keyDisplayText(72, 0), u"FN");
}
