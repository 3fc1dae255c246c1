#include "TestSupport.h"

#include "library/interface/CZT40HWI.h"

#include <functional>

namespace {

// One transfer through the exported interface, and the number of reports it exchanges
// with a healthy keyboard.
struct Transfer {
    const char* name;
    std::function<bool(CZT40HWI&)> run;
    bool resultOnFailure; // the backlight write reports true whatever happens
};

bool fullImage(CZT40HWI& hwi) {
    std::vector<int> macro = {2, 0, 1, 1, 0, 30};
    for (int i = 0; i < 30; ++i) {
        macro.push_back(4 + i);
        macro.push_back(20);
    }
    hwi.setKeyConfiguration(0, 1, macro.data(), static_cast<int>(macro.size()));
    int single[] = {0, 1, 0x29};
    hwi.setKeyConfiguration(1, 5, single, 3);
    return true;
}

const std::vector<Transfer>& transfers() {
    static const std::vector<Transfer> list = {
        {"writeKeys", [](CZT40HWI& h) { return fullImage(h) && h.writeKeyConfigurationToDev(1); },
         false},
        {"readKeys", [](CZT40HWI& h) { return h.readKeyDefinationFromDev(1); }, false},
        {"writeLight",
         [](CZT40HWI& h) {
             std::vector<int> light(324, 77);
             return h.setKeyboardLightArea(light.data());
         },
         true},
        {"readLight", [](CZT40HWI& h) { return h.readKeyLightFromDev(); }, false},
        {"readCounters",
         [](CZT40HWI& h) {
             std::vector<int> counts(108);
             // The result of the exported call is always true; ask the image's own result
             // through a light-weight check: counts are copied regardless.
             return h.getPressCounterFromDev(counts.data());
         },
         true},
        {"version",
         [](CZT40HWI& h) {
             char16_t text[64];
             return h.ReadKeyboardVersion(text);
         },
         false},
        {"firmware",
         [](CZT40HWI& h) {
             std::string text;
             for (int i = 0; i < 20; ++i)
                 text += ":0400000001020304F2\r\n";
             text += ":00000001FF\r\n";
             return h.WriteFirmwareToKeyboard(text.data(), static_cast<int>(text.size()), 1);
         },
         false},
    };
    return list;
}

enum class Fault { StopAnswering, Unplug };

class FaultAtEveryReport : public SimFixture,
                           public ::testing::WithParamInterface<std::tuple<int, Fault>> {};

TEST_P(FaultAtEveryReport, FailsCleanly) {
    const auto& t = transfers()[static_cast<std::size_t>(std::get<0>(GetParam()))];
    const Fault fault = std::get<1>(GetParam());
    MessageLog log;

    // How many reports the transfer exchanges with a healthy keyboard.
    std::size_t total = 0;
    {
        CZT40HWI hwi;
        ASSERT_TRUE(hwi.__createDev());
        ASSERT_TRUE(t.run(hwi)) << t.name;
        total = sim->writtenReports().size() + sim->readReports().size();
        ASSERT_GT(total, 0u);
    }
    for (std::size_t k = 0; k < total; ++k) {
        sim->clearFaults();
        sim->resetMemory();
        CZT40HWI hwi;
        ASSERT_TRUE(hwi.__createDev());
        if (fault == Fault::StopAnswering)
            sim->stopAnsweringAfter(static_cast<long long>(k));
        else
            sim->unplugAfter(static_cast<long long>(k));
        const bool result = t.run(hwi);
        // A writer that never reads cannot notice a keyboard that only stopped listening.
        const bool writerOnly = std::string(t.name) == "writeKeys" ||
                                std::string(t.name) == "writeLight" ||
                                std::string(t.name) == "firmware";
        if (fault == Fault::Unplug || !writerOnly) {
            EXPECT_EQ(result, t.resultOnFailure) << t.name << " at report " << k;
        }
    }
    sim->clearFaults();
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, FaultAtEveryReport,
    ::testing::Combine(::testing::Range(0, 7),
                       ::testing::Values(Fault::StopAnswering, Fault::Unplug)),
    [](const auto& info) {
        return std::string(transfers()[static_cast<std::size_t>(std::get<0>(info.param))].name) +
               (std::get<1>(info.param) == Fault::Unplug ? "_unplug" : "_silent");
    });

class HostileKeyboard : public SimFixture,
                        public ::testing::WithParamInterface<SimulatorBackend::Hostile> {};

TEST_P(HostileKeyboard, NothingEscapesTheTables) {
    const auto mode = GetParam();
    {
        // Long macros on the keyboard, so hostile lengths meet real continuation chunks.
        CZT40HWI hwi;
        ASSERT_TRUE(hwi.__createDev());
        fullImage(hwi);
        int cont[] = {1, 100, 3, 4, 5, 6};
        hwi.setKeyConfiguration(0, 2, cont, 6);
        ASSERT_TRUE(hwi.writeKeyConfigurationToDev(0));
    }
    sim->setHostile(mode);
    CZT40HWI hwi;
    ASSERT_TRUE(hwi.__createDev());
    const bool keys = hwi.readKeyDefinationFromDev(1);
    const bool light = hwi.readKeyLightFromDev();
    std::vector<int> counts(108);
    hwi.getPressCounterFromDev(counts.data());
    std::vector<int> out(70000);
    for (int layer = 0; layer < 2; ++layer)
        for (int key = 1; key <= 108; ++key) {
            ASSERT_TRUE(hwi.getKeyConfiguration(layer, key, out.data(), 65536));
            EXPECT_GE(out[0], 0);
            EXPECT_LE(out[0], 2);
        }
    switch (mode) {
    case SimulatorBackend::Hostile::Garbage:
    case SimulatorBackend::Hostile::NoEnd:
        EXPECT_FALSE(keys);
        EXPECT_FALSE(light);
        break;
    case SimulatorBackend::Hostile::OversizeLengths:
        // Every macro claims 65535 bytes and swallows the records after it as its chunks,
        // and then the end marker too: the read waits in vain and fails.
        EXPECT_FALSE(keys);
        EXPECT_TRUE(light);
        break;
    default:
        EXPECT_TRUE(keys);
        EXPECT_TRUE(light);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, HostileKeyboard,
                         ::testing::Values(SimulatorBackend::Hostile::Garbage,
                                           SimulatorBackend::Hostile::WrongMarkers,
                                           SimulatorBackend::Hostile::OversizeCounts,
                                           SimulatorBackend::Hostile::OversizeLengths,
                                           SimulatorBackend::Hostile::SlotsOutOfRange,
                                           SimulatorBackend::Hostile::KindsOutOfRange,
                                           SimulatorBackend::Hostile::NoEnd));

TEST_F(HostileKeyboard, WrongMarkersStoreNothing) {
    sim->setHostile(SimulatorBackend::Hostile::WrongMarkers);
    CZT40HWI hwi;
    ASSERT_TRUE(hwi.__createDev());
    MessageLog log;
    ASSERT_TRUE(hwi.readKeyDefinationFromDev(1));
    EXPECT_TRUE(log.params(kMsgProgress).empty());
}

TEST_F(HostileKeyboard, OversizeCountsAreCut) {
    int a[] = {0, 1, 0x29};
    {
        CZT40HWI hwi;
        ASSERT_TRUE(hwi.__createDev());
        hwi.setKeyConfiguration(0, 1, a, 3);
        int cont[] = {1, 100, 1, 4};
        hwi.setKeyConfiguration(0, 2, cont, 4);
        hwi.writeKeyConfigurationToDev(0);
    }
    sim->setHostile(SimulatorBackend::Hostile::OversizeCounts);
    CZT40HWI hwi;
    ASSERT_TRUE(hwi.__createDev());
    ASSERT_TRUE(hwi.readKeyDefinationFromDev(0));
    std::vector<int> out(70000, -1);
    hwi.getKeyConfiguration(0, 1, out.data(), 65536);
    EXPECT_EQ(out[1], 58);
    EXPECT_EQ(out[2], 0x29);
    hwi.getKeyConfiguration(0, 2, out.data(), 65536);
    EXPECT_EQ(out[2], 56);
}

// A keyboard that floods the host with reports that never end the answer.
TEST_F(HostileKeyboard, EndlessStreamIsCut) {
    sim->setReplyMutator([](SimulatorBackend::Body& b, std::size_t) { b[1] = 0x12; });
    std::vector<SimulatorBackend::Body> flood(5000, body({0x00, 0x12}));
    sim->setReplyScript(flood);
    CZT40HWI hwi;
    ASSERT_TRUE(hwi.__createDev());
    EXPECT_FALSE(hwi.readKeyLightFromDev()); // gives up after its report budget
}

} // namespace
