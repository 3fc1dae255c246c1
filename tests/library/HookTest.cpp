#include "TestSupport.h"

#include "library/hook/KeyboardHook.h"

namespace {

// A keystroke source that tests drive by hand.
struct FakeSource : KeystrokeSource {
    KeyboardHookProc proc = nullptr;
    int starts = 0, stops = 0;
    void start(KeyboardHookProc p) override {
        proc = p;
        ++starts;
    }
    void stop() override {
        proc = nullptr;
        ++stops;
    }
    // Delivers one event as the system would; true when it was swallowed.
    bool key(unsigned message, std::uint32_t vk, std::uint32_t flags = 0) {
        if (!proc)
            return false;
        KeyboardEventRecord r{vk, 0x1E, flags, 12345};
        return proc(0, message, &r) != 0;
    }
};

class Hook : public ::testing::Test {
protected:
    void SetUp() override { setKeystrokeSource(source); }
    void TearDown() override {
        UninstallHook();
        setKeystrokeSource(nullptr);
    }
    std::shared_ptr<FakeSource> source = std::make_shared<FakeSource>();
    MessageLog log;

    std::vector<std::pair<std::uintptr_t, std::intptr_t>> messages() {
        std::vector<std::pair<std::uintptr_t, std::intptr_t>> out;
        for (const auto& e : log.entries) {
            EXPECT_EQ(e.msg, kMsgHookKey);
            EXPECT_EQ(e.window, 42u);
            out.emplace_back(e.w, e.l);
        }
        return out;
    }
};

TEST_F(Hook, PressAndReleaseOfA) {
    InstallHook(42);
    EXPECT_EQ(source->starts, 1);
    EXPECT_TRUE(source->key(kKeyDown, 0x41));
    EXPECT_TRUE(source->key(kKeyUp, 0x41));
    EXPECT_EQ(messages(),
              (std::vector<std::pair<std::uintptr_t, std::intptr_t>>{{0x41, 0}, {0x80000041u, 0}}));
}

struct EventCase {
    unsigned message;
    std::uint32_t vk;
    std::uint32_t flags;
    std::uintptr_t w;
    std::intptr_t l;
};

class HookEvents : public Hook, public ::testing::WithParamInterface<EventCase> {};

TEST_P(HookEvents, FlagsAndExtendedBit) {
    const auto c = GetParam();
    InstallHook(42);
    KeyboardEventRecord r{c.vk, 0, c.flags, 0};
    EXPECT_EQ(KeyBoardProc(-5, c.message, &r), 1);
    EXPECT_EQ(messages(), (std::vector<std::pair<std::uintptr_t, std::intptr_t>>{{c.w, c.l}}));
}

INSTANTIATE_TEST_SUITE_P(
    Events, HookEvents,
    ::testing::Values(EventCase{kKeyDown, 0xA3, 1, 0xA3, 0x01000000},  // right Ctrl
                      EventCase{kSysKeyDown, 0x09, 0, 0x40000009u, 0}, // Tab with Alt
                      EventCase{kSysKeyUp, 0xA4, 0, 0xC00000A4u, 0},
                      EventCase{kSysKeyDown, 0xA5, 1, 0x400000A5u, 0x01000000},
                      EventCase{kKeyUp, 0x25, 0x81, 0x80000025u, 0x01000000}, // only bit 0
                      EventCase{999, 0x41, 0x10, 0x41, 0}));                  // other message

TEST_F(Hook, NothingArrivesAfterUninstall) {
    InstallHook(42);
    UninstallHook();
    EXPECT_EQ(source->stops, 1);
    EXPECT_FALSE(source->key(kKeyDown, 0x41)); // the source no longer delivers
    KeyboardEventRecord r{0x41, 0, 0, 0};
    KeyBoardProc(0, kKeyDown, &r); // even a late event posts nothing
    EXPECT_TRUE(log.entries.empty());
    UninstallHook(); // without a hook: no effect
    EXPECT_EQ(source->stops, 1);
}

TEST_F(Hook, SourceRegisteredWhileInstalledTakesOver) {
    setKeystrokeSource(nullptr);
    InstallHook(42); // no source yet: simply no keystrokes
    auto late = std::make_shared<FakeSource>();
    setKeystrokeSource(late);
    EXPECT_EQ(late->starts, 1);
    EXPECT_TRUE(late->key(kKeyDown, 0x20));
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(KeyBoardProc(0, kKeyDown, nullptr), 1);
}

} // namespace
