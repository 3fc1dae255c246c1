#include "TestSupport.h"

#include "library/definitions/CKeyDefine.h"

namespace {

Bytes encoded(CKeyDefine& d) {
    int size = 0;
    int header = -1;
    EXPECT_FALSE(d.encode(nullptr, 64, &size, &header));
    Bytes out(static_cast<std::size_t>(size), 0);
    d.encode(out.data(), 64, &size, &header);
    return out;
}

Bytes padded(Bytes head, std::size_t size = 64) {
    head.resize(size, 0);
    return head;
}

CMacroKeyDefine macro(int layer, int key, int kind, int delayMode, int items) {
    CMacroKeyDefine m(key, layer, kind);
    m.delayMode = delayMode;
    m.count = items;
    for (int i = 0; i < items; ++i) {
        m.codes.push_back(0x04 + i);
        m.delays.push_back(100 * (i + 1));
    }
    return m;
}

TEST(NormalRecord, EncodesCodesBehindTheHeader) {
    CNormalKeyDefine d(5, 1);
    d.codes = {0xE0, 0x04};
    d.count = 2;
    EXPECT_EQ(encoded(d), padded({0x00, 0xF0, 0x01, 0x05, 0x00, 0x02, 0xE0, 0x04}));

    int size = 0, header = 0;
    EXPECT_FALSE(d.encode(nullptr, 64, &size, &header));
    EXPECT_EQ(size, 64);
    EXPECT_EQ(header, 6);
    // Only the low byte of a code travels.
    d.codes = {0x1E0};
    d.count = 1;
    EXPECT_EQ(encoded(d)[6], 0xE0);
}

TEST(NormalRecord, CountsBeyondTheRecordAreCut) {
    CNormalKeyDefine d(1, 1);
    d.count = 200;
    d.codes.assign(200, 0x11);
    const Bytes r = encoded(d);
    ASSERT_EQ(r.size(), 64u);
    EXPECT_EQ(r[5], kNormalMaxCodes);
    EXPECT_EQ(r[63], 0x11);
    // A count larger than the list sends zeros for the missing codes.
    d.count = 3;
    d.codes = {7};
    EXPECT_EQ(encoded(d), padded({0x00, 0xF0, 1, 1, 0, 3, 7, 0, 0}));
    // A buffer smaller than a record is refused, not overrun.
    std::uint8_t small[16] = {};
    int size = 16;
    EXPECT_FALSE(d.encode(small, 64, &size, nullptr));
}

TEST(ContinuousRecord, EncodesIntervalAndCodes) {
    CContinousKeyDefine d(10, 2);
    d.interval = 300;
    d.codes = {0x04, 0x05};
    d.count = 2;
    EXPECT_EQ(encoded(d), padded({0x00, 0xF0, 0x02, 0x0A, 0x01, 0x01, 0x2C, 0x02, 0x04, 0x05}));
    int size = 0, header = 0;
    d.encode(nullptr, 64, &size, &header);
    EXPECT_EQ(header, 8);

    d.interval = 0x12345; // low 16 bits
    EXPECT_EQ(encoded(d)[5], 0x23);
    EXPECT_EQ(encoded(d)[6], 0x45);

    // No codes: only the first five bytes, and the encoder says false.
    d.count = 0;
    Bytes r(64, 0xFF);
    size = 64;
    EXPECT_FALSE(d.encode(r.data(), 64, &size, nullptr));
    EXPECT_EQ(r, padded({0x00, 0xF0, 0x02, 0x0A, 0x01}));

    d.count = 100;
    d.codes.assign(100, 9);
    const Bytes cut = encoded(d);
    EXPECT_EQ(cut[7], kContinuousMaxCodes);
    EXPECT_EQ(cut[63], 9);
}

struct MacroSizeCase {
    int delayMode;
    int items;
    int chunks;
    int length;
};

class MacroSize : public ::testing::TestWithParam<MacroSizeCase> {};

TEST_P(MacroSize, ChunksFollowTheDataLength) {
    const auto c = GetParam();
    auto m = macro(1, 1, 2, c.delayMode, c.items);
    int size = 0;
    EXPECT_FALSE(m.encode(nullptr, 64, &size, nullptr));
    EXPECT_EQ(size, 64 * c.chunks);
    const Bytes r = encoded(m);
    for (int k = 0; k < c.chunks; ++k) {
        EXPECT_EQ(r[64 * k + 9] * 256 + r[64 * k + 10], c.length) << "chunk " << k;
        EXPECT_EQ(r[64 * k + 1], 0xF0);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, MacroSize,
                         ::testing::Values(MacroSizeCase{1, 13, 1, 52}, MacroSizeCase{1, 14, 2, 56},
                                           MacroSizeCase{0, 53, 1, 53}, MacroSizeCase{0, 54, 2, 54},
                                           MacroSizeCase{0, 106, 2, 106},
                                           MacroSizeCase{0, 107, 3, 107},
                                           // An empty macro still gets its header chunk.
                                           MacroSizeCase{0, 0, 1, 0}, MacroSizeCase{1, 0, 1, 0},
                                           MacroSizeCase{0, -5, 1, 0},
                                           // The 16-bit length caps the items sent.
                                           MacroSizeCase{0, 70000, 1237, 65535},
                                           MacroSizeCase{1, 20000, 1237, 65532}));

TEST(MacroRecord, FourteenItemsWithDelaysTakeTwoChunks) {
    auto m = macro(2, 1, 3, 1, 14);
    m.cycles = 300;
    m.autoInterval = 0x0102;
    const Bytes r = encoded(m);
    ASSERT_EQ(r.size(), 128u);
    const Bytes header = {0x00, 0xF0, 0x02, 0x01, 0x03, 44, 0x01, 0x01, 0x02, 0x00, 56};
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 11), header);
    EXPECT_EQ(Bytes(r.begin() + 64, r.begin() + 75), header);
    // item 0: code, C8, delay high, delay low
    EXPECT_EQ(Bytes(r.begin() + 11, r.begin() + 15), (Bytes{0x04, 0xC8, 0x00, 100}));
    // 53 bytes in the first chunk: item 13 starts at data byte 52, the chunk's last byte.
    EXPECT_EQ(r[63], 0x04 + 13);
    EXPECT_EQ(Bytes(r.begin() + 75, r.begin() + 78), (Bytes{0xC8, 1400 >> 8, 1400 & 0xFF}));
    EXPECT_EQ(r[78], 0);
}

