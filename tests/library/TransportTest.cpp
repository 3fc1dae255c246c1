#include "TestSupport.h"

#include "library/transport/HidapiBackend.h"

#include <string>

namespace {

struct MatchCase {
    const char* path;
    bool match;
    int type;
};

class InterfaceMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(InterfaceMatch, FollowsTheMarkers) {
    const auto& c = GetParam();
    int type = -1;
    EXPECT_EQ(isKeyboardInterface(c.path, &type), c.match) << c.path;
    if (c.match) {
        EXPECT_EQ(type, c.type) << c.path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, InterfaceMatch,
    ::testing::Values(MatchCase{"\\\\?\\hid#vid_0483&pid_502c&mi_01#7&1", true, 1},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_512c&mi_01#x", true, 2},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_522c&mi_01#x", true, 3},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_532c&mi_01#x", true, 4},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_542c&mi_01#x", true, 5},
                      // Another interface of the right keyboard.
                      MatchCase{"\\\\?\\hid#vid_0483&pid_502c&mi_00#x", false, 0},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_502c&mi_02#x", false, 0},
                      // Upper-case hex is a different text.
                      MatchCase{"\\\\?\\hid#vid_0483&pid_502C&mi_01#x", false, 0},
                      MatchCase{"\\\\?\\HID#VID_0483&PID_502c&MI_01#x", false, 0},
                      MatchCase{"\\\\?\\hid#vid_0484&pid_502c&mi_01#x", false, 0},
                      MatchCase{"\\\\?\\hid#vid_0483&pid_552c&mi_01#x", false, 0},
                      // "mi_01" must not stand at the very start.
                      MatchCase{"mi_01vid_0483&pid_502c", false, 0},
                      MatchCase{"xmi_01vid_0483&pid_502c", true, 1},
                      // Shorter remainders fail.
                      MatchCase{"mi_01&pid_502c&vid_048", false, 0},
                      MatchCase{"mi_01&vid_0483&pid_50", false, 0},
                      MatchCase{"\\\\?\\hid#pid_502c&mi_01", false, 0},
                      MatchCase{"\\\\?\\hid#vid_0483&mi_01", false, 0},
                      // Only the first occurrence of each marker counts.
                      MatchCase{"#vid_1234&vid_0483&pid_502c&mi_01", false, 0},
                      MatchCase{"", false, 0}));

TEST(HidapiPathText, CarriesTheMarkersInLowerCaseHex) {
    const std::string text = HidapiBackend::pathText(0x0483, 0x502C, 1, "/dev/hidraw3");
    EXPECT_EQ(text, "\\\\?\\hid#vid_0483&pid_502c&mi_01#/dev/hidraw3");
    int type = 0;
    EXPECT_TRUE(isKeyboardInterface(text, &type));
    EXPECT_EQ(type, 1);
    EXPECT_EQ(HidapiBackend::hidapiPath(text), "/dev/hidraw3");
    EXPECT_FALSE(isKeyboardInterface(HidapiBackend::pathText(0x0483, 0x502C, 0, "/dev/hidraw2")));
    // A device that is not on USB has no interface number and never matches.
    EXPECT_FALSE(isKeyboardInterface(HidapiBackend::pathText(0x0483, 0x502C, -1, "/dev/hidraw9")));
    EXPECT_EQ(HidapiBackend::hidapiPath("/dev/hidraw1"), "/dev/hidraw1");
}

class Scan : public SimFixture {};

TEST_F(Scan, FindsTheModelAndOpensInterfaceOne) {
    for (int model = 1; model <= 5; ++model) {
        auto s = std::make_shared<SimulatorBackend>(model);
        setHidBackend(s);
        EXPECT_TRUE(detectDevice());
        EXPECT_EQ(detectDeviceType(), model);
        auto util = openKeyboard();
        ASSERT_TRUE(util);
        char16_t text[64] = {};
        EXPECT_TRUE(util->readVersion(text));
        // Only mi_01 answers, so a version reply proves which interface was opened.
        EXPECT_EQ(s->writtenReports().size(), 1u);
        EXPECT_EQ(s->readReports().size(), 1u);
    }
}

TEST_F(Scan, TakesTheFirstMatchAndStopsAtAnUnreadablePath) {
    sim->setOtherInterfaces(
        {"\\\\?\\hid#vid_046d&pid_c52b&mi_01#a", "\\\\?\\hid#vid_0483&pid_532c&mi_01#b"});
    EXPECT_EQ(detectDeviceType(), 4); // the other keyboard comes first
    sim->setOtherInterfaces({"\\\\?\\hid#vid_046d&pid_c52b&mi_01#a", ""});
    EXPECT_FALSE(detectDevice());
    EXPECT_EQ(detectDeviceType(), 0);
    EXPECT_FALSE(openKeyboard());
}

TEST_F(Scan, NothingFound) {
    sim->setEnumerationFails(true);
    EXPECT_FALSE(detectDevice());
    EXPECT_EQ(detectDeviceType(), 0);
    sim->setEnumerationFails(false);
    sim->setPlugged(false);
    EXPECT_FALSE(detectDevice());
    EXPECT_EQ(detectDeviceType(), 0);
    EXPECT_FALSE(openKeyboard());
}

// A backend whose open fails: the transport exists and every report then fails.
struct NoOpenBackend : HidBackend {
    bool enumerate(std::vector<std::string>& paths) override {
        paths = {"\\\\?\\hid#vid_0483&pid_502c&mi_01#x"};
        return true;
    }
    std::unique_ptr<HidDevice> open(const std::string&) override { return nullptr; }
};

TEST_F(Scan, FailedOpenStillGivesATransportThatFails) {
    setHidBackend(std::make_shared<NoOpenBackend>());
    auto util = openKeyboard();
    ASSERT_TRUE(util);
    std::uint8_t report[65] = {};
    EXPECT_FALSE(util->writeReport(report, 65));
    int length = 64;
    EXPECT_FALSE(util->readReport(report, length, 100000));
    char16_t text[64];
    EXPECT_FALSE(util->readVersion(text));
}

// A device that hands out scripted reads.
struct ScriptedDevice : HidDevice {
    std::vector<int> results;
    std::vector<Bytes> data;
    std::size_t next = 0;
    int lastTimeout = -1;
    bool write(const std::uint8_t*, std::size_t) override { return true; }
    int read(std::uint8_t* report, std::size_t length, int timeoutMs) override {
        lastTimeout = timeoutMs;
        const int r = results.at(next);
        const Bytes& d = data.at(next);
        ++next;
        std::copy_n(d.begin(), std::min(d.size(), length), report);
        return r;
    }
};

TEST(ReadReport, CopiesTheBodyAndKeepsBoundedLength) {
    auto dev = std::make_unique<ScriptedDevice>();
    Bytes full(65);
    for (int i = 0; i < 65; ++i)
        full[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    dev->results = {65, 0, -1, 65};
    dev->data = {full, full, full, full};
    auto* raw = dev.get();
    CKeyboardUtil util(std::move(dev));

    std::uint8_t buffer[64] = {};
    int length = 64;
    ASSERT_TRUE(util.readReport(buffer, length, 100000));
    EXPECT_EQ(length, 64);
    EXPECT_EQ(buffer[0], 1); // the report ID is dropped
    EXPECT_EQ(buffer[63], 64);
    // The caller's 100000 is not a wait of 100 seconds: the bounded wait applies.
    EXPECT_EQ(raw->lastTimeout, reportReadTimeout());

    std::uint8_t untouched[64] = {0xAA};
    length = 64;
    EXPECT_FALSE(util.readReport(untouched, length, 100000)); // nothing arrived
    EXPECT_FALSE(util.readReport(untouched, length, 100000)); // failure
    EXPECT_EQ(untouched[0], 0xAA);
    EXPECT_EQ(length, 64);

    // A short length copies only that much, and reports what arrived.
    std::uint8_t small[8] = {};
    length = 4;
    ASSERT_TRUE(util.readReport(small, length, 100000));
    EXPECT_EQ(length, 64);
    EXPECT_EQ(small[3], 4);
    EXPECT_EQ(small[4], 0);
}

TEST(ReadTimeout, IsANamedFewSecondsAndSettable) {
    EXPECT_GE(kReportReadTimeoutMs, 1000);
    EXPECT_LE(kReportReadTimeoutMs, 10000);
    setReportReadTimeout(20);
    EXPECT_EQ(reportReadTimeout(), 20);
    setReportReadTimeout(0);
    EXPECT_EQ(reportReadTimeout(), kReportReadTimeoutMs);
}

TEST_F(Scan, SilentKeyboardReallyWaitsOnlyTheBoundedTime) {
    sim->setRealTimeouts(true);
    setReportReadTimeout(30);
    auto util = openKeyboard();
    ASSERT_TRUE(util);
    std::uint8_t buffer[64];
    int length = 64;
    EXPECT_FALSE(util->readReport(buffer, length, 100000)); // returns after ~30 ms
}

struct VersionCase {
    Bytes replyTail; // body bytes from 2 on
    std::u16string text;
};

class Version : public SimFixture, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(Version, TakesBodyBytesTwoOnAsText) {
    SimulatorBackend::Body reply{};
    reply[1] = 0x77; // nothing in the reply is tested
    std::copy(GetParam().replyTail.begin(), GetParam().replyTail.end(), reply.begin() + 2);
    sim->setReplyScript({reply});
    auto util = openKeyboard();
    ASSERT_TRUE(util);
    char16_t text[64];
    std::fill(std::begin(text), std::end(text), u'#');
    ASSERT_TRUE(util->readVersion(text));
    EXPECT_EQ(std::u16string(text), GetParam().text);
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 1u);
    Bytes query(65, 0);
    query[2] = 0xF9;
    EXPECT_EQ(Bytes(sent[0].begin(), sent[0].end()), query);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Version,
    ::testing::Values(VersionCase{{'V', '1', '.', '2'}, u"V1.2"}, VersionCase{{}, u""},
                      VersionCase{Bytes(62, 'A'), std::u16string(62, u'A')},
                      VersionCase{{0xE7, 0x89, 0x88, '2'}, u"\u72482"}, // UTF-8
                      VersionCase{{0xB0, 'x'}, u"\u00B0x"},             // a stray byte
                      VersionCase{{0xF0, 0x9F, 0x98, 0x80}, u"\U0001F600"}));

TEST_F(Scan, VersionFailsWithoutAReply) {
    auto util = openKeyboard();
    ASSERT_TRUE(util);
    sim->stopAnsweringAfter(1);
    char16_t text[64] = {};
    EXPECT_FALSE(util->readVersion(text));
    sim->clearFaults();
    sim->setPlugged(false);
    EXPECT_FALSE(util->readVersion(text));
}

} // namespace
