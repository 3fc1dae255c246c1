// The progress window: percent rules, modes, cancel, and the one-operation-at-a-time
// rule after a cancel.

#include "WindowTestSupport.h"

#include "app/windows/progress/CZT40DialogProgress.h"
#include "app/windows/progress/ProgressRecords.h"

#include <QTimer>

namespace {
class ProgressWindow : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        store->scale = 1.0f;
        store->language = "zh-CN";
        store->resetToDefaults();
        ASSERT_TRUE(store->device.__createDev());
    }
    SkinButton* record(CZT40DialogProgress& w, int id) {
        for (SkinButton& b : w.buttons)
            if (b.id == id && !b.isLabel)
                return &b;
        for (SkinButton& b : w.buttons)
            if (b.id == id)
                return &b;
        return nullptr;
    }
};
} // namespace

TEST_F(ProgressWindow, PercentRulesByMode) {
    struct Case {
        int mode;
        int step;
        int percent;
    };
    const Case cases[] = {{1, 75, 50},   {1, 150, 100}, {1, 215, 143}, {3, 1, 0},
                          {5, 150, 200}, {4, 150, 200}, {6, 75, 100},  {2, 150, 200}};
    for (const Case& c : cases) {
        CZT40DialogProgress w(*store, nullptr);
        w.mode = CZT40DialogProgress::kWaitForCancel; // no worker: steps come from the test
        ASSERT_TRUE(w.setUp());
        EXPECT_EQ(w.percent, 1);
        w.mode = c.mode;
        w.handlePostedMessage(kMsgProgress, c.step, 0);
        EXPECT_EQ(w.percent, c.percent) << "mode " << c.mode << " step " << c.step;
    }
}

TEST_F(ProgressWindow, BarGrowsFromTheCheckedPicture) {
    CZT40DialogProgress w(*store, nullptr);
    w.mode = CZT40DialogProgress::kWaitForCancel;
    ASSERT_TRUE(w.setUp());
    const QImage& checked = AppResources::current().image(141);
    ASSERT_FALSE(checked.isNull());
    w.percent = 50; // 145 pixels of the 290-pixel track
    QImage f = w.renderFrame();
    EXPECT_EQ(f.pixel(40 + 100, 160), checked.pixel(40 + 100, 160));
    EXPECT_NE(f.pixel(40 + 200, 160), checked.pixel(40 + 200, 160));
    w.percent = 200; // beyond the track: the copy just runs on, clipped by the canvas
    f = w.renderFrame();
    EXPECT_EQ(f.pixel(40 + 280, 160), checked.pixel(40 + 280, 160));
}

TEST_F(ProgressWindow, UnknownModeEndsAtOnceWithCancel) {
    CZT40DialogProgress w(*store, nullptr);
    w.mode = 7;
    EXPECT_EQ(w.exec(), QDialog::Rejected);
    EXPECT_FALSE(w.workerStarted());
    EXPECT_FALSE(DeviceWorker::busy());
}

TEST_F(ProgressWindow, FinishedOperationEndsWithOk) {
    sim->pressKey(9, 4);
    CZT40DialogProgress w(*store, nullptr);
    w.mode = CZT40DialogProgress::kReadCounters;
    EXPECT_EQ(w.exec(), QDialog::Accepted);
    EXPECT_TRUE(w.operationSucceeded());
    EXPECT_EQ(w.percent, 200);
    EXPECT_EQ(store->pressCounts[9], 4);
    EXPECT_EQ(store->notifyWnd, w.handle());
}

TEST_F(ProgressWindow, CancelAndLabelClicks) {
    CZT40DialogProgress w(*store, nullptr);
    w.mode = CZT40DialogProgress::kWaitForCancel;
    QTimer::singleShot(0, [&] {
        w.clickAt(centre(*record(w, kProgressTitle)));   // labels do nothing
        w.clickAt(centre(*record(w, kProgressWarning))); //
        EXPECT_TRUE(w.isVisible());
        w.clickAt(centre(*record(w, kProgressCancel)));
    });
    EXPECT_EQ(w.exec(), QDialog::Rejected);
    EXPECT_EQ(w.percent, 0);
    // The close mark cancels too.
    CZT40DialogProgress w2(*store, nullptr);
    w2.mode = CZT40DialogProgress::kWaitForCancel;
    QTimer::singleShot(0, [&] { w2.clickAt(centre(*record(w2, kProgressClose))); });
    EXPECT_EQ(w2.exec(), QDialog::Rejected);
}

TEST_F(ProgressWindow, AfterACancelTheNextOperationWaitsForTheEarlierWorker) {
    DeviceWorker::setPauseScale(0.3); // the no-operation mode pauses 300 ms
    WindowHandle first = 0;
    {
        CZT40DialogProgress w(*store, nullptr);
        w.mode = CZT40DialogProgress::kNoOperation;
        first = w.handle();
        QTimer::singleShot(0, [&] { w.reject(); });
        EXPECT_EQ(w.exec(), QDialog::Rejected);
        EXPECT_TRUE(w.workerStarted());
    }
    // The cancelled worker is still running and will post to a window that is gone.
    EXPECT_TRUE(DeviceWorker::busy());
    EXPECT_FALSE(MessageBridge::isRegistered(first));

    CZT40DialogProgress next(*store, nullptr);
    next.mode = CZT40DialogProgress::kReadCounters;
    bool waited = false;
    QTimer::singleShot(0, [&] { waited = !next.workerStarted() && DeviceWorker::busy(); });
    EXPECT_EQ(next.exec(), QDialog::Accepted);
    EXPECT_TRUE(waited);
    EXPECT_TRUE(next.workerStarted());
    // The earlier worker's late 1128 did not end this window early: its counters were read.
    EXPECT_EQ(next.percent, 200);
}