TEST(MacroRecord, DelayModeZeroSendsOneBytePerItem) {
    auto m = macro(1, 7, 2, 0, 3);
    m.cycles = 5;
    m.autoInterval = 30;
    EXPECT_EQ(encoded(m), padded({0x00, 0xF0, 1, 7, 2, 5, 0, 0, 30, 0, 3, 4, 5, 6}));
}

TEST(Decode, NormalAndContinuousTakeCountsWithinTheRecord) {
    CNormalKeyDefine n(1, 1);
    Bytes r = padded({0x00, 0xF0, 1, 1, 0, 2, 0xE0, 0x04});
    EXPECT_TRUE(n.decode(r.data(), 64, 64));
    EXPECT_EQ(n.count, 2);
    EXPECT_EQ(n.codes, (std::vector<int>{0xE0, 0x04}));
    r[5] = 255;
    EXPECT_TRUE(n.decode(r.data(), 64, 64));
    EXPECT_EQ(n.count, kNormalMaxCodes);
    EXPECT_EQ(n.codes.size(), 58u);

    CContinousKeyDefine c(1, 1);
    Bytes cr = padded({0x00, 0xF0, 1, 1, 1, 0x01, 0x2C, 2, 4, 5});
    EXPECT_TRUE(c.decode(cr.data(), 64, 64));
    EXPECT_EQ(c.interval, 300);
    EXPECT_EQ(c.codes, (std::vector<int>{4, 5}));
    cr[7] = 255;
    EXPECT_TRUE(c.decode(cr.data(), 64, 64));
    EXPECT_EQ(c.count, kContinuousMaxCodes);
    EXPECT_EQ(c.codes.size(), 56u);
}

