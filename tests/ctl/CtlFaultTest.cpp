// A keyboard that goes away or falls silent in the middle of a command: the command must
// fail with status 1 and a message, write no half result, and never hang.

#include "Ctl.h"

#include "simulator/SimulatorBackend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace qorvantctl;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string drain(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
        text.append(buffer, n);
    }
    std::fclose(f);
    return text;
}

Outcome runWith(std::vector<std::string> args, const SimulatorHook& hook) {
    args.insert(args.begin(), "qorvantctl");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Outcome o;
    o.status = runCtl(args, out, err, false, hook);
    o.out = drain(out);
    o.err = drain(err);
    return o;
}

class CtlFaults : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qorvantctl-fault-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

} // namespace

TEST_F(CtlFaults, BrokenTransfersEndWithStatusOneAndAMessage) {
    fs::path profile = dir / "p.pro";
    ASSERT_EQ(runWith({"--simulate", "defaults", profile.string()}, {}).status, 0);
    fs::path firmware = dir / "537RM(XRGB)ZQ.BLe_1.bin";
    {
        std::FILE* f = std::fopen(firmware.c_str(), "wb");
        std::fputs(":10010000214601360121470136007EFE09D2190140\r\n"
                   ":100110002146017E17C20001FF5F16002148011928\r\n"
                   ":00000001FF\r\n",
                   f);
        std::fclose(f);
    }
    auto unplug = [](long long after) {
        return [after](SimulatorBackend& kb) { kb.unplugAfter(after); };
    };
    auto silence = [](long long after) {
        return [after](SimulatorBackend& kb) { kb.stopAnsweringAfter(after); };
    };
    struct Case {
        std::vector<std::string> args;
        SimulatorHook fault;
        std::string message;
    };
    fs::path back = dir / "back.pro";
    const Case cases[] = {
        {{"write-keys", profile.string()}, unplug(20), "writing the keys"},
        {{"write", profile.string()}, unplug(220), "writing the backlight"},
        {{"write-light", profile.string()}, unplug(2), "writing the backlight"},
        {{"read", back.string()}, silence(1), "reading the keys"},
        {{"read", back.string()}, unplug(50), "reading the keys"},
        {{"counters"}, silence(1), "press counters"},
        {{"version"}, silence(1), "Failed on reading keyboard version infomation"},
        {{"firmware", firmware.string()}, unplug(1), "Firmware download failed."},
        {{"detect"},
         [](SimulatorBackend& kb) { kb.setPlugged(false); },
         "Keyboard is not connected!"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--simulate"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome o = runWith(args, c.fault);
        EXPECT_EQ(o.status, 1) << c.args[0] << ": " << o.err;
        EXPECT_EQ(o.out, "") << c.args[0];
        EXPECT_EQ(o.err.rfind("qorvantctl: ", 0), 0u) << c.args[0];
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.args[0] << ": " << o.err;
        EXPECT_FALSE(fs::exists(back)) << c.args[0] << ": a failed read wrote a profile";
    }
}

TEST_F(CtlFaults, TheStateFileKeepsWhatReachedTheKeyboardBeforeItWasPulled) {
    // A real keyboard keeps the part of a write that arrived; so does the memory file.
    fs::path state = dir / "kb.state";
    fs::path profile = dir / "p.pro";
    ASSERT_EQ(runWith({"--simulate", "defaults", profile.string()}, {}).status, 0);
    Outcome o = runWith({"--simulate", "--state", state.string(), "write-light", profile.string()},
                        [](SimulatorBackend& kb) {
                            std::array<std::uint8_t, SimulatorBackend::kLightBytes> lit{};
                            lit.fill(9);
                            kb.setLight(lit);
                            kb.unplugAfter(3); // start and two pieces arrive
                        });
    EXPECT_EQ(o.status, 1);
    SimulatorBackend kb(1);
    ASSERT_TRUE(kb.loadState(state));
    auto light = kb.light();
    EXPECT_EQ(light[0], 0);   // first piece: the profile's dark keys
    EXPECT_EQ(light[121], 0); // second piece
    EXPECT_EQ(light[323], 9); // never arrived
}

TEST_F(CtlFaults, OutputThatCannotBeWrittenIsNoSuccess) {
    fs::path profile = dir / "p.pro";
    ASSERT_EQ(runWith({"--simulate", "defaults", profile.string()}, {}).status, 0);
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    int status = runCtl({"qorvantctl", "show", profile.string()}, full, err, false);
    std::fclose(full);
    EXPECT_EQ(status, 1);
    EXPECT_NE(drain(err).find("cannot write the output"), std::string::npos);
}
