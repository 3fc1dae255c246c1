#include "TestSupport.h"

#include "library/firmware/FirmwareDownload.h"

#include <cstdio>
#include <string>

namespace {

// An Intel HEX data record of 16 bytes at `address`, checksum included.
std::string record(unsigned address, unsigned seed) {
    unsigned char bytes[21] = {16, static_cast<unsigned char>(address >> 8),
                               static_cast<unsigned char>(address), 0};
    for (int i = 0; i < 16; ++i)
        bytes[4 + i] = static_cast<unsigned char>(seed * 31 + static_cast<unsigned>(i));
    unsigned sum = 0;
    for (int i = 0; i < 20; ++i)
        sum += bytes[i];
    bytes[20] = static_cast<unsigned char>(-sum);
    std::string s = ":";
    char hex[3];
    for (unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        s += hex;
    }
    return s;
}

std::string hexFile(int records, const char* lineEnd) {
    std::string text;
    for (int i = 0; i < records - 1; ++i)
        text += record(static_cast<unsigned>(16 * i), static_cast<unsigned>(i)) + lineEnd;
    return text + ":00000001FF" + lineEnd;
}

class Firmware : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        util = openKeyboard();
        ASSERT_TRUE(util);
    }
    bool download(std::string text, WindowHandle window = 9) {
        text.push_back('\0');
        return downloadFirmware(*util, text.data(), static_cast<int>(text.size() - 1), window);
    }
    std::unique_ptr<CZT40Util> util;
    MessageLog log;
};

TEST_F(Firmware, ThreeHundredRecordsWithProgress) {
    for (const char* end : {"\r\n", "\r", "\n"}) {
        sim->resetMemory();
        sim->clearReportLog();
        log.entries.clear();
        ASSERT_TRUE(download(hexFile(300, end)));
        const auto records = sim->firmwareRecords();
        ASSERT_EQ(records.size(), 300u);
        EXPECT_EQ(sim->invalidFirmwareRecords(), 0u);
        EXPECT_EQ(records.back().bytes, (Bytes{0x00, 0x00, 0x00, 0x01, 0xFF}));
        const auto progress = log.params(kMsgProgress);
        ASSERT_FALSE(progress.empty());
        for (std::size_t i = 1; i < progress.size(); ++i)
            EXPECT_GT(progress[i], progress[i - 1]);
        EXPECT_GT(progress.front(), 0u);
        EXPECT_EQ(progress.back(), 150u);
        EXPECT_EQ(progress.size(), 150u); // 300 lines: every other line moves it by one
    }
}

TEST_F(Firmware, OneHundredFiftyLinesMoveByOne) {
    ASSERT_TRUE(download(hexFile(150, "\r\n")));
    const auto progress = log.params(kMsgProgress);
    ASSERT_EQ(progress.size(), 150u);
    for (std::size_t i = 0; i < 150; ++i)
        EXPECT_EQ(progress[i], i + 1);
}

TEST_F(Firmware, RecordBecomesOneReportBody) {
    ASSERT_TRUE(download(":10010000214601360121470136007EFE09D2190140\r\n"));
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 1u);
    Bytes expected(64, 0);
    expected[1] = 0x3A;
    const Bytes data = {0x10, 0x01, 0x00, 0x00, 0x21, 0x46, 0x01, 0x36, 0x01, 0x21, 0x47,
                        0x01, 0x36, 0x00, 0x7E, 0xFE, 0x09, 0xD2, 0x19, 0x01, 0x40};
    std::copy(data.begin(), data.end(), expected.begin() + 2);
    EXPECT_EQ(bodyOf(sent[0]), expected);
    EXPECT_EQ(sent[0][0], 0);
}

struct LineCase {
    const char* name;
    std::string text;
    bool result;
    std::size_t reports;
};

class FirmwareLines : public Firmware, public ::testing::WithParamInterface<LineCase> {};

TEST_P(FirmwareLines, SendsUpToWhereTheTextEnds) {
    const auto& c = GetParam();
    EXPECT_EQ(download(c.text), c.result) << c.name;
    EXPECT_EQ(sim->writtenReports().size(), c.reports) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirmwareLines,
    ::testing::Values(
        LineCase{"blank line ends with success", ":00000001FF\r\n\r\n:00000001FF\r\n", true, 1},
        LineCase{"space before a record", ":00000001FF\r\n :00000001FF\r\n", false, 1},
        LineCase{"no colon first", "00000001FF\r\n", false, 0},
        LineCase{"empty text", "", false, 0},
        LineCase{"last line without line end", ":00000001FF\r\n:00000001FF", true, 2},
        LineCase{"no line end at all", ":00000001FF", true, 1},
        LineCase{"odd digit count", ":0000000", true, 1},
        LineCase{"line too long", ":" + std::string(1000, '0') + "\r\n", false, 0},
        LineCase{"longest line", ":" + std::string(998, '0') + "\r\n", true, 1},
        LineCase{"two LFs after CR: the second is an empty line", ":00\r\n\n:00\r\n", true, 1}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

TEST_F(Firmware, ConvertsPairsLeniently) {
    // Non-hex characters count as 0; a trailing single digit is a high nibble; more than
    // 62 bytes are cut.
    ASSERT_TRUE(download(":zz1Ga5F" + std::string(200, 'e') + "\r\n"));
    const auto b = bodyOf(sim->writtenReports().at(0));
    EXPECT_EQ(b[2], 0x00);
    EXPECT_EQ(b[3], 0x10);
    EXPECT_EQ(b[4], 0xA5);
    EXPECT_EQ(b[5], 0xFE);
    EXPECT_EQ(b[63], 0xEE);
    sim->clearReportLog();
    ASSERT_TRUE(download(":123\r\n"));
    EXPECT_EQ(bodyOf(sim->writtenReports().at(0))[3], 0x30);
}

TEST_F(Firmware, RefusedInputSendsNothing) {
    char text[] = ":00000001FF\r\n";
    EXPECT_FALSE(downloadFirmware(*util, nullptr, 10, 1));
    EXPECT_FALSE(downloadFirmware(*util, text, 0, 1));
    EXPECT_TRUE(sim->writtenReports().empty());
    // The length bounds the text too.
    EXPECT_TRUE(downloadFirmware(*util, text, 5, 1));
    EXPECT_EQ(bodyOf(sim->writtenReports().at(0))[3], 0x00);
    EXPECT_EQ(bodyOf(sim->writtenReports().at(0))[4], 0x00);
}

TEST_F(Firmware, FailedWriteEndsWithFalse) {
    sim->unplugAfter(10);
    EXPECT_FALSE(download(hexFile(300, "\r\n")));
    EXPECT_EQ(sim->firmwareRecords().size(), 10u);
}

TEST_F(Firmware, DamagedRecordsAreSentAndSeenAsDamaged) {
    ASSERT_TRUE(download(":0400000001020304F3\r\n:FF00\r\n:00000001FF\r\n"));
    const auto records = sim->firmwareRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_FALSE(records[0].valid); // checksum off by one
    EXPECT_FALSE(records[1].valid); // claims 255 bytes
    EXPECT_TRUE(records[2].valid);
    EXPECT_TRUE(log.params(kMsgProgress).size() == 3u);
}

} // namespace
