#include "TestSupport.h"

#include "library/interface/CZT40HWI.h"

#include <numeric>

namespace {

class Hwi : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        ASSERT_TRUE(hwi.__createDev());
    }
    std::vector<int> get(int layer, int key, std::size_t n) {
        std::vector<int> a(70000, -7);
        EXPECT_TRUE(hwi.getKeyConfiguration(layer, key, a.data(), 65536));
        a.resize(n);
        return a;
    }
    CZT40HWI hwi;
};

TEST(HwiClosed, OnlyDetectionCreateAndCloseWork) {
    auto sim = std::make_shared<SimulatorBackend>(2);
    setHidBackend(sim);
    CZT40HWI hwi;
    int array[400] = {0, 1, 4};
    char16_t text[64] = {};
    char hex[] = ":00000001FF\r\n";
    EXPECT_FALSE(hwi.prepare());
    EXPECT_FALSE(hwi.setKeyConfiguration(0, 1, array, 3));
    EXPECT_FALSE(hwi.getKeyConfiguration(0, 1, array, 65536));
    EXPECT_FALSE(hwi.writeKeyConfigurationToDev(1));
    EXPECT_FALSE(hwi.readKeyDefinationFromDev(1));
    EXPECT_FALSE(hwi.setKeyboardLightArea(array));
    EXPECT_FALSE(hwi.readKeyLightFromDev());
    EXPECT_FALSE(hwi.getKeyboardLightArea(array));
    EXPECT_FALSE(hwi.getPressCounterFromDev(array));
    EXPECT_FALSE(hwi.ReadKeyboardVersion(text));
    EXPECT_FALSE(hwi.WriteFirmwareToKeyboard(hex, 13, 1));
    const char16_t* version = hwi.getHardwareVersion();
    ASSERT_TRUE(version);
    EXPECT_EQ(version[0], 0);
    EXPECT_TRUE(sim->writtenReports().empty());
    EXPECT_TRUE(hwi.DetectDevice());
    EXPECT_EQ(hwi.DetectDeviceType(), 2);
    EXPECT_TRUE(hwi.__closeDev());
    EXPECT_TRUE(hwi.__createDev());
    EXPECT_TRUE(hwi.__closeDev());
    EXPECT_FALSE(hwi.prepare());

    sim->setPlugged(false);
    EXPECT_FALSE(hwi.__createDev());
    EXPECT_EQ(hwi.DetectDeviceType(), 0);
    setHidBackend(nullptr);
}

TEST_F(Hwi, CreateTwiceKeepsTheImage) {
    int a[] = {0, 1, 0x2A};
    hwi.setKeyConfiguration(0, 3, a, 3);
    EXPECT_TRUE(hwi.__createDev());
    EXPECT_EQ(get(0, 3, 3), (std::vector<int>{0, 1, 0x2A}));
    EXPECT_TRUE(hwi.__closeDev());
    EXPECT_TRUE(hwi.__createDev());
    EXPECT_EQ(get(0, 3, 2), (std::vector<int>{0, 0})); // a new image is empty
}

