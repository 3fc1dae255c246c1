#include "TestSupport.h"

#include "library/image/CZT40.h"

namespace {

class Image : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        util = openKeyboard();
        ASSERT_TRUE(util);
        image = std::make_unique<CZT40>(util.get());
    }
    std::unique_ptr<CZT40Util> util;
    std::unique_ptr<CZT40> image;
    MessageLog log;
};

TEST_F(Image, ProductAndVendorTexts) {
    EXPECT_EQ(image->productValue(), u"502c");
    EXPECT_EQ(image->vendorValue(), u"0483");
    EXPECT_EQ(slotOf(1, 1), 0);
    EXPECT_EQ(slotOf(2, 108), 215);
    EXPECT_EQ(slotOf(2, 3), 110);
    EXPECT_EQ(slotOf(0, 1), -1);
    EXPECT_EQ(slotOf(1, 109), -1);
}

TEST_F(Image, EmptyWriteSendsTwoHundredEighteenReports) {
    ASSERT_TRUE(image->writeDefinitions(7));
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 218u);
    for (const auto& r : sent)
        EXPECT_EQ(r[0], 0); // report ID
    Bytes start(64, 0);
    start[1] = 0xF1;
    EXPECT_EQ(bodyOf(sent[0]), start);
    for (int s = 0; s < 216; ++s) {
        Bytes empty(64, 0);
        empty[1] = 0xF0;
        empty[2] = static_cast<std::uint8_t>(s / 108 + 1);
        empty[3] = static_cast<std::uint8_t>(s % 108 + 1);
        EXPECT_EQ(bodyOf(sent[static_cast<std::size_t>(s + 1)]), empty) << "slot " << s;
    }
    Bytes end(64, 0xF6);
    end[0] = 0;
    EXPECT_EQ(bodyOf(sent[217]), end);

    std::vector<std::uintptr_t> expected(216);
    for (int s = 0; s < 216; ++s)
        expected[static_cast<std::size_t>(s)] = static_cast<std::uintptr_t>(s);
    EXPECT_EQ(log.params(kMsgProgress), expected);
    for (const auto& e : log.entries) {
        EXPECT_EQ(e.window, 7u);
        EXPECT_EQ(e.l, 0);
    }
    EXPECT_FALSE(sim->definitionWriteOpen());
}

TEST_F(Image, LongMacroTakesConsecutiveReportsForItsSlot) {
    auto m = std::make_unique<CMacroKeyDefine>(1, 2, 2);
    m->delayMode = 1;
    m->count = 14;
    m->codes.assign(14, 4);
    m->delays.assign(14, 10);
    image->setDefinition(108, std::move(m));
    ASSERT_TRUE(image->writeDefinitions(0));
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 219u);
    // start, 108 top-layer slots, then slot 108 in reports 109 and 110
    EXPECT_EQ(sent[109][2], 0xF0);
    EXPECT_EQ(sent[109][3], 2);
    EXPECT_EQ(sent[109][4], 1);
    EXPECT_EQ(sent[110][3], 2);
    EXPECT_EQ(sent[110][4], 1);
    EXPECT_EQ(sent[110][10] * 256 + sent[110][11], 56);
    EXPECT_EQ(sent[111][4], 2); // layer 2 key 2
    EXPECT_EQ(sim->storedRecord(108).size(), 128u);
}

TEST_F(Image, WriteStopsAtTheFirstFailedReport) {
    sim->unplugAfter(5);
    EXPECT_FALSE(image->writeDefinitions(1));
    EXPECT_EQ(sim->writtenReports().size(), 5u);
    EXPECT_EQ(log.params(kMsgProgress).size(), 4u);
}

TEST_F(Image, ReadReplacesTheSlotsItReceives) {
    sim->setReplyScript({body({0x00, 0xF0, 2, 3, 0, 1, 0x2A}), body({0x00, 0x11}),
                         body({0x00, 0xF0, 1, 1, 1, 0x01, 0x2C, 1, 0x05}), body({0xF6})});
    auto keep = std::make_unique<CNormalKeyDefine>(50, 1);
    keep->count = 1;
    keep->codes = {9};
    image->setDefinition(49, std::move(keep));
    ASSERT_TRUE(image->readDefinitions(3));
    auto* n = dynamic_cast<CNormalKeyDefine*>(image->definition(110));
    ASSERT_TRUE(n);
    EXPECT_EQ(n->keyIndex, 3);
    EXPECT_EQ(n->layerNumber, 2);
    EXPECT_EQ(n->codes, std::vector<int>{0x2A});
    auto* c = dynamic_cast<CContinousKeyDefine*>(image->definition(0));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->interval, 300);
    ASSERT_TRUE(image->definition(49)); // not sent: kept
    EXPECT_EQ(log.params(kMsgProgress), (std::vector<std::uintptr_t>{110, 0}));
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 1u);
    Bytes request(64, 0);
    request[1] = 0xF2;
    EXPECT_EQ(bodyOf(sent[0]), request);
}

