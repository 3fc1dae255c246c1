// The command table of qorvantctl, run as a program against the simulated keyboard in a
// temporary folder: outputs, exit statuses, messages, the keyboard's memory in the state
// file and the exact reports in the trace.

#include "app/config/ConfigStore.h"
#include "simulator/SimulatorBackend.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

std::string hexLine(char direction, const std::array<std::uint8_t, 64>& body) {
    static const char d[] = "0123456789abcdef";
    std::string line(1, direction);
    line += ' ';
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (i) {
            line += ' ';
        }
        line += d[body[i] >> 4];
        line += d[body[i] & 15];
    }
    return line;
}

std::array<std::uint8_t, 64> body(std::initializer_list<int> head, int fill = 0) {
    std::array<std::uint8_t, 64> b{};
    b.fill(static_cast<std::uint8_t>(fill));
    std::size_t i = 0;
    for (int v : head) {
        b[i++] = static_cast<std::uint8_t>(v);
    }
    return b;
}

// A well-formed Intel HEX image of `count` data records and the end record.
std::string hexImage(int count) {
    std::string text;
    static const char d[] = "0123456789ABCDEF";
    for (int r = 0; r < count; ++r) {
        std::vector<int> bytes = {16, (r * 16) >> 8 & 0xFF, (r * 16) & 0xFF, 0};
        for (int i = 0; i < 16; ++i) {
            bytes.push_back((r * 7 + i) & 0xFF);
        }
        int sum = 0;
        for (int b : bytes) {
            sum += b;
        }
        bytes.push_back((256 - (sum & 0xFF)) & 0xFF);
        text += ':';
        for (int b : bytes) {
            text += d[b >> 4];
            text += d[b & 15];
        }
        text += "\r\n";
    }
    return text + ":00000001FF\r\n";
}

