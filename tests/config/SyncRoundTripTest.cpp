// The five synchronisation operations against the simulated keyboard: what reaches the
// keyboard's memory byte for byte, and what a fresh store reads back.

#include "app/config/ConfigStore.h"
#include "library/platform/Messages.h"
#include "simulator/SimulatorBackend.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::u16string delay(int ms) {
    const std::string text = "<" + std::to_string(ms) + " ms>";
    return std::u16string(text.begin(), text.end());
}

int slotOf(int key, int layer) {
    return layer * 108 + key - 1;
}

// A 64-byte-per-chunk record: the given leading bytes, the rest 0.
Bytes record(std::initializer_list<int> head, std::size_t chunks = 1) {
    Bytes bytes(64 * chunks, 0);
    std::size_t i = 0;
    for (int b : head) {
        bytes[i++] = static_cast<std::uint8_t>(b);
    }
    return bytes;
}

class Sync : public ::testing::Test {
protected:
    void SetUp() override { connect(1); }

    void TearDown() override {
        setMessageSink(nullptr);
        setHidBackend(nullptr);
    }

    void connect(int model) {
        sim = std::make_shared<SimulatorBackend>(model);
        setHidBackend(sim);
        store = openStore(model);
    }

    std::unique_ptr<ConfigStore> openStore(int model) {
        auto s = std::make_unique<ConfigStore>();
        s->deviceType = model;
        s->initNameTables();
        s->resetToDefaults();
        EXPECT_TRUE(s->device.__createDev());
        return s;
    }

    ListRecord& assign(int key, int layer, int mode, std::vector<std::u16string> items,
                       int code = 0) {
        store->keyMode[key][layer] = mode;
        store->keyHwCode[key][layer] = code;
        ListRecord& list = store->keyLists[key][layer];
        list.clear();
        list.SizeOfView = mode == 2 ? 6 : 9;
        for (const auto& item : items) {
            list.setOrAppend(20000, item);
        }
        return list;
    }

    std::shared_ptr<SimulatorBackend> sim;
    std::unique_ptr<ConfigStore> store;
};

} // namespace

TEST_F(Sync, DefaultsWriteAndReadBack) {
    for (int model : {1, 2, 3, 4}) {
        connect(model);
        ASSERT_TRUE(store->sendKeysToKeyboard(0)) << model;
        int assigned = 0;
        for (int layer = 0; layer < 2; ++layer) {
            for (int key = 1; key <= 108; ++key) {
                const int code = store->defaultHwCode(key, layer);
                const Bytes stored = sim->storedRecord(slotOf(key, layer));
                // An unassigned key goes out as a normal record without codes.
                const Bytes want = code ? record({0x00, 0xF0, layer + 1, key, 0, 1, code})
                                        : record({0x00, 0xF0, layer + 1, key, 0, 0});
                EXPECT_EQ(stored, want) << "model " << model << " slot " << slotOf(key, layer);
                assigned += code != 0;
            }
        }
        if (model == 1) {
            EXPECT_EQ(assigned, 149);
        }

        auto fresh = openStore(model);
        for (int k = 1; k <= 108; ++k) {
            for (int l = 0; l < 2; ++l) {
                fresh->keyMode[k][l] = 99;
            }
        }
        ASSERT_TRUE(fresh->readKeysFromKeyboard(0));
        for (int key = 1; key <= 108; ++key) {
            for (int layer = 0; layer < 2; ++layer) {
                EXPECT_EQ(fresh->keyMode[key][layer], store->keyMode[key][layer])
                    << "model " << model << " key " << key << " layer " << layer;
                if (store->keyMode[key][layer] != 0) {
                    EXPECT_EQ(fresh->keyHwCode[key][layer], store->keyHwCode[key][layer]);
                }
            }
        }
    }
}

