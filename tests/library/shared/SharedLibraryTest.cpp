// Uses only what the shared library exports, as the program does.
#include "library/hook/KeyboardHook.h"
#include "library/interface/CZT40HWI.h"
#include "library/platform/Messages.h"
#include "simulator/SimulatorBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

TEST(SharedLibrary, WritesAndReadsThroughTheSimulator) {
    auto sim = std::make_shared<SimulatorBackend>(3);
    setHidBackend(sim);
    std::atomic<int> progress{0};
    setMessageSink([&](WindowHandle, unsigned msg, std::uintptr_t, std::intptr_t) {
        if (msg == kMsgProgress)
            ++progress;
    });
    {
        CZT40HWI hwi;
        EXPECT_EQ(hwi.DetectDeviceType(), 3);
        ASSERT_TRUE(hwi.__createDev());
        ASSERT_TRUE(hwi.prepare());
        int a[] = {1, 500, 2, 4, 5};
        hwi.setKeyConfiguration(1, 20, a, 5);
        ASSERT_TRUE(hwi.writeKeyConfigurationToDev(1));
        hwi.prepare();
        ASSERT_TRUE(hwi.readKeyDefinationFromDev(1));
        std::vector<int> out(65536);
        ASSERT_TRUE(hwi.getKeyConfiguration(1, 20, out.data(), 65536));
        EXPECT_EQ(std::vector<int>(out.begin(), out.begin() + 5),
                  (std::vector<int>{1, 500, 2, 4, 5}));
        EXPECT_EQ(sim->storedRecord(127)[4], 1);
    }
    EXPECT_EQ(progress, 432);
    setMessageSink(nullptr);
    setHidBackend(nullptr);
}

TEST(SharedLibrary, HookPostsThroughTheSameSink) {
    std::vector<std::uintptr_t> keys;
    setMessageSink([&](WindowHandle, unsigned msg, std::uintptr_t w, std::intptr_t) {
        if (msg == kMsgHookKey)
            keys.push_back(w);
    });
    InstallHook(3);
    KeyboardEventRecord r{0x41, 0, 0, 0};
    EXPECT_EQ(KeyBoardProc(0, 257, &r), 1);
    UninstallHook();
    EXPECT_EQ(keys, std::vector<std::uintptr_t>{0x80000041u});
    setMessageSink(nullptr);
}