class CtlEndToEnd : public ::testing::Test {
protected:
    fs::path dir;
    fs::path state;
    fs::path trace;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qorvantctl-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        state = dir / "keyboard.state";
        trace = dir / "trace.log";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    Outcome run(const std::vector<std::string>& args) {
        Outcome outcome;
        fs::path outFile = dir / "stdout.txt";
        fs::path errFile = dir / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<std::string> all = {QORVANTCTL_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        int rc = posix_spawn(&pid, QORVANTCTL_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << QORVANTCTL_PATH;
            return outcome;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.out = readFile(outFile);
        outcome.err = readFile(errFile);
        return outcome;
    }

    // Runs against the simulated keyboard kept in `state`, tracing into `trace`.
    Outcome sim(std::vector<std::string> args, const std::string& model = "") {
        std::vector<std::string> all = {model.empty() ? "--simulate" : "--simulate=" + model,
                                        "--state", state.string(), "--trace", trace.string()};
        all.insert(all.end(), args.begin(), args.end());
        return run(all);
    }

    std::unique_ptr<SimulatorBackend> keyboard() {
        auto kb = std::make_unique<SimulatorBackend>(1);
        EXPECT_TRUE(kb->loadState(state)) << "state file missing or damaged";
        return kb;
    }

    static std::unique_ptr<ConfigStore> freshStore(int deviceType) {
        auto store = std::make_unique<ConfigStore>();
        store->initNameTables();
        store->language = "en-US";
        store->deviceType = deviceType;
        store->resetToDefaults();
        return store;
    }
};

// A failing run says why in one line that names the file.
void expectMessage(const Outcome& o, int status, const std::string& subject,
                   const std::string& reason) {
    EXPECT_EQ(o.status, status) << o.err;
    EXPECT_EQ(o.out, "");
    ASSERT_EQ(lines(o.err).size(), 1u) << o.err;
    EXPECT_EQ(o.err.rfind("qorvantctl: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find(subject), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
}

} // namespace

TEST_F(CtlEndToEnd, DetectAndVersionWithTheirExactReports) {
    Outcome detect = sim({"detect"}, "3");
    EXPECT_EQ(detect.status, 0) << detect.err;
    EXPECT_EQ(detect.out, "3 537RM(S)ZQ\n");
    EXPECT_EQ(detect.err, "");
    EXPECT_EQ(readFile(trace), ""); // finding the model exchanges no report

    EXPECT_EQ(sim({"detect"}).out, "3 537RM(S)ZQ\n") << "the state file keeps the model";

    Outcome version = sim({"version"});
    EXPECT_EQ(version.status, 0) << version.err;
    std::string text = keyboard()->versionText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(version.out, text + "\n");

    auto reply = body({0x00, 0xF9});
    std::copy(text.begin(), text.end(), reply.begin() + 2);
    EXPECT_EQ(lines(readFile(trace)),
              (std::vector<std::string>{hexLine('>', body({0x00, 0xF9})), hexLine('<', reply)}));

    // Each run appends to the trace.
    sim({"version"});
    EXPECT_EQ(lines(readFile(trace)).size(), 4u);

    for (auto [model, line] : {std::pair{"1", "1 537RM(XRGB)ZQ.BLe\n"},
                               {"2", "2 537RM(S)ZQ.BLe\n"},
                               {"4", "4 537RM(XRGB)ZQ\n"},
                               {"5", "5 537RM(XRGB)ZQ.BLe\n"}}) {
        EXPECT_EQ(run({std::string("--simulate=") + model, "detect"}).out, line);
    }
}

TEST_F(CtlEndToEnd, WriteLightSendsTheBacklightReportsExactly) {
    auto store = freshStore(1);
    std::array<std::uint8_t, 324> expected{};
    for (int k = 1; k <= 108; ++k) {
        int rgb[3] = {k, (k * 2) & 0xFF, 255 - k};
        for (int c = 0; c < 3; ++c) {
            store->lightTable[k][c] = rgb[c];
            expected[static_cast<std::size_t>(3 * (k - 1) + c)] = static_cast<std::uint8_t>(rgb[c]);
        }
    }
    fs::path profile = dir / "light.pro";
    ASSERT_TRUE(store->saveProfile(profile));

    Outcome o = sim({"write-light", profile.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "") << "no progress bar when stderr is no terminal";

    std::vector<std::string> want = {hexLine('>', body({0x00, 0xE1}))};
    for (std::size_t sent = 0; sent < 324;) {
        std::size_t n = std::min<std::size_t>(61, 324 - sent);
        auto piece = body({0x00, 0xE0, static_cast<int>(n)});
        std::copy_n(expected.begin() + static_cast<long>(sent), n, piece.begin() + 3);
        want.push_back(hexLine('>', piece));
        sent += n;
    }
    want.push_back(hexLine('>', body({}, 0xE6)));
    EXPECT_EQ(lines(readFile(trace)), want);
    EXPECT_EQ(keyboard()->light(), expected) << "the state file holds what was written";
}

TEST_F(CtlEndToEnd, WriteThenReadGivesTheAssignmentsBack) {
    auto store = freshStore(1);
    auto list = [](std::vector<std::u16string> items, int sizeOfView) {
        ListRecord l;
        l.SizeOfView = sizeOfView;
        l.clear();
        for (auto& item : items) {
            l.setOrAppend(20000, item);
        }
        return l;
    };
    store->keyMode[5][0] = 2; // combination
    store->keyLists[5][0].copyFrom(list({u"LCTRL", u"C"}, 6));
    store->keyMode[10][1] = 3; // macro with per-item delays
    ListRecord macro = list({u"A Down", u"<50 ms>", u"B Down"}, 9);
    macro.Cycles = 3;
    store->keyLists[10][1].copyFrom(macro);
    store->keyMode[20][0] = 4; // emulation
    ListRecord emulation = list({u"W"}, 9);
    emulation.Delay = 100;
    store->keyLists[20][0].copyFrom(emulation);
    store->keyMode[30][0] = 6; // left double click
    store->keyHwCode[30][0] = 199;
    store->keyMode[40][0] = 0; // cleared
    store->lightTable[1][0] = 200;
    store->lightTable[108][2] = 7;
    fs::path profile = dir / "in.pro";
    fs::path back = dir / "back.pro";
    ASSERT_TRUE(store->saveProfile(profile));

    Outcome write = sim({"write", profile.string()});
    ASSERT_EQ(write.status, 0) << write.err;
    auto reports = lines(readFile(trace));
    // Keys first (start, 216 slots with one extra chunk at most, end), then the light.
    ASSERT_GE(reports.size(), 218u + 8u);
    EXPECT_EQ(reports.front(), hexLine('>', body({0x00, 0xF1})));
    EXPECT_EQ(reports[reports.size() - 9], hexLine('>', body({0x00}, 0xF6)));
    EXPECT_EQ(reports.back(), hexLine('>', body({}, 0xE6)));
    // Key 5, top layer: a normal record of LCTRL and C.
    EXPECT_EQ(reports[5], hexLine('>', body({0x00, 0xF0, 1, 5, 0, 2, 0x43, 0x3A})));

    Outcome read = sim({"read", back.string()});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 6)
        << "only the state, trace, two profiles and the captured outputs are left";

    auto result = freshStore(1);
    ASSERT_TRUE(result->loadProfile(back));
    EXPECT_EQ(result->keyMode[5][0], 2);
    EXPECT_EQ(result->keyDisplayText(5, 0), u"LCTRL | C");
    EXPECT_EQ(result->keyMode[10][1], 3);
    EXPECT_EQ(result->keyLists[10][1].items, (std::vector<std::u16string>{u"A", u"<50 ms>", u"B"}));
    EXPECT_EQ(result->keyLists[10][1].Cycles, 3);
    EXPECT_EQ(result->keyMode[20][0], 4);
    EXPECT_EQ(result->keyLists[20][0].Delay, 100);
    EXPECT_EQ(result->keyMode[30][0], 6);
    EXPECT_EQ(result->keyHwCode[30][0], 199);
    EXPECT_EQ(result->keyMode[40][0], 0);
    EXPECT_EQ(result->keyMode[1][0], 1); // untouched keys keep their factory codes
    EXPECT_EQ(result->keyHwCode[1][0], 1);
    EXPECT_EQ(result->lightTable[1][0], 200);
    EXPECT_EQ(result->lightTable[108][2], 7);

    Outcome show = run({"show", back.string()});
    ASSERT_EQ(show.status, 0) << show.err;
    auto shown = lines(show.out);
    ASSERT_EQ(shown.size(), 216u);
    EXPECT_EQ(shown[0], "1 0 Single ESC");
    EXPECT_EQ(shown[8], "5 0 Combo LCTRL | C");
    EXPECT_EQ(shown[19], "10 1 Macro A,50,B");
    EXPECT_EQ(shown[38], "20 0 Emulation W");
    EXPECT_EQ(shown[58], "30 0 Mouse Left Double Click");
    EXPECT_EQ(shown[78], "40 0 Not set ");
    EXPECT_EQ(shown[143], "72 1 Function FN");

    Outcome zh = run({"--lang", "zh-CN", "show", back.string()});
    EXPECT_EQ(lines(zh.out)[8], "5 0 组合键 LCTRL | C");
}

TEST_F(CtlEndToEnd, CountersFollowTheSimulatedPresses) {
    Outcome none = sim({"counters"});
    ASSERT_EQ(none.status, 0) << none.err;
    auto quiet = lines(none.out);
    ASSERT_EQ(quiet.size(), 110u);
    EXPECT_EQ(quiet[0], "1 Esc 0");
    EXPECT_EQ(quiet[107], "108 KPEnter 0");
    EXPECT_EQ(quiet[108], "most: -");
    EXPECT_EQ(quiet[109], "least: -");

    ASSERT_EQ(sim({"sim-press", "7", "10"}).status, 0);
    ASSERT_EQ(sim({"sim-press", "9", "10"}).status, 0);
    ASSERT_EQ(sim({"sim-press", "54"}).status, 0);
    ASSERT_EQ(sim({"sim-press", "54", "2"}).status, 0);
    EXPECT_EQ(keyboard()->counter(54), 3u);

    Outcome some = sim({"counters"});
    ASSERT_EQ(some.status, 0) << some.err;
    auto counted = lines(some.out);
    ASSERT_EQ(counted.size(), 110u);
    EXPECT_EQ(counted[6], "7 F6 10");
    EXPECT_EQ(counted[8], "9 F8 10");
    EXPECT_EQ(counted[53], "54 Enter 3");
    EXPECT_EQ(counted[108], "most: F6"); // the tie goes to the lower key
    EXPECT_EQ(counted[109], "least: Enter");

    // Without a state file every run starts from a fresh keyboard.
    EXPECT_EQ(lines(run({"--simulate", "counters"}).out)[6], "7 F6 0");
}

TEST_F(CtlEndToEnd, FirmwareIsDownloadedOnlyWhenNameAndContentAreRight) {
    fs::path good = dir / "537RM(XRGB)ZQ.BLe_V2.00.bin";
    writeFile(good, hexImage(20));
    Outcome ok = sim({"firmware", good.string()});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.out.find("The Firmware is downloaded successfully."), std::string::npos);
    auto kb = keyboard();
    EXPECT_EQ(kb->firmwareRecords().size(), 21u);
    EXPECT_EQ(kb->invalidFirmwareRecords(), 0u);
    auto reports = lines(readFile(trace));
    ASSERT_EQ(reports.size(), 21u);
    EXPECT_EQ(reports.back(), hexLine('>', body({0x00, 0x3A, 0x00, 0x00, 0x00, 0x01, 0xFF})));

    struct Refusal {
        std::string name;
        std::string text;
        std::string reason;
        std::string model;
    };
    std::string badSum = hexImage(3);
    badSum[10] = badSum[10] == '0' ? '1' : '0';
    const Refusal refusals[] = {
        {"537RM(S)ZQ_V2.00.bin", hexImage(2), "does not match,please select 537RM(XRGB)ZQ.BLe", ""},
        {"x537RM(XRGB)ZQ.BLe_V2.bin", hexImage(2), "does not match", ""},
        {"537RM(XRGB)ZQ.BLe_sum.bin", badSum, "line 1: checksum", ""},
        {"537RM(XRGB)ZQ.BLe_cut.bin", hexImage(4).substr(0, 90), "end-of-file", ""},
        {"537RM(XRGB)ZQ.BLe_text.bin", "hello\r\n", "':'", ""},
        {"537RM(XRGB)ZQ.BLe_V1.bin", "not hex", "does not match,please select 537RM(S)ZQ ", "3"},
    };
    for (const auto& r : refusals) {
        fs::remove(trace);
        fs::path file = dir / r.name;
        writeFile(file, r.text);
        Outcome refused = r.model.empty() ? sim({"firmware", file.string()})
                                          : run({"--simulate=" + r.model, "--trace", trace.string(),
                                                 "firmware", file.string()});
        expectMessage(refused, 2, file.string(), r.reason);
        EXPECT_FALSE(fs::exists(trace) && !readFile(trace).empty()) << r.name << ": sent reports";
    }
    EXPECT_EQ(keyboard()->firmwareRecords().size(), 21u) << "refused files sent nothing";

    expectMessage(sim({"firmware", (dir / "537RM(XRGB)ZQ.BLe_missing.bin").string()}), 2,
                  "537RM(XRGB)ZQ.BLe_missing.bin", "Can't open firmware file");
}

TEST_F(CtlEndToEnd, DefaultsAreTheModelsFactoryConfiguration) {
    fs::path one = dir / "one.pro";
    fs::path three = dir / "three.pro";
    ASSERT_EQ(run({"--simulate", "defaults", one.string()}).status, 0);
    ASSERT_EQ(run({"--simulate=3", "defaults", three.string()}).status, 0);
    auto showOne = lines(run({"show", one.string()}).out);
    auto showThree = lines(run({"show", three.string()}).out);
    ASSERT_EQ(showOne.size(), 216u);
    ASSERT_EQ(showThree.size(), 216u);
    EXPECT_EQ(showOne[3].substr(0, 15), "2 1 Multimedia ");
    EXPECT_EQ(showThree[3], "2 1 Not set ");
    EXPECT_EQ(
        readFile(one).rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<537RM(XRGB)ZQ.BLe>", 0),
        0u);

    // A fresh simulated keyboard already holds these: reading it gives the same profile.
    fs::path read = dir / "read.pro";
    ASSERT_EQ(run({"--simulate=3", "read", read.string()}).status, 0);
    EXPECT_EQ(lines(run({"show", read.string()}).out), showThree);
}

TEST_F(CtlEndToEnd, BadInputIsRefusedWithExitTwoAndNothingIsLost) {
    fs::path missing = dir / "missing.pro";
    fs::path garbage = dir / "garbage.pro";
    writeFile(garbage, "this is no profile\n");
    fs::path folder = dir / "folder.pro";
    fs::create_directory(folder);

    expectMessage(run({"show", missing.string()}), 2, missing.string(), "No such file");
    expectMessage(run({"show", garbage.string()}), 2, garbage.string(), "not a valid profile");
    expectMessage(run({"show", folder.string()}), 2, folder.string(), "directory");
    expectMessage(run({"show", "/dev/zero"}), 2, "/dev/zero", "not a regular file");
    expectMessage(run({"--simulate", "firmware", "/dev/zero"}), 2, "/dev/zero",
                  "not a regular file");
    expectMessage(run({"--simulate", "--state", "/dev/null", "detect"}), 2, "/dev/null",
                  "state file");
    expectMessage(sim({"write", garbage.string()}), 2, garbage.string(), "not a valid profile");
    EXPECT_FALSE(fs::exists(trace) && !readFile(trace).empty()) << "a bad profile sent reports";

    // A damaged state file is refused and left as it is.
    writeFile(state, "QORVANT-SIM-STATE 1\nmodel 1\n");
    expectMessage(sim({"counters"}), 2, state.string(), "state file");
    EXPECT_EQ(readFile(state), "QORVANT-SIM-STATE 1\nmodel 1\n");

    // A state file of one model is not taken for another.
    fs::remove(state);
    ASSERT_EQ(sim({"version"}, "2").status, 0);
    expectMessage(sim({"version"}, "4"), 2, state.string(), "model 2");

    fs::path noFolder = dir / "no" / "such" / "folder.pro";
    expectMessage(sim({"read", noFolder.string()}), 2, noFolder.string(), "cannot write");

    struct Usage {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Usage usages[] = {
        {{}, "no command"},
        {{"launch"}, "launch"},
        {{"--simulate=9", "detect"}, "9"},
        {{"--lang", "de-DE", "detect"}, "de-DE"},
        {{"--state", state.string(), "detect"}, "--simulate"},
        {{"sim-press", "1"}, "--simulate"},
        {{"--simulate", "sim-press", "0"}, "1..108"},
        {{"--simulate", "sim-press", "109"}, "1..108"},
        {{"--simulate", "sim-press", "5", "many"}, "many"},
        {{"write"}, "PROFILE"},
        {{"--trace", (dir / "no" / "t.log").string(), "--simulate", "detect"}, "t.log"},
    };
    for (const auto& u : usages) {
        Outcome o = run(u.args);
        EXPECT_EQ(o.status, 2) << u.mentions << ": " << o.err;
        EXPECT_EQ(lines(o.err).size(), 1u) << o.err;
        EXPECT_NE(o.err.find(u.mentions), std::string::npos) << o.err;
    }

    Outcome zh = run({"--lang", "zh-CN", "show", garbage.string()});
    expectMessage(zh, 2, garbage.string(), "不是有效的配置文件");

    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("sim-press KEY [N]"), std::string::npos);
}

TEST_F(CtlEndToEnd, NoKeyboardMeansExitOne) {
    // No keyboard of the family is attached to a test machine; the USB path must say so
    // rather than hang or pretend.
    for (const char* command : {"detect", "version", "counters"}) {
        Outcome o = run({command});
        expectMessage(o, 1, "", "Keyboard is not connected!");
    }
    fs::path profile = dir / "p.pro";
    expectMessage(run({"defaults", profile.string()}), 1, "", "Keyboard is not connected!");
    EXPECT_FALSE(fs::exists(profile));
}

TEST_F(CtlEndToEnd, ShippedExampleSurvivesTheKeyboardUnchanged) {
    // What the demo does: the example written to the keyboard and read back shows exactly
    // as the example itself.
    const std::string example = QORVANT_EXAMPLE_PROFILE;
    Outcome shown = run({"show", example});
    ASSERT_EQ(shown.status, 0) << shown.err;
    ASSERT_EQ(sim({"write", example}).status, 0);
    fs::path back = dir / "back.pro";
    ASSERT_EQ(sim({"read", back.string()}).status, 0);
    Outcome again = run({"show", back.string()});
    EXPECT_EQ(again.out, shown.out);
    EXPECT_NE(shown.out.find("\n13 1 Macro H,20,H,20,I,20,I\n"), std::string::npos);
}