TEST(Decode, MacroItemsFromTheLength) {
    // Delay mode 1, L = 50: 13 items, the last item's delay stays 0.
    Bytes r = padded({0x00, 0xF0, 1, 1, 2, 1, 1, 0, 30, 0, 50});
    for (int i = 0; i < 13; ++i) {
        r[static_cast<std::size_t>(11 + 4 * i)] = static_cast<std::uint8_t>(10 + i);
        if (11 + 4 * i + 3 < 64) {
            r[static_cast<std::size_t>(13 + 4 * i)] = 0x01;
            r[static_cast<std::size_t>(14 + 4 * i)] = static_cast<std::uint8_t>(i);
        }
    }
    CMacroKeyDefine m(1, 1, 2);
    EXPECT_TRUE(m.decode(r.data(), 64, 64));
    EXPECT_EQ(m.count, 13);
    EXPECT_EQ(m.codes[12], 22);
    EXPECT_EQ(m.delays[0], 256);
    EXPECT_EQ(m.delays[11], 256 + 11);
    EXPECT_EQ(m.delays[12], 0);
    EXPECT_EQ(m.cycles, 1);
    EXPECT_EQ(m.autoInterval, 30);

    // A length of 4n - 2 gives n items as well; a length of 0 gives none.
    r[10] = 46;
    m.decode(r.data(), 64, 64);
    EXPECT_EQ(m.count, 12);
    r[10] = 0;
    m.decode(r.data(), 64, 64);
    EXPECT_EQ(m.count, 0);
}

TEST(Decode, MacroLengthBeyondWhatArrivedIsCut) {
    Bytes r = padded({0x00, 0xF0, 1, 1, 2, 0, 0, 0, 0, 0xFF, 0xFF});
    CMacroKeyDefine m(1, 1, 2);
    EXPECT_TRUE(m.decode(r.data(), 64, 64));
    EXPECT_EQ(m.count, 53);
    r[6] = 1; // per-item delays: 14 items begin within 53 bytes
    EXPECT_TRUE(m.decode(r.data(), 64, 64));
    EXPECT_EQ(m.count, 14);
    // Less than one report: nothing to take.
    EXPECT_TRUE(m.decode(r.data(), 64, 10));
    EXPECT_EQ(m.count, 0);
}

TEST(RoundTrip, EveryKindDecodesToWhatWasEncoded) {
    for (int delayMode : {0, 1})
        for (int items : {0, 1, 13, 14, 53, 54, 200}) {
            auto m = macro(2, 9, 4, delayMode, items);
            m.cycles = 7;
            m.autoInterval = 1234;
            const Bytes r = encoded(m);
            CMacroKeyDefine back(9, 2, 4);
            back.decode(r.data(), 64, static_cast<int>(r.size()));
            EXPECT_EQ(back.count, items);
            EXPECT_EQ(back.codes.size(), static_cast<std::size_t>(items));
            for (int i = 0; i < items; ++i) {
                EXPECT_EQ(back.codes[static_cast<std::size_t>(i)], (0x04 + i) & 0xFF);
                const int delay = delayMode && i + 1 < items ? (100 * (i + 1)) & 0xFFFF : 0;
                EXPECT_EQ(back.delays[static_cast<std::size_t>(i)], delay);
            }
            EXPECT_EQ(back.cycles, 7);
            EXPECT_EQ(back.autoInterval, 1234);
            EXPECT_EQ(back.delayMode, delayMode);
        }
}

} // namespace
