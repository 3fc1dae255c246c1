// The integer arrays exchanged with the library for one key, built and taken apart
// without a keyboard.

#include "app/config/ConfigStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::u16string delay(int ms) {
    const std::string text = "<" + std::to_string(ms) + " ms>";
    return std::u16string(text.begin(), text.end());
}

class KeyArrays : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<ConfigStore>();
        store->deviceType = 1;
        store->initNameTables();
        store->resetToDefaults();
        array.assign(ConfigStore::kKeyAssignmentArraySize, -77);
    }

    ListRecord& assign(int key, int layer, int mode, std::vector<std::u16string> items,
                       int code = 0) {
        store->keyMode[key][layer] = mode;
        store->keyHwCode[key][layer] = code;
        ListRecord& list = store->keyLists[key][layer];
        list.clear();
        list.SizeOfView = mode == 2 ? 6 : 9;
        for (const auto& item : items) {
            list.setOrAppend(200000, item);
        }
        return list;
    }

    // The elements the library is told about.
    std::vector<int> sent(int key, int layer) {
        const int count = store->keyAssignmentArray(key, layer, array.data());
        return std::vector<int>(array.begin(), array.begin() + count);
    }

    void take(int key, int layer, std::vector<int> values) {
        store->applyKeyAssignmentArray(key, layer, values.data(), static_cast<int>(values.size()));
    }

    std::unique_ptr<ConfigStore> store;
    std::vector<int> array;
};

} // namespace

TEST_F(KeyArrays, SentForEveryMode) {
    using V = std::vector<int>;
    assign(5, 0, 2, {u"LCTRL", u"C"});
    EXPECT_EQ(sent(5, 0), (V{0, 2, 0x43, 0x3A}));
    assign(5, 0, 2, {u"LCTRL Down", u"Sleep", u"-- --", u"Power"});
    EXPECT_EQ(sent(5, 0), (V{0, 4, 0x43, 0, 0, 0x4D}));

    ListRecord& macro = assign(6, 0, 3, {u"A Down", delay(50), u"B Down"});
    macro.Cycles = 3;
    EXPECT_EQ(store->keyAssignmentArray(6, 0, array.data()), 9);
    EXPECT_EQ(V(array.begin(), array.begin() + 10), (V{2, 0, 3, 1, 0, 2, 0x2B, 50, 0x3C, 0}));
    macro.PlayMode = 1;
    EXPECT_EQ(sent(6, 0), (V{2, 1, 0, 1, 0, 2, 0x2B, 50, 0x3C}));
    macro.PlayMode = 2;
    EXPECT_EQ(sent(6, 0), (V{2, 2, 0, 1, 0, 2, 0x2B, 50, 0x3C}));
    // Ending on a delay: an even count, nothing added.
    macro.PlayMode = 0;
    macro.setOrAppend(20000, delay(7));
    EXPECT_EQ(sent(6, 0), (V{2, 0, 3, 1, 0, 2, 0x2B, 50, 0x3C, 7}));
    // One interval for all: the items are all keys.
    ListRecord& automatic = assign(6, 1, 3, {u"W Down", u"W UP", u"Enter"});
    automatic.IsAutoInterval = true;
    automatic.Delay = 120;
    automatic.Cycles = 2;
    EXPECT_EQ(sent(6, 1), (V{2, 0, 2, 0, 120, 3, 0x1E, 0x1E, 0}));

    ListRecord& emulation = assign(7, 1, 4, {u"W"});
    emulation.Delay = 100;
    EXPECT_EQ(sent(7, 1), (V{1, 100, 1, 0x1E}));
    assign(7, 1, 4, {});
    EXPECT_EQ(sent(7, 1), (V{1, 30, 0}));

    for (int mode : {1, 5, 6, 7, 8, 9, 1000}) {
        assign(8, 0, mode, {u"ignored"}, 0x76);
        EXPECT_EQ(sent(8, 0), (V{0, 1, 0x76})) << mode;
    }
    assign(8, 0, 6, {}, 199);
    EXPECT_EQ(sent(8, 0), (V{0, 2, 0x82, 0x82}));
    assign(8, 0, 1, {}, 199); // double click whatever the mode says
    EXPECT_EQ(sent(8, 0), (V{0, 2, 0x82, 0x82}));
    assign(8, 0, 1, {}, 0);
    EXPECT_EQ(sent(8, 0), (V{0, 1, 0}));

    for (int mode : {0, -1}) {
        assign(9, 0, mode, {u"A"}, 0x2B);
        EXPECT_EQ(store->keyAssignmentArray(9, 0, array.data()), 0) << mode;
    }
    // A macro without items has no record; its slot stays empty.
    assign(9, 0, 3, {});
    EXPECT_EQ(store->keyAssignmentArray(9, 0, array.data()), 0);
    // Outside the keyboard: nothing.
    EXPECT_EQ(store->keyAssignmentArray(0, 0, array.data()), 0);
    EXPECT_EQ(store->keyAssignmentArray(109, 0, array.data()), 0);
    EXPECT_EQ(store->keyAssignmentArray(1, 2, array.data()), 0);
}

