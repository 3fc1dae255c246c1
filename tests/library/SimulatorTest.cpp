#include "TestSupport.h"

#include "library/interface/CZT40HWI.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

fs::path tempFile(const char* name) {
    return fs::temp_directory_path() /
           (std::string("qorvant-sim-test-") + std::to_string(::getpid()) + "-" + name);
}

TEST(Simulator, FactoryDefaultsFollowTheModel) {
    struct Case {
        int model, slot;
        Bytes head;
    };
    const Case cases[] = {
        {1, 0, {0x00, 0xF0, 1, 1, 0, 1, 1}},           // ESC
        {1, 71, {0x00, 0xF0, 1, 72, 0, 1, 0x9C}},      // Fn
        {1, 74, {0x00, 0xF0, 1, 75, 0, 1, 0x4E}},      //
        {1, 107, {0x00, 0xF0, 1, 108, 0, 1, 0x6B}},    //
        {1, 109, {0x00, 0xF0, 2, 2, 0, 1, 0x76}},      // Fn layer F1
        {3, 109, {0x00, 0xF0, 2, 2, 0, 0, 0}},         // not on model 3
        {1, 116, {0x00, 0xF0, 2, 9, 0, 0, 0}},         // nothing on Fn+F8
        {2, 118, {0x00, 0xF0, 2, 11, 0, 0, 0}},        //
        {4, 108 + 9, {0x00, 0xF0, 2, 10, 0, 1, 0x97}}, //
        {5, 108 + 87, {0x00, 0xF0, 2, 88, 0, 1, 0x6F}},
    };
    for (const auto& c : cases) {
        SimulatorBackend sim(c.model);
        Bytes r = sim.storedRecord(c.slot);
        ASSERT_EQ(r.size(), 64u);
        Bytes expected = c.head;
        expected.resize(64, 0);
        EXPECT_EQ(r, expected) << "model " << c.model << " slot " << c.slot;
    }
    EXPECT_EQ(SimulatorBackend(9).model(), 1);
    EXPECT_EQ(SimulatorBackend(4).keyboardPath(),
              "\\\\?\\hid#vid_0483&pid_532c&mi_01#qorvant-sim-4-1");
}

TEST(Simulator, AnswersADefinitionReadInSlotOrderThenTheEnd) {
    auto sim = std::make_shared<SimulatorBackend>(1);
    setHidBackend(sim);
    auto util = openKeyboard();
    SimulatorBackend::Body request{};
    request[1] = 0xF2;
    ASSERT_TRUE(util->sendBody(request.data()));
    for (int s = 0; s < 216; ++s) {
        SimulatorBackend::Body b{};
        ASSERT_TRUE(util->receiveBody(b.data()));
        EXPECT_EQ(Bytes(b.begin(), b.end()), sim->storedRecord(s));
    }
    SimulatorBackend::Body end{};
    ASSERT_TRUE(util->receiveBody(end.data()));
    EXPECT_EQ(end[0], 0xF6);
    EXPECT_FALSE(util->receiveBody(end.data())); // then nothing
    setHidBackend(nullptr);
}

TEST(Simulator, StateSurvivesAFile) {
    const auto file = tempFile("state");
    SimulatorBackend a(4);
    a.pressKey(3, 17);
    a.pressKey(108, 2);
    a.pressKey(0, 5);  // no such key
    a.pressKey(3, -1); // ignored
    std::array<std::uint8_t, 324> light{};
    light[10] = 0xAB;
    a.setLight(light);
    Bytes macro(128, 0x11);
    macro[1] = 0xF0;
    a.setStoredRecord(5, macro);
    a.setVersionText("V9 test");
    ASSERT_TRUE(a.saveState(file));

    SimulatorBackend b(1);
    ASSERT_TRUE(b.loadState(file));
    EXPECT_EQ(b.model(), 4);
    EXPECT_EQ(b.counter(3), 17u);
    EXPECT_EQ(b.counter(108), 2u);
    EXPECT_EQ(b.light()[10], 0xAB);
    EXPECT_EQ(b.storedRecord(5), macro);
    EXPECT_EQ(b.storedRecord(6), a.storedRecord(6));
    EXPECT_EQ(b.versionText(), "V9 test");
    fs::remove(file);
}