TEST_F(Hwi, SetAndGetArrays) {
    EXPECT_EQ(get(0, 1, 2), (std::vector<int>{0, 0}));

    int macro[] = {2, 1, 3, 1, 0, 2, 4, 100, 5, 0};
    EXPECT_FALSE(hwi.setKeyConfiguration(0, 1, macro, 10)); // false also when stored
    auto back = get(0, 1, 10);
    EXPECT_EQ(back, (std::vector<int>{2, 1, 3, 1, 0, 2, 4, 100, 5, -7}));

    int normal[] = {0, 2, 0xE0, 0x04};
    hwi.setKeyConfiguration(1, 108, normal, 4);
    EXPECT_EQ(get(1, 108, 4), (std::vector<int>{0, 2, 0xE0, 0x04}));
    EXPECT_EQ(get(0, 108, 2), (std::vector<int>{0, 0}));

    int cont[] = {1, 300, 2, 4, 5};
    hwi.setKeyConfiguration(1, 10, cont, 5);
    EXPECT_EQ(get(1, 10, 5), (std::vector<int>{1, 300, 2, 4, 5}));

    int mode0[] = {2, 0, 5, 0, 30, 3, 4, 5, 6};
    hwi.setKeyConfiguration(0, 2, mode0, 9);
    EXPECT_EQ(get(0, 2, 10), (std::vector<int>{2, 0, 5, 0, 30, 3, 4, 5, 6, -7}));

    // Another delay mode: both lists stay 0 and nothing follows.
    int mode2[] = {2, 2, 0, 2, 30, 2, 99, 99, 99, 99};
    hwi.setKeyConfiguration(0, 4, mode2, 10);
    EXPECT_EQ(get(0, 4, 7), (std::vector<int>{2, 2, 0, 2, 30, 2, -7}));
}

TEST_F(Hwi, RefusedArraysChangeNothing) {
    int keep[] = {0, 1, 0x29};
    hwi.setKeyConfiguration(0, 1, keep, 3);
    std::vector<int> huge(70000, 4);
    struct Case {
        std::vector<int> head;
    };
    const std::vector<std::vector<int>> refused = {
        {7, 1, 2},              // no such kind
        {-1, 1, 2},             //
        {0, 59},                // more codes than a record holds
        {1, 30, 57},            //
        {2, 3, 0, 0, 0, 1},     // play mode 3
        {2, -1, 0, 0, 0, 1},    //
        {2, 0, 0, 0, 0, 65536}, // beyond the 16-bit length
        {2, 0, 0, 1, 0, 16384}, // 4 bytes an item
    };
    for (const auto& head : refused) {
        std::copy(head.begin(), head.end(), huge.begin());
        EXPECT_FALSE(hwi.setKeyConfiguration(0, 1, huge.data(), 70000));
        EXPECT_EQ(get(0, 1, 3), (std::vector<int>{0, 1, 0x29})) << head[0] << "," << head[1];
    }
    // Slots outside the table.
    int a[] = {0, 1, 5};
    EXPECT_FALSE(hwi.setKeyConfiguration(2, 1, a, 3));
    EXPECT_FALSE(hwi.setKeyConfiguration(0, 0, a, 3));
    EXPECT_FALSE(hwi.setKeyConfiguration(0, 109, a, 3));
    EXPECT_FALSE(hwi.setKeyConfiguration(-1, 1, a, 3));
    int out[4] = {-7, -7};
    EXPECT_FALSE(hwi.getKeyConfiguration(0, 109, out, 65536));
    EXPECT_FALSE(hwi.getKeyConfiguration(2, 1, out, 65536));
    EXPECT_EQ(out[0], -7);
    EXPECT_FALSE(hwi.setKeyConfiguration(0, 1, nullptr, 0));

    // The largest counts that fit are taken.
    std::copy_n(std::vector<int>{0, 58}.begin(), 2, huge.begin());
    hwi.setKeyConfiguration(0, 1, huge.data(), 60);
    EXPECT_EQ(get(0, 1, 2)[1], 58);
    // A negative count is an empty definition.
    int neg[] = {0, -4};
    hwi.setKeyConfiguration(0, 1, neg, 2);
    EXPECT_EQ(get(0, 1, 2), (std::vector<int>{0, 0}));
}

TEST_F(Hwi, SlotsOfLayerAndKey) {
    int a[] = {0, 1, 0x33};
    hwi.setKeyConfiguration(1, 108, a, 3);
    hwi.writeKeyConfigurationToDev(0);
    EXPECT_EQ(sim->storedRecord(215)[6], 0x33);
    EXPECT_EQ(sim->storedRecord(215)[2], 2);
    EXPECT_EQ(sim->storedRecord(215)[3], 108);
}