TEST_F(Image, ReadJoinsMacroChunks) {
    // L = 56 in two chunks; the continuation is taken whatever it holds.
    auto first = body({0x00, 0xF0, 1, 4, 3, 0, 0, 0, 0, 0, 56});
    for (int i = 11; i < 64; ++i)
        first[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    SimulatorBackend::Body second{};
    second.fill(0x77);
    sim->setReplyScript({first, second, body({0xF6})});
    ASSERT_TRUE(image->readDefinitions(0));
    auto* m = dynamic_cast<CMacroKeyDefine*>(image->definition(3));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->kind, 3);
    EXPECT_EQ(m->count, 56);
    EXPECT_EQ(m->codes[52], 63);
    EXPECT_EQ(m->codes[53], 0x77);
}

TEST_F(Image, ReadSkipsRecordsOfNoSlotOrKind) {
    sim->setReplyScript({
        body({0x00, 0xF0, 3, 1, 0, 1, 5}),   // layer 3
        body({0x00, 0xF0, 0, 5, 0, 1, 5}),   // layer 0
        body({0x00, 0xF0, 1, 109, 0, 1, 5}), // key 109 (would alias slot 108)
        body({0x00, 0xF0, 2, 0, 0, 1, 5}),   // key 0
        body({0x00, 0xF0, 1, 2, 5, 1, 5}),   // kind 5
        // A macro for no slot, with a continuation that looks like a record: both dropped.
        body({0x00, 0xF0, 9, 9, 2, 0, 0, 0, 0, 0, 60}),
        body({0x00, 0xF0, 1, 3, 0, 1, 5}),
        body({0xF6}),
    });
    ASSERT_TRUE(image->readDefinitions(1));
    for (int s = 0; s < 216; ++s)
        EXPECT_EQ(image->definition(s), nullptr) << s;
    EXPECT_TRUE(log.params(kMsgProgress).empty());
}

TEST_F(Image, ReadWithoutEndFails) {
    sim->setReplyScript({body({0x00, 0xF0, 1, 1, 0, 1, 5})});
    EXPECT_FALSE(image->readDefinitions(0)); // then silence: the bounded wait ends it
    ASSERT_TRUE(image->definition(0));
    // A macro whose continuation never arrives.
    sim->setReplyScript({body({0x00, 0xF0, 1, 2, 2, 0, 0, 0, 0, 0, 200})});
    EXPECT_FALSE(image->readDefinitions(0));
}

TEST_F(Image, LightWriteSendsSixPiecesAndTheEnd) {
    for (std::size_t i = 0; i < kLightByteCount; ++i)
        image->light[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_TRUE(image->writeLight());
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 8u);
    Bytes start(64, 0);
    start[1] = 0xE1;
    EXPECT_EQ(bodyOf(sent[0]), start);
    const int sizes[] = {61, 61, 61, 61, 61, 19};
    std::size_t offset = 0;
    for (int p = 0; p < 6; ++p) {
        Bytes expected(64, 0);
        expected[1] = 0xE0;
        expected[2] = static_cast<std::uint8_t>(sizes[p]);
        for (int i = 0; i < sizes[p]; ++i)
            expected[static_cast<std::size_t>(3 + i)] =
                image->light[offset + static_cast<std::size_t>(i)];
        EXPECT_EQ(bodyOf(sent[static_cast<std::size_t>(1 + p)]), expected) << "piece " << p;
        offset += static_cast<std::size_t>(sizes[p]);
    }
    EXPECT_EQ(bodyOf(sent[7]), Bytes(64, 0xE6));
    auto stored = sim->light();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), image->light.begin()));
}

TEST_F(Image, LightWriteIsTrueEvenWhenItFails) {
    sim->unplugAfter(2);
    EXPECT_TRUE(image->writeLight());
    EXPECT_EQ(sim->writtenReports().size(), 2u);
}

TEST_F(Image, LightReadFillsAllBytes) {
    std::array<std::uint8_t, 324> light{};
    for (std::size_t i = 0; i < light.size(); ++i)
        light[i] = static_cast<std::uint8_t>(255 - i % 256);
    sim->setLight(light);
    ASSERT_TRUE(image->readLight());
    EXPECT_EQ(image->light, light);
    const auto got = sim->readReports();
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[5][3], 19);
}

TEST_F(Image, LightReadEndingAtOnceKeepsTheBytes) {
    image->light.fill(9);
    sim->setReplyScript({body({0x00, 0xE6})});
    EXPECT_TRUE(image->readLight());
    EXPECT_EQ(image->light[0], 9);
    EXPECT_EQ(image->light[323], 9);
}

