// The command-line tool's own pieces: argument parsing, the firmware checks and the trace
// line format. The commands themselves are tested end to end in CtlEndToEndTest.

#include "CommandLine.h"
#include "Firmware.h"
#include "IntelHex.h"
#include "Progress.h"
#include "TraceBackend.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace qorvantctl;

namespace {

ParseResult parse(std::vector<std::string> args) {
    args.insert(args.begin(), "qorvantctl");
    return parseCommandLine(args);
}

} // namespace

TEST(CtlCommandLine, AcceptsTheContractForms) {
    auto r = parse(
        {"--simulate=3", "--state", "s.txt", "--trace=t.log", "--lang", "zh-CN", "write", "p.pro"});
    ASSERT_TRUE(r.ok) << r.error.en;
    EXPECT_TRUE(r.options.simulate);
    EXPECT_EQ(r.options.model, 3);
    EXPECT_TRUE(r.options.modelGiven);
    EXPECT_EQ(r.options.statePath->string(), "s.txt");
    EXPECT_EQ(r.options.tracePath->string(), "t.log");
    EXPECT_EQ(r.options.language, "zh-CN");
    EXPECT_EQ(r.options.command, "write");
    EXPECT_EQ(r.options.args, std::vector<std::string>{"p.pro"});

    auto plain = parse({"--simulate", "sim-press", "5", "3"});
    ASSERT_TRUE(plain.ok) << plain.error.en;
    EXPECT_EQ(plain.options.model, 1);
    EXPECT_FALSE(plain.options.modelGiven);
    EXPECT_EQ(plain.options.language, "en-US");
    EXPECT_EQ(plain.options.args, (std::vector<std::string>{"5", "3"}));

    // Options after the command, and "--" before a file name that looks like an option.
    auto late = parse({"show", "--lang=zh-CN", "--", "--odd.pro"});
    ASSERT_TRUE(late.ok) << late.error.en;
    EXPECT_EQ(late.options.language, "zh-CN");
    EXPECT_EQ(late.options.args, std::vector<std::string>{"--odd.pro"});

    EXPECT_TRUE(parse({"--help"}).options.help);
}

TEST(CtlCommandLine, RefusesBadUsageWithAReason) {
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "frobnicate"},
        {{"--bogus", "detect"}, "--bogus"},
        {{"--simulate=6", "detect"}, "6"},
        {{"--simulate=", "detect"}, "--simulate"},
        {{"--simulate=1x", "detect"}, "1x"},
        {{"--lang", "fr-FR", "detect"}, "fr-FR"},
        {{"detect", "--lang"}, "--lang"},
        {{"--trace=", "detect"}, "--trace"},
        {{"--state", "s", "detect"}, "--simulate"},
        {{"sim-press", "3"}, "--simulate"},
        {{"write"}, "PROFILE"},
        {{"show", "a.pro", "b.pro"}, "PROFILE"},
        {{"detect", "extra"}, "no arguments"},
        {{"--simulate", "sim-press"}, "KEY"},
        {{"--simulate", "sim-press", "1", "2", "3"}, "KEY"},
    };
    for (const auto& c : cases) {
        auto r = parse(c.args);
        std::string joined;
        for (const auto& a : c.args) {
            joined += a + " ";
        }
        EXPECT_FALSE(r.ok) << joined;
        EXPECT_NE(r.error.en.find(c.mentions), std::string::npos) << joined << "-> " << r.error.en;
        EXPECT_EQ(r.error.en.find('\n'), std::string::npos) << joined;
        EXPECT_FALSE(r.error.zh.empty()) << joined;
    }
}

namespace {

// A complete image: two data records, an extended address record and the end record.
const std::string kGoodHex = ":10010000214601360121470136007EFE09D2190140\r\n"
                             ":100110002146017E17C20001FF5F16002148011928\r\n"
                             ":020000040000FA\r\n"
                             ":00000001FF\r\n";

} // namespace

TEST(CtlIntelHex, AcceptsCompleteImagesWhateverTheLineEnds) {
    std::string crOnly, lfOnly, withBlanks;
    for (char c : kGoodHex) {
        if (c != '\n') {
            crOnly += c;
        }
        if (c != '\r') {
            lfOnly += c;
        }
    }
    withBlanks = "\r\n" + kGoodHex.substr(0, 44) + "\r\n\r\n" + kGoodHex.substr(44) + "\n\n";
    std::string lowerNoFinalEnd = ":10010000214601360121470136007efe09d2190140\n:00000001FF";
    for (const std::string& text : {kGoodHex, crOnly, lfOnly, withBlanks}) {
        HexCheck check = checkIntelHex(text);
        ASSERT_TRUE(check.ok) << check.reason.en;
        EXPECT_EQ(check.records, 4u);
        // What the download gets: one CR LF per record and nothing else.
        EXPECT_EQ(check.normalized, kGoodHex);
    }
    HexCheck lower = checkIntelHex(lowerNoFinalEnd);
    ASSERT_TRUE(lower.ok) << lower.reason.en;
    EXPECT_EQ(lower.normalized, ":10010000214601360121470136007efe09d2190140\r\n:00000001FF\r\n");
}