TEST_F(Hwi, LightStoresLowBytes) {
    std::vector<int> light(324);
    std::iota(light.begin(), light.end(), 0);
    light[0] = 256;
    light[1] = -1;
    EXPECT_TRUE(hwi.setKeyboardLightArea(light.data()));
    auto stored = sim->light();
    EXPECT_EQ(stored[0], 0);
    EXPECT_EQ(stored[1], 255);
    EXPECT_EQ(stored[300], 300 & 0xFF);
    std::vector<int> out(324, -1);
    EXPECT_TRUE(hwi.getKeyboardLightArea(out.data()));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[323], 323 & 0xFF);
}

TEST_F(Hwi, CountersAreHandedOutEvenWhenTheReadFails) {
    sim->pressKey(5, 12);
    std::vector<int> counts(108, -1);
    EXPECT_TRUE(hwi.getPressCounterFromDev(counts.data()));
    EXPECT_EQ(counts[4], 12);
    sim->pressKey(5, 1);
    sim->stopAnsweringAfter(0);
    EXPECT_TRUE(hwi.getPressCounterFromDev(counts.data()));
    EXPECT_EQ(counts[4], 12); // as last read
}

TEST_F(Hwi, VersionTexts) {
    sim->setVersionText("KB-2.07");
    char16_t text[63];
    ASSERT_TRUE(hwi.ReadKeyboardVersion(text));
    EXPECT_EQ(std::u16string(text), u"KB-2.07");
    EXPECT_EQ(std::u16string(hwi.getHardwareVersion()), u"KB-2.07");
    sim->setPlugged(false);
    // The object's own text stays as it was when the query fails.
    EXPECT_EQ(std::u16string(hwi.getHardwareVersion()), u"KB-2.07");
    EXPECT_FALSE(hwi.ReadKeyboardVersion(text));
}

// Everything on both layers, written and read back through the simulated keyboard.
TEST_F(Hwi, EveryKindOnBothLayersRoundTrips) {
    std::vector<std::vector<int>> arrays;
    for (int layer = 0; layer < 2; ++layer)
        for (int key = 1; key <= 108; ++key) {
            std::vector<int> a;
            const int seed = layer * 108 + key;
            switch (seed % 6) {
            case 0:
                a = {0, 1 + seed % 5, 0xE0, 4, 5, 6, 7, 8};
                a.resize(2 + static_cast<std::size_t>(a[1]));
                break;
            case 1:
                a = {1, seed * 50, 3, 4, 5, 6};
                break;
            case 2: { // macro, automatic interval, long enough for several chunks
                a = {2, seed % 3, seed % 3 == 0 ? 9 : 0, 0, 40, 60 + seed % 50};
                for (int i = 0; i < a[5]; ++i)
                    a.push_back(4 + i % 90);
                break;
            }
            case 3: { // macro with per-item delays
                const int n = 1 + seed % 20;
                a = {2, seed % 3, 0, 1, 0, n};
                for (int i = 0; i < n; ++i) {
                    a.push_back(4 + i);
                    a.push_back(i + 1 < n ? 10 * i + 5 : 0);
                }
                break;
            }
            case 4:
                a = {0, 0};
                break;
            default:
                a = {}; // left empty
                break;
            }
            if (!a.empty())
                hwi.setKeyConfiguration(layer, key, a.data(), static_cast<int>(a.size()));
            arrays.push_back(a);
        }
    MessageLog log;
    ASSERT_TRUE(hwi.writeKeyConfigurationToDev(5));
    hwi.prepare();
    EXPECT_EQ(get(0, 1, 2), (std::vector<int>{0, 0}));
    ASSERT_TRUE(hwi.readKeyDefinationFromDev(5));
    EXPECT_EQ(log.params(kMsgProgress).size(), 2u * 216u);

    for (int layer = 0; layer < 2; ++layer)
        for (int key = 1; key <= 108; ++key) {
            auto expected = arrays[static_cast<std::size_t>(layer * 108 + key - 1)];
            if (expected.empty())
                expected = {0, 0}; // sent as an empty record, read back as no codes
            if (expected[0] == 2 && expected[3] == 1)
                expected.pop_back(); // the last delay is not handed out
            EXPECT_EQ(get(layer, key, expected.size()), expected)
                << "layer " << layer << " key " << key;
        }
}