TEST_F(Sync, EveryModeByteExactAndBack) {
    assign(5, 0, 2, {u"LCTRL Down", u"C"});
    ListRecord& timed = assign(6, 0, 3, {u"A Down", delay(50), u"B Down"});
    timed.Cycles = 3;
    ListRecord& held = assign(6, 1, 3, {u"A Down", delay(300), u"A UP", delay(20)});
    held.PlayMode = 1;
    held.Cycles = 9; // only counts in play mode 0
    ListRecord& automatic = assign(7, 0, 3, {u"W Down", u"W UP", u"(Enter) Down"});
    automatic.IsAutoInterval = true;
    automatic.Delay = 0x1234;
    automatic.PlayMode = 2;
    ListRecord& emulation = assign(7, 1, 4, {u"W", u"A", u"S", u"D"});
    emulation.Delay = 300;
    assign(8, 0, 1, {}, 0x2B);
    assign(8, 1, 5, {}, 0x70);
    assign(9, 0, 6, {}, 199);
    assign(9, 1, 6, {}, 0x9D);
    assign(10, 0, 7, {}, 0x9C);
    assign(10, 1, 8, {}, 0x4C);
    assign(11, 0, 0, {u"A"}, 0x2B);
    // Names that have no device key still take their place in the record.
    assign(11, 1, 2, {u"Sleep", u"-- --", u"Power"});

    ASSERT_TRUE(store->sendKeysToKeyboard(0));

    const struct {
        int key, layer;
        Bytes bytes;
    } expected[] = {
        {5, 0, record({0x00, 0xF0, 1, 5, 0, 2, 0x43, 0x3A})},
        {6, 0,
         record({0x00, 0xF0, 1, 6, 2, 3, 1, 0, 0, 0, 8, 0x2B, 0xC8, 0, 50, 0x3C, 0xC8, 0, 0})},
        {6, 1,
         record(
             {0x00, 0xF0, 2, 6, 3, 0, 1, 0, 0, 0, 8, 0x2B, 0xC8, 0x01, 0x2C, 0x2B, 0xC8, 0, 20})},
        {7, 0, record({0x00, 0xF0, 1, 7, 4, 0, 0, 0x12, 0x34, 0, 3, 0x1E, 0x1E, 0x6B})},
        {7, 1, record({0x00, 0xF0, 2, 7, 1, 0x01, 0x2C, 4, 0x1E, 0x2B, 0x2C, 0x2D})},
        {8, 0, record({0x00, 0xF0, 1, 8, 0, 1, 0x2B})},
        {8, 1, record({0x00, 0xF0, 2, 8, 0, 1, 0x70})},
        {9, 0, record({0x00, 0xF0, 1, 9, 0, 2, 0x82, 0x82})},
        {9, 1, record({0x00, 0xF0, 2, 9, 0, 1, 0x9D})},
        {10, 0, record({0x00, 0xF0, 1, 10, 0, 1, 0x9C})},
        {10, 1, record({0x00, 0xF0, 2, 10, 0, 1, 0x4C})},
        {11, 0, record({0x00, 0xF0, 1, 11, 0, 0})},
        {11, 1, record({0x00, 0xF0, 2, 11, 0, 3, 0, 0, 0x4D})},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(sim->storedRecord(slotOf(e.key, e.layer)), e.bytes)
            << "key " << e.key << " layer " << e.layer;
    }

    auto fresh = openStore(1);
    fresh->keyHwCode[11][0] = 0x55; // an empty slot keeps the code it had
    ASSERT_TRUE(fresh->readKeysFromKeyboard(0));
    using Items = std::vector<std::u16string>;
    const struct {
        int key, layer, mode, code; // code -1: not compared
        Items items;
    } back[] = {
        {5, 0, 2, -1, {u"LCTRL", u"C"}},
        {6, 0, 3, -1, {u"A", u"<50 ms>", u"B"}},
        {6, 1, 3, -1, {u"A", u"<300 ms>", u"A"}}, // the last delay does not come back
        {7, 0, 3, -1, {u"W", u"W", u"(Enter)"}},
        {7, 1, 4, -1, {u"W", u"A", u"S", u"D"}},
        {8, 0, 1, 0x2B, {}},
        {8, 1, 5, 0x70, {}},
        {9, 0, 6, 199, {}},
        {9, 1, 6, 0x9D, {}},
        {10, 0, 7, 0x9C, {}},
        {10, 1, 8, 0x4C, {}},
        {11, 0, 0, 0x55, {}},
        {11, 1, 2, -1, {u"-- --", u"-- --", u"-- --"}},
    };
    for (const auto& b : back) {
        SCOPED_TRACE("key " + std::to_string(b.key) + " layer " + std::to_string(b.layer));
        EXPECT_EQ(fresh->keyMode[b.key][b.layer], b.mode);
        if (b.code >= 0) {
            EXPECT_EQ(fresh->keyHwCode[b.key][b.layer], b.code);
        }
        if (!b.items.empty()) {
            const ListRecord& list = fresh->keyLists[b.key][b.layer];
            EXPECT_EQ(list.items, b.items);
            EXPECT_EQ(list.children.size(), b.items.size());
            EXPECT_EQ(list.SizeOfView, b.mode == 2 ? 6 : 9);
            EXPECT_EQ(list.ViewStartAt, 0);
            EXPECT_EQ(list.CursorPos, static_cast<int>(b.items.size()) - 1);
        }
    }
    const ListRecord& t = fresh->keyLists[6][0];
    EXPECT_EQ(t.Cycles, 3);
    EXPECT_FALSE(t.IsAutoInterval);
    EXPECT_EQ(t.PlayMode, 0);
    const ListRecord& h = fresh->keyLists[6][1];
    EXPECT_EQ(h.Cycles, 0);
    EXPECT_EQ(h.PlayMode, 1);
    const ListRecord& a = fresh->keyLists[7][0];
    EXPECT_TRUE(a.IsAutoInterval);
    EXPECT_EQ(a.Delay, 0x1234);
    EXPECT_EQ(a.PlayMode, 2);
    EXPECT_EQ(fresh->keyLists[7][1].Delay, 300);

    // What was read back goes out again as the same records.
    sim->clearReportLog();
    ASSERT_TRUE(fresh->sendKeysToKeyboard(0));
    for (const auto& e : expected) {
        if (!(e.key == 6 && e.layer == 1) && !(e.key == 11)) {
            EXPECT_EQ(sim->storedRecord(slotOf(e.key, e.layer)), e.bytes)
                << "again: key " << e.key << " layer " << e.layer;
        }
    }
}