TEST_F(KeyArrays, HugeListsAreCutToWhatARecordHolds) {
    // A profile may carry any number of items; the array and the record must hold.
    const int huge = 3 * ConfigStore::kKeyAssignmentArraySize;
    std::vector<std::u16string> keys(huge, u"A Down");
    std::vector<std::u16string> timed;
    for (int i = 0; i < huge; ++i) {
        timed.push_back(i % 2 ? delay(5) : u"B Down");
    }

    const struct {
        int mode;
        bool autoInterval;
        const std::vector<std::u16string>* items;
        int wantCount; // elements passed to the library
    } cases[] = {
        {2, false, &keys, 2 + 58},
        {4, false, &keys, 3 + 56},
        {3, true, &keys, 6 + ConfigStore::kMaxMacroItemsAuto},
        {3, false, &timed, 6 + ConfigStore::kMaxMacroItemsTimed},
    };
    for (const auto& c : cases) {
        ListRecord& list = assign(10, 0, c.mode, {});
        list.items = *c.items;
        list.children.resize(list.items.size());
        list.IsAutoInterval = c.autoInterval;
        const int count = store->keyAssignmentArray(10, 0, array.data());
        EXPECT_EQ(count, c.wantCount) << c.mode;
        EXPECT_LE(count, ConfigStore::kKeyAssignmentArraySize);
        if (c.mode == 3 && !c.autoInterval) {
            // Pairs: the 16-bit data length (four bytes a pair) must not wrap.
            EXPECT_EQ(array[5], ConfigStore::kMaxMacroPairs);
            EXPECT_LE(4 * array[5], 65535);
            EXPECT_EQ(array[count - 2], 0x3C);
            EXPECT_EQ(array[count - 1], 5);
        } else if (c.mode == 3) {
            EXPECT_EQ(array[5], ConfigStore::kMaxMacroItemsAuto);
            EXPECT_EQ(array[count - 1], 0x2B);
        } else {
            EXPECT_EQ(array[c.mode == 2 ? 1 : 2], c.mode == 2 ? 58 : 56);
        }
    }

    // The longest timed macro that ends on a key gets its closing 0 after the last key.
    ListRecord& odd = assign(10, 1, 3, {});
    odd.items.assign(timed.begin(), timed.begin() + ConfigStore::kMaxMacroItemsTimed - 1);
    odd.children.resize(odd.items.size());
    const int count = store->keyAssignmentArray(10, 1, array.data());
    EXPECT_EQ(count, 6 + ConfigStore::kMaxMacroItemsTimed - 1);
    EXPECT_EQ(array[5], ConfigStore::kMaxMacroPairs);
    EXPECT_EQ(array[count - 1], 0x3C);
    EXPECT_EQ(array[count], 0);
}