TEST_F(Hwi, EmptyMacroIsSentAsOneHeaderChunk) {
    int a[] = {2, 1, 0, 1, 30, 0};
    hwi.setKeyConfiguration(0, 9, a, 6);
    ASSERT_TRUE(hwi.writeKeyConfigurationToDev(0));
    EXPECT_EQ(sim->writtenReports().size(), 218u);
    const Bytes expected = [] {
        Bytes b(64, 0);
        b[1] = 0xF0;
        b[2] = 1;
        b[3] = 9;
        b[4] = 3;
        b[6] = 1;
        b[8] = 30;
        return b;
    }();
    EXPECT_EQ(sim->storedRecord(8), expected);
    hwi.prepare();
    ASSERT_TRUE(hwi.readKeyDefinationFromDev(0));
    EXPECT_EQ(get(0, 9, 6), (std::vector<int>{2, 1, 0, 1, 30, 0}));
}

// The program's order of calls, from start-up to firmware.
TEST_F(Hwi, ProgramCallOrder) {
    MessageLog log;
    CZT40HWI device;
    EXPECT_EQ(device.DetectDeviceType(), 1);
    ASSERT_TRUE(device.__createDev());
    char16_t version[64];
    ASSERT_TRUE(device.ReadKeyboardVersion(version));
    EXPECT_TRUE(device.DetectDevice());

    ASSERT_TRUE(device.prepare());
    int single[] = {0, 1, 0x29};
    device.setKeyConfiguration(0, 1, single, 3);
    ASSERT_TRUE(device.writeKeyConfigurationToDev(11));

    ASSERT_TRUE(device.readKeyDefinationFromDev(11));
    std::vector<int> a(65536);
    for (int layer = 0; layer < 2; ++layer)
        for (int key = 1; key <= 108; ++key)
            ASSERT_TRUE(device.getKeyConfiguration(layer, key, a.data(), 65536));
    device.getKeyConfiguration(0, 1, a.data(), 65536);
    EXPECT_EQ(a[2], 0x29);

    std::vector<int> light(324, 128);
    ASSERT_TRUE(device.setKeyboardLightArea(light.data()));
    ASSERT_TRUE(device.readKeyLightFromDev());
    std::vector<int> lightBack(324);
    ASSERT_TRUE(device.getKeyboardLightArea(lightBack.data()));
    EXPECT_EQ(lightBack, light);

    std::vector<int> counts(108);
    ASSERT_TRUE(device.getPressCounterFromDev(counts.data()));

    ASSERT_TRUE(device.ReadKeyboardVersion(version));
    char hex[] = ":0400000001020304F2\r\n:00000001FF\r\n";
    ASSERT_TRUE(device.WriteFirmwareToKeyboard(hex, static_cast<int>(sizeof hex - 1), 11));
    EXPECT_EQ(sim->firmwareRecords().size(), 2u);
    EXPECT_EQ(sim->invalidFirmwareRecords(), 0u);
    EXPECT_EQ(log.params(kMsgProgress).back(), 150u);
}

TEST_F(Hwi, FactoryDefinitionsReadBack) {
    ASSERT_TRUE(hwi.readKeyDefinationFromDev(0));
    EXPECT_EQ(get(0, 72, 3), (std::vector<int>{0, 1, 0x9C}));
    EXPECT_EQ(get(1, 2, 3), (std::vector<int>{0, 1, 0x76}));
    EXPECT_EQ(get(1, 9, 2), (std::vector<int>{0, 0}));
}

} // namespace