TEST_F(Sync, LongListsFitTheRecords) {
    // 14 key/delay pairs: 56 data bytes, two chunks.
    std::vector<std::u16string> pairs;
    for (int i = 0; i < 14; ++i) {
        pairs.push_back(u"Q Down");
        pairs.push_back(delay(i + 1));
    }
    assign(1, 1, 3, pairs);
    // A profile can carry far more than a record holds.
    std::vector<std::u16string> many(5000, u"Z");
    assign(2, 0, 2, many);
    assign(3, 0, 4, many);
    ListRecord& hugeAuto = assign(4, 0, 3, {});
    hugeAuto.items.assign(200000, u"X Down");
    hugeAuto.children.resize(hugeAuto.items.size());
    hugeAuto.IsAutoInterval = true;
    ListRecord& hugeTimed = assign(4, 1, 3, {});
    for (int i = 0; i < 100000; ++i) {
        hugeTimed.items.push_back(i % 2 ? delay(1) : u"C Down");
    }
    hugeTimed.children.resize(hugeTimed.items.size());

    ASSERT_TRUE(store->sendKeysToKeyboard(0));

    const Bytes two = sim->storedRecord(slotOf(1, 1));
    ASSERT_EQ(two.size(), 128u);
    EXPECT_EQ(Bytes(two.begin(), two.begin() + 11),
              (Bytes{0x00, 0xF0, 2, 1, 2, 1, 1, 0, 0, 0, 56}));
    EXPECT_EQ(Bytes(two.begin() + 64, two.begin() + 75), Bytes(two.begin(), two.begin() + 11));
    EXPECT_EQ(two[64 + 11], 0xC8); // data byte 53 continues the 14th pair
    EXPECT_EQ(two[64 + 12], 0);
    EXPECT_EQ(two[64 + 13], 14);

    Bytes combo = record({0x00, 0xF0, 1, 2, 0, 58});
    Bytes emu = record({0x00, 0xF0, 1, 3, 1, 0, 30, 56});
    for (int i = 0; i < 58; ++i) {
        combo[6 + i] = 0x38;
    }
    for (int i = 0; i < 56; ++i) {
        emu[8 + i] = 0x38;
    }
    EXPECT_EQ(sim->storedRecord(slotOf(2, 0)), combo);
    EXPECT_EQ(sim->storedRecord(slotOf(3, 0)), emu);

    const Bytes autoRecord = sim->storedRecord(slotOf(4, 0));
    const int autoLength = ConfigStore::kMaxMacroItemsAuto;
    EXPECT_EQ(autoRecord.size(), 64u * ((autoLength + 52) / 53));
    EXPECT_EQ(autoRecord[9] * 256 + autoRecord[10], autoLength);
    const Bytes timedRecord = sim->storedRecord(slotOf(4, 1));
    const int timedLength = 4 * ConfigStore::kMaxMacroPairs; // 65532 <= 65535
    EXPECT_EQ(timedRecord.size(), 64u * ((timedLength + 52) / 53));
    EXPECT_EQ(timedRecord[9] * 256 + timedRecord[10], timedLength);

    auto fresh = openStore(1);
    ASSERT_TRUE(fresh->readKeysFromKeyboard(0));
    EXPECT_EQ(fresh->keyLists[1][1].items.size(), 27u);
    EXPECT_EQ(fresh->keyLists[1][1].items[25], u"<13 ms>");
    EXPECT_EQ(fresh->keyLists[2][0].items.size(), 58u);
    EXPECT_EQ(fresh->keyLists[3][0].items.size(), 56u);
    EXPECT_EQ(fresh->keyLists[4][0].items.size(), static_cast<std::size_t>(autoLength));
    EXPECT_EQ(fresh->keyLists[4][1].items.size(), 2u * ConfigStore::kMaxMacroPairs - 1);
    EXPECT_EQ(fresh->keyLists[4][1].items.back(), u"C");
}