TEST(Simulator, DamagedStateFilesAreRefused) {
    const auto file = tempFile("damaged");
    SimulatorBackend good(2);
    good.pressKey(1, 4);
    ASSERT_TRUE(good.saveState(file));
    std::string text;
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        text = s.str();
    }
    auto write = [&](const std::string& t) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << t;
    };
    std::vector<std::string> damaged = {
        "",
        text.substr(0, text.size() / 2),
        text.substr(0, text.size() - 3),
        "QORVANT-SIM-STATE 2" + text.substr(19),
    };
    std::string flipped = text;
    flipped[text.size() / 3] ^= 0x01;
    damaged.push_back(flipped);
    std::string extra = text + "slot 0 00f0\n";
    damaged.push_back(extra);

    for (std::size_t i = 0; i < damaged.size(); ++i) {
        write(damaged[i]);
        SimulatorBackend sim(5);
        sim.pressKey(2, 9);
        EXPECT_FALSE(sim.loadState(file)) << "case " << i;
        EXPECT_EQ(sim.model(), 5);
        EXPECT_EQ(sim.counter(2), 9u); // unchanged
    }
    write(text);
    SimulatorBackend sim(5);
    EXPECT_TRUE(sim.loadState(file));
    EXPECT_FALSE(sim.loadState(tempFile("missing")));
    fs::remove(file);
}

TEST(Simulator, OnlyInterfaceOneAnswersAndUnplugKillsOldHandles) {
    SimulatorBackend sim(1);
    std::vector<std::string> paths;
    ASSERT_TRUE(sim.enumerate(paths));
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_NE(paths[0].find("mi_00"), std::string::npos);
    auto mi0 = sim.open(paths[0]);
    auto mi1 = sim.open(paths[1]);
    ASSERT_TRUE(mi0 && mi1);
    EXPECT_FALSE(sim.open("elsewhere"));
    SimulatorBackend::Report q{};
    q[2] = 0xF9;
    EXPECT_TRUE(mi0->write(q.data(), q.size()));
    SimulatorBackend::Report r{};
    EXPECT_EQ(mi0->read(r.data(), r.size(), 10), 0);
    EXPECT_TRUE(mi1->write(q.data(), q.size()));
    EXPECT_EQ(mi1->read(r.data(), r.size(), 10), 65);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[2], 0xF9);

    sim.setPlugged(false);
    EXPECT_FALSE(mi1->write(q.data(), q.size()));
    EXPECT_EQ(mi1->read(r.data(), r.size(), 10), -1);
    ASSERT_TRUE(sim.enumerate(paths));
    EXPECT_TRUE(paths.empty());
    EXPECT_FALSE(sim.open(sim.keyboardPath()));
    sim.setPlugged(true);
    EXPECT_FALSE(mi1->write(q.data(), q.size())); // a new plug-in, a new handle
    auto again = sim.open(sim.keyboardPath());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->write(q.data(), q.size()));
}

TEST(Simulator, LatencyAndRealTimeoutsAreOptional) {
    SimulatorBackend sim(1);
    auto dev = sim.open(sim.keyboardPath());
    sim.setLatency(std::chrono::microseconds(200));
    SimulatorBackend::Report q{};
    q[2] = 0xF9;
    EXPECT_TRUE(dev->write(q.data(), q.size()));
    SimulatorBackend::Report r{};
    EXPECT_EQ(dev->read(r.data(), r.size(), 10), 65);
    sim.setRealTimeouts(true);
    EXPECT_EQ(dev->read(r.data(), r.size(), 5), 0);
    sim.clearFaults();
    EXPECT_EQ(dev->read(r.data(), r.size(), 5), 0);
}

} // namespace