TEST(CtlIntelHex, RefusesBrokenImagesNamingLineAndReason) {
    struct Case {
        std::string text;
        std::size_t line;
        std::string reason;
    };
    const std::string eof = ":00000001FF\r\n";
    const Case cases[] = {
        {"", 0, "no records"},
        {"\r\n\r\n", 0, "no records"},
        {":10010000214601360121470136007EFE09D2190140\r\n", 0, "no end-of-file"},
        {":10010000214601360121470136007EFE09D2190141\r\n" + eof, 1, "checksum"},
        {":10010000214601360121470136007EFE09D219014\r\n" + eof, 1, "odd"},
        {":1001000021460136012147013600ZZFE09D2190140\r\n" + eof, 1, "hexadecimal"},
        {" :00000001FF\r\n", 1, "':'"},
        {"\xEF\xBB\xBF:00000001FF\r\n", 1, "':'"},
        {":0F010000214601360121470136007EFE09D2190141\r\n" + eof, 1, "byte count"},
        {":000000FF\r\n" + eof, 1, "too short"},
        {":00000006FA\r\n" + eof, 1, "record type"},
        {":01000001AA54\r\n", 1, "carries data"},
        {eof + ":020000040000FA\r\n", 2, "after the end-of-file"},
        {":020000040000FA\r\n:00000001FF trailing\r\n", 2, "hexadecimal"},
    };
    for (const auto& c : cases) {
        HexCheck check = checkIntelHex(c.text);
        EXPECT_FALSE(check.ok) << c.text;
        EXPECT_EQ(check.line, c.line) << c.text << " -> " << check.reason.en;
        EXPECT_NE(check.reason.en.find(c.reason), std::string::npos)
            << c.text << " -> " << check.reason.en;
    }

    // 58 record bytes fit the keyboard's 62; 58 data bytes (63 in all) would be cut short.
    auto record = [](int dataBytes) {
        std::string line = ":";
        int sum = 0;
        auto put = [&](int b) {
            static const char d[] = "0123456789ABCDEF";
            line += d[b >> 4];
            line += d[b & 15];
            sum += b;
        };
        put(dataBytes);
        put(0);
        put(0);
        put(0);
        for (int i = 0; i < dataBytes; ++i) {
            put(i);
        }
        put((256 - (sum & 0xFF)) & 0xFF);
        return line + "\r\n";
    };
    EXPECT_TRUE(checkIntelHex(record(57) + eof).ok);
    HexCheck tooLong = checkIntelHex(record(58) + eof);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_NE(tooLong.reason.en.find("62"), std::string::npos) << tooLong.reason.en;
}

TEST(CtlFirmwareName, FollowsTheModelPrefix) {
    struct Case {
        int deviceType;
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {3, "537RM(S)ZQ_V1.2.bin", true},      {3, "/some/folder/537RM(S)ZQ_V1.2.bin", true},
        {3, "537RM(S)ZQ.BLe_V1.2.bin", false}, {3, "x537RM(S)ZQ_V1.2.bin", false},
        {3, "537rm(s)zq_V1.2.bin", false},     {3, "537RM(S)ZQ_/other.bin", false},
        {2, "537RM(S)ZQ.BLe_2.bin", true},     {4, "537RM(XRGB)ZQ_4.bin", true},
        {4, "537RM(XRGB)ZQ.BLe_4.bin", false}, {1, "537RM(XRGB)ZQ.BLe_1.bin", true},
        {5, "537RM(XRGB)ZQ.BLe_1.bin", true},  {0, "537RM(XRGB)ZQ.BLe_1.bin", true},
        {1, "537RM(XRGB)ZQ_1.bin", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firmwareNameMatches(c.path, c.deviceType), c.accepted)
            << c.deviceType << " " << c.path;
    }
}

TEST(CtlTrace, LineIsTheBodyInLowerCaseHex) {
    std::array<std::uint8_t, 65> report{};
    report[0] = 0x55; // the report ID is not part of the line
    report[1] = 0x00;
    report[2] = 0xF9;
    report[64] = 0xAB;
    std::string expected = "> 00 f9";
    for (int i = 3; i < 64; ++i) {
        expected += " 00";
    }
    expected += " ab";
    EXPECT_EQ(ReportLog::formatLine('>', report.data(), report.size()), expected);
    // A short report is padded with zeros to the full body.
    std::string shortLine = ReportLog::formatLine('<', report.data(), 3);
    EXPECT_EQ(shortLine.size(), 2 + 64 * 3 - 1);
    EXPECT_EQ(shortLine.substr(0, 10), "< 00 f9 00");
}

TEST(CtlProgress, BarShowsPercentAndStaysOnOneLine) {
    EXPECT_EQ(ProgressBar::render("keys", 50), "\rkeys [###############               ]  50%");
    EXPECT_EQ(ProgressBar::render("keys", 250), ProgressBar::render("keys", 100));
}