TEST_F(Sync, ProgressGoesToTheGivenWindow) {
    std::atomic<int> progress{0};
    std::atomic<int> elsewhere{0};
    setMessageSink([&](WindowHandle w, unsigned msg, std::uintptr_t, std::intptr_t) {
        if (msg == kMsgProgress) {
            (w == 42 ? progress : elsewhere)++;
        }
    });
    ASSERT_TRUE(store->sendKeysToKeyboard(42));
    EXPECT_EQ(progress.load(), 216);
    ASSERT_TRUE(store->readKeysFromKeyboard(42));
    EXPECT_EQ(progress.load(), 432);
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST_F(Sync, LightWriteAndReadBack) {
    for (int k = 0; k <= 108; ++k) {
        store->lightTable[k][0] = (k * 7) & 0xFF;
        store->lightTable[k][1] = (k * 13 + 1) & 0xFF;
        store->lightTable[k][2] = 255 - k;
    }
    ASSERT_TRUE(store->sendLightToKeyboard());
    const auto light = sim->light();
    for (int k = 1; k <= 108; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(light[3 * (k - 1) + c], store->lightTable[k][c]) << k << " " << c;
        }
    }

    auto fresh = openStore(1);
    fresh->lightTable[0][0] = 77; // entry 0 carries no key and stays
    ASSERT_TRUE(fresh->readLightFromKeyboard());
    EXPECT_EQ(fresh->lightTable[0][0], 77);
    for (int k = 1; k <= 108; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(fresh->lightTable[k][c], store->lightTable[k][c]);
        }
    }
}

TEST_F(Sync, CountersMostAndLeast) {
    ASSERT_TRUE(store->readCountersFromKeyboard());
    EXPECT_EQ(store->pressCounts[1], 0);
    EXPECT_EQ(store->mostPressedKey, -1);
    EXPECT_EQ(store->leastPressedKey, -1);

    sim->setCounter(7, 10);
    sim->setCounter(9, 10);
    ASSERT_TRUE(store->readCountersFromKeyboard());
    EXPECT_EQ(store->pressCounts[7], 10);
    EXPECT_EQ(store->mostPressedKey, 7);
    EXPECT_EQ(store->leastPressedKey, 7);

    sim->pressKey(108, 3);
    sim->setCounter(1, 100000);
    sim->setCounter(50, 2);
    ASSERT_TRUE(store->readCountersFromKeyboard());
    EXPECT_EQ(store->pressCounts[108], 3);
    EXPECT_EQ(store->mostPressedKey, 1);
    EXPECT_EQ(store->leastPressedKey, 50);
    EXPECT_LT(store->pressCounts[0], 0); // no key behind entry 0
}