TEST_F(Image, PiecesNeverReachPastTheirReportOrTheTable) {
    // Each piece claims 255 bytes: only its 61 are taken, and nothing lands past 324.
    std::vector<SimulatorBackend::Body> script;
    for (int p = 0; p < 8; ++p) {
        auto b = body({0x00, 0xE0, 255});
        std::fill(b.begin() + 3, b.end(), static_cast<std::uint8_t>(p + 1));
        script.push_back(b);
    }
    script.push_back(body({0x00, 0x12, 5})); // skipped
    script.push_back(body({0x00, 0xE6}));
    sim->setReplyScript(script);
    ASSERT_TRUE(image->readLight());
    EXPECT_EQ(image->light[0], 1);
    EXPECT_EQ(image->light[61], 2);
    EXPECT_EQ(image->light[323], 6);

    script.clear();
    for (int p = 0; p < 9; ++p) {
        auto b = body({0x00, 0xE3, 200});
        std::fill(b.begin() + 3, b.end(), static_cast<std::uint8_t>(p + 1));
        script.push_back(b);
    }
    script.push_back(body({0x00, 0xE6}));
    sim->setReplyScript(script);
    ASSERT_TRUE(image->readCounters());
    EXPECT_EQ(image->counterBytes[431], 8);
}

TEST_F(Image, CountersAreLittleEndianFromTheirStart) {
    sim->setReplyScript(
        {body({0x00, 0xE3, 8, 0x05, 0, 0, 0, 0x01, 0x01, 0, 0}), body({0x00, 0xE6})});
    ASSERT_TRUE(image->readCounters());
    EXPECT_EQ(image->counter(1), 5u);
    EXPECT_EQ(image->counter(2), 257u);
    const auto sent = sim->writtenReports();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][2], 0xE3);

    sim->setReplyScript({});
    sim->pressKey(108, 70000);
    sim->pressKey(1, 3);
    ASSERT_TRUE(image->readCounters());
    EXPECT_EQ(image->counter(108), 70000u);
    EXPECT_EQ(image->counter(1), 3u);
}

TEST_F(Image, ClearEmptiesEverySlot) {
    for (int s = 0; s < 216; s += 7)
        image->setDefinition(s, std::make_unique<CNormalKeyDefine>(1, 1));
    EXPECT_TRUE(image->clearDefinitions());
    for (int s = 0; s < 216; ++s)
        EXPECT_EQ(image->definition(s), nullptr);
}

} // namespace

namespace {

// The image's own results, with the keyboard pulled out or falling silent at every
// report of the piece reads (the exported counter read hides this result).
TEST_F(Image, PieceReadsFailAtEveryReport) {
    for (bool unplug : {false, true})
        for (long long k = 0; k < 10; ++k) { // counters: 10 reports
            sim->clearFaults();
            auto u = openKeyboard();
            ASSERT_TRUE(u);
            CZT40 img(u.get());
            if (unplug)
                sim->unplugAfter(k);
            else
                sim->stopAnsweringAfter(k);
            EXPECT_FALSE(img.readCounters()) << k << (unplug ? " unplug" : " silent");
            sim->clearFaults();
            auto u2 = openKeyboard();
            CZT40 img2(u2.get());
            if (unplug)
                sim->unplugAfter(k);
            else
                sim->stopAnsweringAfter(k);
            // 8 reports in all: request, six pieces, end.
            EXPECT_EQ(img2.readLight(), k >= 8) << k << (unplug ? " unplug" : " silent");
        }
}

} // namespace

namespace {

// The tail of an earlier, abandoned transfer must not answer the next request.
TEST_F(Image, StaleReportsAreDroppedBeforeTheNextRequest) {
    sim->pressKey(2, 3);
    sim->stopAnsweringAfter(3); // the light read gets two pieces, then silence
    EXPECT_FALSE(image->readLight());
    sim->clearFaults(); // the keyboard is back and still holds the rest of the answer
    ASSERT_TRUE(image->readCounters());
    EXPECT_EQ(image->counter(2), 3u);
    EXPECT_TRUE(image->readLight());
    // 2 light replies, the 5 left over dropped, 9 for the counters, 7 for the light.
    EXPECT_EQ(sim->readReports().size(), 2u + 5u + 9u + 7u);
}

TEST_F(Image, NoPollingWhileTheLinkIsInOrder) {
    ASSERT_TRUE(image->readLight());
    ASSERT_TRUE(image->readCounters());
    // Every read the keyboard saw delivered a report: nothing was read in vain.
    EXPECT_EQ(sim->readReports().size(), 7u + 9u);
}

} // namespace
