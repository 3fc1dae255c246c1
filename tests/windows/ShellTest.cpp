// The mechanics every skinned window shares, and the program's start-up pieces.

#include "WindowTestSupport.h"

#include "app/shell/CZT40App.h"
#include "app/shell/SkinGeometry.h"
#include "app/shell/SkinImageIds.h"
#include "app/shell/StartOptions.h"
#include "app/shell/WindowMessages.h"

#include <atomic>
#include <thread>

TEST(DisplayScale, FollowsTheScreenHeightTable) {
    struct Case {
        int height;
        float scale;
    };
    const Case cases[] = {{600, 1.0f},
                          {1079, 1.0f},
                          {1080, 1.5f},
                          {1620, 1.5f},
                          {1621, 2.0f},
                          {2160, 2.0f},
                          {2161, 2.5f},
                          {3240, 3.0f},
                          {3780, 3.5f},
                          {4320, 4.0f},
                          {5400, 5.0f},
                          {5401, 5401.0f / 1080.0f},
                          {6000, 6000.0f / 1080.0f}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(scaleForScreenHeight(c.height), c.scale) << "height " << c.height;
}

TEST(SkinRecords, ScalingLeavesLabelsInDesignPixels) {
    std::vector<SkinButton> b(3);
    b[0].id = 5;
    b[0].rect = {10, 20, 31, 41};
    b[1].id = 6;
    b[1].isLabel = 1;
    b[1].rect = {10, 20, 31, 41};
    // Unused slots are scaled as well: -1 becomes trunc(-1.5) = -1.
    scaleRecords(b.data(), b.size(), 1.5f);
    EXPECT_EQ(b[0].rect, (SkinRect{15, 30, 46, 61}));
    EXPECT_EQ(b[1].rect, (SkinRect{10, 20, 31, 41}));
    EXPECT_EQ(b[2].rect, (SkinRect{-1, -1, -1, -1}));

    const DesignArea a = toDesignArea(b[0].rect, 1.5f);
    EXPECT_EQ(a.x, 10);
    EXPECT_EQ(a.y, 20);
    EXPECT_EQ(a.width, 20); // trunc(31 / 1.5)
    EXPECT_EQ(a.height, 20);
}

class HitTestTable : public ::testing::Test {
protected:
    void SetUp() override {
        b.resize(5);
        b[0].id = 10; // a button
        b[0].rect = {10, 10, 50, 30};
        b[1].id = 10; // its caption, same rectangle
        b[1].isLabel = 1;
        b[1].rect = {10, 10, 50, 30};
        b[2].id = 11; // neighbour
        b[2].rect = {50, 10, 90, 30};
        b[3].id = 12; // near the right border of a 100 x 80 window
        b[3].rect = {90, 40, 100, 60};
        b[4].id = -1; // unused slot
        b[4].rect = {0, 0, 100, 80};
    }
    std::vector<SkinButton> b;
};

TEST_F(HitTestTable, ZonesAndRecordsWin) {
    struct Case {
        int x, y;
        HitZone zone;
        int command;
    };
    const Case cases[] = {
        {10, 10, HitZone::Client, 10},      // left/top inclusive
        {49, 29, HitZone::Client, 10},      //
        {50, 20, HitZone::Client, 11},      // right edge belongs to the neighbour
        {95, 50, HitZone::Client, 12},      // a record wins over the right strip
        {5, 5, HitZone::Caption, -1},       // free spot: drag
        {95, 20, HitZone::Right, -1},       // x > w - 6
        {94, 20, HitZone::Caption, -1},     // x = w - 6 is not in the strip
        {20, 75, HitZone::Bottom, -1},      //
        {97, 77, HitZone::BottomRight, -1}, //
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hitTestRecords(b.data(), b.size(), c.x, c.y, 100, 80, nullptr), c.zone)
            << c.x << "," << c.y;
        EXPECT_EQ(dispatchCommand(b.data(), b.size(), c.x, c.y), c.command) << c.x << "," << c.y;
    }
}

TEST_F(HitTestTable, HoverChangesAreReportedOncePerRecord) {
    std::vector<std::size_t> changed;
    hitTestRecords(b.data(), b.size(), 20, 20, 100, 80, &changed);
    EXPECT_EQ(changed, (std::vector<std::size_t>{0}));
    EXPECT_EQ(b[0].hover, 1);
    EXPECT_EQ(b[1].hover, 0); // labels never hover
    changed.clear();
    hitTestRecords(b.data(), b.size(), 21, 20, 100, 80, &changed);
    EXPECT_TRUE(changed.empty());
    hitTestRecords(b.data(), b.size(), 60, 20, 100, 80, &changed);
    EXPECT_EQ(changed, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(b[0].hover, 0);
    EXPECT_EQ(b[2].hover, 1);
}

namespace {
struct Recorder : MessageTarget {
    std::vector<std::pair<unsigned, std::uintptr_t>> got;
    std::thread::id thread;
    void handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t) override {
        got.emplace_back(msg, w);
        thread = std::this_thread::get_id();
    }
};
} // namespace