TEST_F(Sync, FailedTransfersAreReportedAndLoseNothing) {
    assign(5, 0, 2, {u"LCTRL", u"C"});
    store->lightTable[3][1] = 200;
    sim->setPlugged(false);

    EXPECT_FALSE(store->sendKeysToKeyboard(0));
    EXPECT_FALSE(store->readKeysFromKeyboard(0));
    EXPECT_FALSE(store->readLightFromKeyboard());
    EXPECT_EQ(store->keyMode[5][0], 2);
    EXPECT_EQ(store->keyLists[5][0].items.size(), 2u);
    EXPECT_EQ(store->keyMode[1][0], 1);
    EXPECT_EQ(store->lightTable[3][1], 200);

    // A keyboard that falls silent in the middle of a read.
    sim->setPlugged(true);
    store->device.__closeDev(); // plugged in again: a new handle
    ASSERT_TRUE(store->device.__createDev());
    ASSERT_TRUE(store->sendKeysToKeyboard(0));
    auto fresh = openStore(1);
    fresh->keyMode[6][0] = 1;
    fresh->keyHwCode[6][0] = 0x2C;
    sim->stopAnsweringAfter(20);
    EXPECT_FALSE(fresh->readKeysFromKeyboard(0));
    EXPECT_EQ(fresh->keyHwCode[6][0], 0x2C);
    EXPECT_EQ(fresh->keyMode[5][0], 1); // the combination never arrived in the store
}

TEST_F(Sync, ClosedDeviceDoesNothing) {
    auto closed = std::make_unique<ConfigStore>();
    closed->initNameTables();
    closed->deviceType = 1;
    closed->resetToDefaults();
    EXPECT_FALSE(closed->sendKeysToKeyboard(0));
    EXPECT_FALSE(closed->readKeysFromKeyboard(0));
    EXPECT_FALSE(closed->sendLightToKeyboard());
    EXPECT_FALSE(closed->readLightFromKeyboard());
    EXPECT_FALSE(closed->readCountersFromKeyboard());
    EXPECT_EQ(closed->keyHwCode[1][0], 1);
    EXPECT_LT(closed->pressCounts[1], 0); // still "not read", not zero
    EXPECT_EQ(closed->mostPressedKey, -1);
}

class SyncHostile : public Sync, public ::testing::WithParamInterface<SimulatorBackend::Hostile> {};

TEST_P(SyncHostile, GarbledRepliesNeverBreakTheStore) {
    assign(5, 0, 2, {u"LCTRL", u"C"});
    ListRecord& macro = assign(6, 0, 3, {u"A Down", delay(50), u"B Down"});
    macro.Cycles = 2;
    ASSERT_TRUE(store->sendKeysToKeyboard(0));
    sim->setHostile(GetParam());

    auto fresh = openStore(1);
    const bool ok = fresh->readKeysFromKeyboard(0);
    fresh->readLightFromKeyboard();
    fresh->readCountersFromKeyboard();
    for (int key = 1; key <= 108; ++key) {
        for (int layer = 0; layer < 2; ++layer) {
            const ListRecord& list = fresh->keyLists[key][layer];
            EXPECT_EQ(list.items.size(), list.children.size());
            EXPECT_GE(fresh->keyMode[key][layer], 0);
            EXPECT_LE(fresh->keyMode[key][layer], 8);
            // Whatever arrived can be shown and sent again.
            fresh->keyDisplayText(key, layer);
        }
    }
    for (int k = 1; k <= 108; ++k) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(fresh->lightTable[k][c], 0);
            EXPECT_LE(fresh->lightTable[k][c], 255);
        }
    }
    if (!ok) {
        // A failed read leaves the fresh store's defaults in place.
        EXPECT_EQ(fresh->keyMode[5][0], 1);
        EXPECT_EQ(fresh->keyHwCode[5][0], 5);
    }
    sim->clearFaults();
    EXPECT_TRUE(fresh->sendKeysToKeyboard(0));
}

INSTANTIATE_TEST_SUITE_P(Modes, SyncHostile,
                         ::testing::Values(SimulatorBackend::Hostile::Garbage,
                                           SimulatorBackend::Hostile::WrongMarkers,
                                           SimulatorBackend::Hostile::OversizeCounts,
                                           SimulatorBackend::Hostile::OversizeLengths,
                                           SimulatorBackend::Hostile::SlotsOutOfRange,
                                           SimulatorBackend::Hostile::KindsOutOfRange,
                                           SimulatorBackend::Hostile::NoEnd));