TEST_F(KeyArrays, ReadBackOfEveryKind) {
    const std::u16string sleep = u"Sleep", none = u"-- --";
    using Items = std::vector<std::u16string>;

    take(5, 0, {0, 1, 0x2B});
    EXPECT_EQ(store->keyMode[5][0], 1);
    EXPECT_EQ(store->keyHwCode[5][0], 0x2B);
    take(5, 0, {0, 1, 0});
    EXPECT_EQ(store->keyMode[5][0], 1); // a single code 0 stays a single key
    EXPECT_EQ(store->keyHwCode[5][0], 0);

    const struct {
        int code, mode;
    } singles[] = {{0x6C, 5}, {0x7D, 5}, {0x7E, 6}, {0x86, 6}, {0x87, 7}, {0xC6, 7}, {0x4B, 8},
                   {0x4D, 8}, {0x9D, 6}, {0x9E, 6}, {0xAD, 6}, {0xC7, 1}, {0xFF, 1}, {0x6B, 1}};
    for (const auto& s : singles) {
        take(6, 1, {0, 1, s.code});
        EXPECT_EQ(store->keyMode[6][1], s.mode) << s.code;
        EXPECT_EQ(store->keyHwCode[6][1], s.code);
    }

    take(7, 0, {0, 2, 0x82, 0x82});
    EXPECT_EQ(store->keyMode[7][0], 6);
    EXPECT_EQ(store->keyHwCode[7][0], 199);

    take(7, 0, {0, 2, 0x43, 0x3A});
    EXPECT_EQ(store->keyMode[7][0], 2);
    EXPECT_EQ(store->keyHwCode[7][0], 199); // a list does not touch the code
    const ListRecord& combo = store->keyLists[7][0];
    EXPECT_EQ(combo.items, (Items{u"LCTRL", u"C"}));
    EXPECT_EQ(combo.SizeOfView, 6);
    EXPECT_EQ(combo.ViewStartAt, 0);
    EXPECT_EQ(combo.CursorPos, 1);
    ASSERT_EQ(combo.children.size(), 2u);
    EXPECT_EQ(combo.children[1].SizeOfView, 6);
    EXPECT_EQ(combo.Delay, 30);

    take(7, 1, {0, 2, 0x4C, 0x4D});
    EXPECT_EQ(store->keyLists[7][1].items, (Items{sleep, none}));
    // Sent again both give 0: the first "Sleep" has no device key, "-- --" is no name.
    std::vector<int> resend(ConfigStore::kKeyAssignmentArraySize);
    EXPECT_EQ(store->keyAssignmentArray(7, 1, resend.data()), 4);
    EXPECT_EQ(std::vector<int>(resend.begin(), resend.begin() + 4), (std::vector<int>{0, 2, 0, 0}));

    // A long combination scrolls like the editor's list view.
    take(8, 0, {0, 8, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(store->keyLists[8][0].ViewStartAt, 2);
    EXPECT_EQ(store->keyLists[8][0].CursorPos, 5);

    take(9, 0, {1, 100, 2, 0x1E, 0x1F});
    EXPECT_EQ(store->keyMode[9][0], 4);
    const ListRecord& emulation = store->keyLists[9][0];
    EXPECT_EQ(emulation.items, (Items{u"W", u"E"}));
    EXPECT_EQ(emulation.Delay, 100);
    EXPECT_EQ(emulation.SizeOfView, 9);
    EXPECT_EQ(emulation.children[0].SizeOfView, 9);

    take(10, 0, {2, 0, 3, 1, 0, 2, 0x2B, 50, 0x3C});
    EXPECT_EQ(store->keyMode[10][0], 3);
    const ListRecord& macro = store->keyLists[10][0];
    EXPECT_EQ(macro.items, (Items{u"A", u"<50 ms>", u"B"}));
    EXPECT_EQ(macro.Cycles, 3);
    EXPECT_FALSE(macro.IsAutoInterval);
    EXPECT_EQ(macro.PlayMode, 0);
    EXPECT_EQ(macro.CursorPos, 2);

    take(10, 1, {2, 2, 0, 0, 250, 3, 0x1E, 0x1F, 0x20});
    const ListRecord& automatic = store->keyLists[10][1];
    EXPECT_EQ(store->keyMode[10][1], 3);
    EXPECT_EQ(automatic.items, (Items{u"W", u"E", u"R"}));
    EXPECT_TRUE(automatic.IsAutoInterval);
    EXPECT_EQ(automatic.Delay, 250);
    EXPECT_EQ(automatic.PlayMode, 2);
    EXPECT_EQ(automatic.Cycles, 0);

    // Nothing to take: mode 0, and the previous code and list stay.
    for (std::vector<int> empty :
         {std::vector<int>{0, 0}, {1, 50, 0}, {2, 0, 1, 0, 0, 0}, {7, 1, 2, 3}, {-1, 0}}) {
        take(10, 0, empty);
        EXPECT_EQ(store->keyMode[10][0], 0) << empty[0];
        EXPECT_EQ(store->keyLists[10][0].items.size(), 3u);
    }
    take(5, 0, {0, 1, 0x2B});
    take(5, 0, {0, 0});
    EXPECT_EQ(store->keyMode[5][0], 0);
    EXPECT_EQ(store->keyHwCode[5][0], 0x2B);
}

TEST_F(KeyArrays, ReadBackNeverReadsPastTheArray) {
    // Counts that promise more elements than the array holds.
    take(5, 0, {0, 1000000, 0x43, 0x3A});
    EXPECT_EQ(store->keyMode[5][0], 2);
    EXPECT_EQ(store->keyLists[5][0].items.size(), 2u);
    take(5, 1, {1, 10, 2147483647, 0x1E});
    EXPECT_EQ(store->keyLists[5][1].items.size(), 1u);
    take(6, 0, {2, 0, 1, 1, 0, 2147483647, 0x2B, 9, 0x2C});
    EXPECT_EQ(store->keyLists[6][0].items, (std::vector<std::u16string>{u"A", u"<9 ms>", u"S"}));
    take(6, 1, {2, 0, 1, 0, 0, 1000, 0x2B});
    EXPECT_EQ(store->keyLists[6][1].items.size(), 1u);
    take(7, 0, {0, 1}); // the single code itself is missing
    EXPECT_EQ(store->keyMode[7][0], 1);
    EXPECT_EQ(store->keyHwCode[7][0], 0);
    const int one[] = {2};
    store->applyKeyAssignmentArray(7, 0, one, 1); // too short to carry a kind and count
    EXPECT_EQ(store->keyMode[7][0], 1);
    store->applyKeyAssignmentArray(0, 0, one, 1);
    store->applyKeyAssignmentArray(109, 1, one, 1);
}

struct CounterCase {
    std::vector<std::pair<int, int>> counts; // key, count; every other key 0
    int most, least;
};

TEST(PressCounters, MostAndLeast) {
    const CounterCase cases[] = {
        {{}, -1, -1},
        {{{7, 10}, {9, 10}}, 7, 7}, // ties keep the lower key
        {{{1, 5}}, 1, 1},
        {{{108, 3}}, 108, 108},
        {{{1, 5}, {2, 9}, {3, 2}, {4, 9}}, 2, 3},
        {{{1, -4}, {50, 1}}, 50, 50}, // a negative count never wins
        {{{20, 4}, {30, 1}, {40, 1}}, 20, 30},
        {{{1, 0x7FFFFFFF}, {2, 1}}, 1, 2},
    };
    for (const CounterCase& c : cases) {
        auto store = std::make_unique<ConfigStore>();
        for (int k = 1; k <= 108; ++k) {
            store->pressCounts[k] = 0;
        }
        for (const auto& [key, count] : c.counts) {
            store->pressCounts[key] = count;
        }
        store->updatePressExtremes();
        EXPECT_EQ(store->mostPressedKey, c.most);
        EXPECT_EQ(store->leastPressedKey, c.least);
    }
    // Counters never read, or invalidated after a read: none.
    auto store = std::make_unique<ConfigStore>();
    store->updatePressExtremes();
    EXPECT_EQ(store->mostPressedKey, -1);
    EXPECT_EQ(store->leastPressedKey, -1);
    store->pressCounts[4] = 12;
    store->updatePressExtremes();
    EXPECT_EQ(store->mostPressedKey, 4);
    store->invalidateCounters();
    EXPECT_EQ(store->mostPressedKey, -1);
    EXPECT_EQ(store->leastPressedKey, -1);
    EXPECT_EQ(static_cast<unsigned>(store->pressCounts[4]), 0xC8C8C8C8u);
}