TEST(WindowMessages, ArriveOnTheGuiThreadAndAreDroppedAfterUnregistering) {
    Recorder r;
    const WindowHandle h = MessageBridge::registerWindow(&r);
    std::thread worker([h] {
        postMessage(h, kMsgProgress, 75, 0);
        postMessage(h, kMsgFinished, 1, 0);
    });
    worker.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 2u);
    EXPECT_EQ(r.got[0], (std::pair<unsigned, std::uintptr_t>{kMsgProgress, 75}));
    EXPECT_EQ(r.thread, std::this_thread::get_id());

    // A message already on its way when the window goes is dropped, as is a later one.
    postMessage(h, kMsgProgress, 1, 0);
    MessageBridge::unregisterWindow(h);
    postMessage(h, kMsgProgress, 2, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(r.got.size(), 2u);
    EXPECT_FALSE(MessageBridge::isRegistered(h));
    // Handles are not reused.
    Recorder other;
    const WindowHandle h2 = MessageBridge::registerWindow(&other);
    EXPECT_NE(h2, h);
    MessageBridge::unregisterWindow(h2);
}

TEST(StartUp, DetectionRetriesTwelveCallsAndElevenPauses) {
    auto sim = std::make_shared<SimulatorBackend>(4);
    setHidBackend(sim);
    {
        CZT40HWI device;
        int pauses = 0;
        EXPECT_EQ(CZT40App::detectModel(device,
                                        [&](int ms) {
                                            EXPECT_EQ(ms, 1000);
                                            ++pauses;
                                        }),
                  4);
        EXPECT_EQ(pauses, 0); // found at once: no delay

        sim->setPlugged(false);
        pauses = 0;
        EXPECT_EQ(CZT40App::detectModel(device, [&](int) { ++pauses; }), 0);
        EXPECT_EQ(pauses, 11);

        // Plugged in during the third pause: found by the fourth call, whose pause follows.
        pauses = 0;
        EXPECT_EQ(CZT40App::detectModel(device,
                                        [&](int) {
                                            if (++pauses == 3)
                                                sim->setPlugged(true);
                                        }),
                  4);
        EXPECT_EQ(pauses, 4);
    }
    setHidBackend(nullptr);
}

TEST(StartUp, Options) {
    auto ok = parseStartOptions({"--simulate=3", "--state", "/tmp/x.state"});
    EXPECT_TRUE(ok.error.empty());
    EXPECT_TRUE(ok.options.simulate);
    EXPECT_EQ(ok.options.model, 3);
    EXPECT_TRUE(ok.options.modelGiven);
    EXPECT_EQ(ok.options.statePath->string(), "/tmp/x.state");

    const std::vector<std::vector<std::string>> bad = {
        {"--simulate=6"},           {"--simulate=12"}, {"--state", "f"}, {"--simulate", "--state"},
        {"--simulate", "--state="}, {"--frobnicate"},  {"stray"}};
    for (const auto& args : bad)
        EXPECT_FALSE(parseStartOptions(args).error.empty()) << args[0];
}

TEST(Resources, MissingPackGivesEmptyPicturesAndNoMessage) {
    AppResources res;
    res.loadPictures(1, QStringLiteral("/nonexistent/QORVANTRES"));
    res.createDrawingObjects();
    EXPECT_TRUE(res.image(101).isNull());
    EXPECT_FALSE(res.icon().isNull()); // the tray still needs an icon
    EXPECT_EQ(res.font(13).pixelSize(), 13);
    EXPECT_EQ(res.font(200).pixelSize(), 49); // beyond the table: the largest font
    EXPECT_EQ(res.darkBrush().color(), QColor(20, 20, 20));
}

TEST(Resources, PackHoldsEveryPictureOfEveryModelAtTheWindowSize) {
    for (int model : {0, 2, 3, 4}) {
        AppResources res;
        res.loadPictures(model, AppResources::defaultPackDir());
        for (int id : imageIdsForModel(model))
            EXPECT_FALSE(res.image(id).isNull()) << "model " << model << " picture " << id;
    }
    AppResources res;
    res.loadPictures(1, AppResources::defaultPackDir());
    EXPECT_EQ(res.image(101).size(), QSize(1240, 670));
    EXPECT_EQ(res.image(139).size(), QSize(370, 250));
    // The outline is cut by the main window's colour key; the body is not.
    EXPECT_EQ(res.image(101).pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_NE(res.image(101).pixel(600, 300), qRgb(0, 0, 255));
    EXPECT_EQ(res.image(139).pixel(0, 0), qRgb(255, 0, 0));
}
