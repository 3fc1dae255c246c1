// The main window's records, commands, questions and device handling, driven by clicks
// with every dialog answered from a script.

#include "WindowTestSupport.h"

#include "app/windows/main/CZT40Dlg.h"
#include "app/windows/main/MainRecords.h"
#include "app/windows/progress/CZT40DialogProgress.h"

#include <QFile>
#include <QTimer>

namespace {

class MainWindow : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
    }
    void TearDown() override {
        dlg.reset();
        WindowFixture::TearDown();
    }
    void makeWindow() {
        dlg = std::make_unique<CZT40Dlg>(*store);
        ASSERT_TRUE(dlg->setUp());
    }
    void click(int id) {
        SkinButton* b = dlg->record(id);
        ASSERT_NE(b, nullptr) << id;
        dlg->clickAt(centre(*b));
    }
    QString profile(const char* name) { return tmp.filePath(QString::fromLatin1(name)); }

    std::unique_ptr<CZT40Dlg> dlg;
};

} // namespace

TEST_F(MainWindow, RecordsOfBothLayouts) {
    std::vector<SkinButton> general(kMainRecordCount), compact(kMainRecordCount);
    fillMainRecords(general.data(), 1);
    fillMainRecords(compact.data(), 3);
    auto find = [](std::vector<SkinButton>& v, int id) -> SkinButton* {
        for (SkinButton& b : v)
            if (b.id == id)
                return &b;
        return nullptr;
    };
    ASSERT_NE(find(general, kCmdBacklight), nullptr);
    EXPECT_EQ(find(compact, kCmdBacklight), nullptr);
    EXPECT_EQ(find(compact, 74), nullptr);
    EXPECT_EQ(find(compact, kCmdReadAll)->rect, (SkinRect{435, 92, 535, 128}));
    EXPECT_EQ(find(compact, kCmdLanguage)->rect, (SkinRect{750, 92, 845, 128}));
    EXPECT_EQ(find(general, kCmdLanguage)->rect, (SkinRect{855, 92, 950, 128}));
    EXPECT_EQ(find(compact, 67)->rect, (SkinRect{650, 101, 735, 130}));

    int keys = 0;
    for (const SkinButton& b : general)
        keys += b.key >= 1 ? 1 : 0;
    EXPECT_EQ(keys, 108);
    EXPECT_EQ(find(general, 99 + 22)->rect, (SkinRect{491, 226, 536, 273})); // 45 wide
    EXPECT_EQ(find(general, 99 + 70)->rect, (SkinRect{292, 414, 587, 461}));
    EXPECT_EQ(find(general, 99 + 98)->rect, (SkinRect{1060, 272, 1106, 319}));
    EXPECT_EQ(find(general, 99 + 73)->tip.at("en-US"), u"RightApp");
    EXPECT_EQ(find(general, 99 + 73)->text("zh-CN"), u"LMenu");
    EXPECT_EQ(find(general, 65)->text("zh-CN"), u"English");
    EXPECT_EQ(find(general, 78)->checkedTextColor, (SkinColor{0, 255, 0}));
}

TEST_F(MainWindow, SetUpResetsTheStoreAndStartsInChinese) {
    EXPECT_EQ(store->language, "zh-CN");
    EXPECT_EQ(store->currentLayer, 0);
    EXPECT_EQ(store->configNotWritten, 0);
    EXPECT_EQ(store->keyMode[1][0], 1);
    EXPECT_FLOAT_EQ(store->scale, 1.0f); // the offscreen screen is small
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(dlg->size(), QSize(1240, 670));
}

TEST_F(MainWindow, SetUpFailsWithoutKeyboard) {
    dlg.reset();
    store = std::make_unique<ConfigStore>(); // a keyboard never opened
    store->initNameTables();
    sim->setPlugged(false);
    CZT40Dlg lost(*store);
    EXPECT_FALSE(lost.setUp());
    EXPECT_EQ(lost.exec(), QDialog::Accepted); // ends at once
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Keyboard is not connected!"));
    EXPECT_EQ(dialogs->boxes[0].caption, QCoreApplication::applicationName());
}

TEST_F(MainWindow, LanguageAndLayerSwitches) {
    click(kCmdLanguage);
    EXPECT_EQ(store->language, "en-US");
    EXPECT_EQ(dlg->record(kCmdLanguage)->checked, 1);
    click(kCmdLanguage);
    EXPECT_EQ(store->language, "zh-CN");

    // On the Fn layer only keys with an Fn assignment are drawn checked.
    dlg->renderFrame();
    EXPECT_EQ(dlg->record(99 + 30)->checked, 1); // "W" on the top layer
    EXPECT_EQ(dlg->record(77)->checked, 1);
    const int before = store->keyMode[30][1];
    click(kCmdLayer);
    EXPECT_EQ(store->currentLayer, 1);
    dlg->renderFrame();
    EXPECT_EQ(dlg->record(99 + 30)->checked, 0); // no Fn assignment
    EXPECT_EQ(dlg->record(99 + 1)->checked, 1);  // Esc has one
    EXPECT_EQ(dlg->record(77)->checked, 0);
    EXPECT_EQ(dlg->record(78)->checked, 1);
    EXPECT_EQ(store->keyMode[30][1], before); // switching changes no assignment
}

TEST_F(MainWindow, AssignmentMarksFollowTheMode) {
    store->keyMode[29][0] = 2; // combination: yellow
    store->keyMode[30][0] = 1; // single: checked, no mark
    QImage frame = dlg->renderFrame();
    const SkinButton& q = *dlg->record(99 + 29);
    // Bar 14 wide, 4 high, at the bottom centre of the key.
    const int w = q.rect.right - q.rect.left;
    const int h2 = (w - 14) / 2;
    EXPECT_EQ(frame.pixel(q.rect.left + h2 + 7, q.rect.bottom - 2), qRgb(255, 255, 0));
    EXPECT_NE(frame.pixel(q.rect.left + h2 - 2, q.rect.bottom - 2), qRgb(255, 255, 0));
    const SkinButton& wk = *dlg->record(99 + 30);
    const QRgb under = frame.pixel(wk.rect.left + h2 + 7, wk.rect.bottom - 2);
    for (const QColor& c : dlg->markColors) {
        if (c.isValid()) {
            EXPECT_NE(under, c.rgb());
        }
    }
}

TEST_F(MainWindow, SaveAndOpenProfiles) {
    const QString file = profile("a.pro");
    store->keyMode[5][0] = 0;
    dialogs->files = {file};
    click(kCmdSaveProfile);
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_TRUE(dialogs->boxes.empty());

    click(kCmdReset);
    EXPECT_EQ(store->keyMode[5][0], 1);
    dialogs->files = {file};
    click(kCmdOpenProfile);
    EXPECT_EQ(store->keyMode[5][0], 0);
    EXPECT_EQ(store->configNotWritten, 0); // loading is not an edit
    EXPECT_EQ(store->clickGuard, 1);
}

TEST_F(MainWindow, FailedSaveIsReported) {
    dialogs->files = {profile("missing-folder/a.pro")};
    click(kCmdSaveProfile);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_TRUE(dialogs->boxes[0].text.startsWith(QStringLiteral("配置文件保存失败！")));
    EXPECT_EQ(dialogs->boxes[0].caption, QStringLiteral("537RM(XRGB)ZQ.BLe"));
}

TEST_F(MainWindow, ClicksAreIgnoredForHalfASecondAfterTheOpenDialog) {
    click(kCmdOpenProfile); // cancelled: the guard is set all the same
    EXPECT_EQ(store->clickGuard, 1);
    click(kCmdLanguage);
    EXPECT_EQ(store->language, "zh-CN");
    ASSERT_TRUE(waitFor([&] { return store->clickGuard == 0; }, 2000));
    click(kCmdLanguage);
    EXPECT_EQ(store->language, "en-US");
}

TEST_F(MainWindow, ResetKeepsTheUnwrittenFlag) {
    store->configNotWritten = 1;
    store->keyMode[3][0] = 4;
    click(kCmdReset);
    EXPECT_EQ(store->keyMode[3][0], 1);
    EXPECT_EQ(store->configNotWritten, 1);
}

TEST_F(MainWindow, WriteKeysSendsTheConfigurationAndClearsTheFlag) {
    store->keyMode[29][0] = 2;
    store->keyLists[29][0].setOrAppend(20000, u"LCTRL");
    store->keyLists[29][0].setOrAppend(20000, u"C");
    store->configNotWritten = 1;
    sim->clearReportLog();
    click(kCmdWriteKeys);
    EXPECT_EQ(store->configNotWritten, 0);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("OK!!"));
    EXPECT_EQ(dialogs->boxes[0].caption, QStringLiteral("537RM(XRGB)ZQ.BLe"));
    EXPECT_FALSE(sim->writtenReports().empty());

    // Read back into a reset store: the combination comes back from the keyboard.
    click(kCmdReset);
    EXPECT_EQ(store->keyMode[29][0], 1);
    click(kCmdReadAll);
    EXPECT_EQ(store->keyMode[29][0], 2);
    ASSERT_EQ(store->keyLists[29][0].items.size(), 2u);
    EXPECT_EQ(dialogs->boxes.back().text, QStringLiteral("OK!!"));
}

TEST_F(MainWindow, FailedWriteIsNotReportedAsSuccess) {
    store->configNotWritten = 1;
    sim->unplugAfter(3);
    click(kCmdWriteKeys);
    EXPECT_EQ(store->configNotWritten, 1);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_NE(dialogs->boxes[0].text, QStringLiteral("OK!!"));
}

TEST_F(MainWindow, ReadCountersNamesMostAndLeastPressed) {
    sim->pressKey(1, 5);
    sim->pressKey(2, 5);
    sim->pressKey(3, 3);
    click(kCmdReadCounters);
    EXPECT_EQ(store->mostPressedKey, 1);
    EXPECT_EQ(store->leastPressedKey, 3);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].icon, DialogServices::Icon::Exclamation);
    dlg->renderFrame(); // the statistics follow at the next repaint
    EXPECT_TRUE(dlg->statisticsShown().find(u"高频键：Esc  低频键：F2 ") != std::u16string::npos);
}

TEST_F(MainWindow, OkCaptionSpellingOfModelTwo) {
    dlg.reset();
    setUpKeyboard(2);
    makeWindow();
    click(kCmdReadCounters);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].caption, QStringLiteral("537RM(S)ZQ.Ble"));
    EXPECT_EQ(dlg->record(kCmdBacklight), nullptr);
}

TEST_F(MainWindow, ExitWithUnwrittenChangesAnsweredNoStays) {
    store->configNotWritten = 1;
    dialogs->answers = {DialogServices::No};
    dlg->show();
    click(kCmdExit);
    EXPECT_TRUE(dlg->isVisible());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("配置未写入，是否继续退出??"));
    EXPECT_TRUE(dialogs->fileDialogs.empty());
}

TEST_F(MainWindow, ExitAsksToSaveThenEnds) {
    click(kCmdLanguage); // English questions
    dialogs->answers = {DialogServices::Yes};
    dialogs->files = {profile("exit.pro")};
    QTimer::singleShot(0, [&] { click(kCmdExit); });
    EXPECT_EQ(dlg->exec(), QDialog::Accepted);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Save configuration file of key??"));
    EXPECT_TRUE(QFile::exists(profile("exit.pro")));
}

TEST_F(MainWindow, ExitStaysWhenTheSaveFails) {
    dialogs->answers = {DialogServices::Yes};
    dialogs->files = {profile("no/such/dir/exit.pro")};
    dlg->show();
    click(kCmdExit);
    EXPECT_TRUE(dlg->isVisible()); // the configuration is not lost
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[1].icon, DialogServices::Icon::Error);
}

TEST_F(MainWindow, TrayMenuExitSkipsTheQuestions) {
    store->configNotWritten = 1;
    dialogs->menuAnswer = 0;
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(dlg->trayMessage(127, CZT40Dlg::kTrayRightButtonUp), 1); // not our icon
        EXPECT_EQ(dlg->trayMessage(128, CZT40Dlg::kTrayRightButtonUp), 0);
    });
    EXPECT_EQ(dlg->exec(), QDialog::Rejected);
    ASSERT_EQ(dialogs->menus.size(), 1u);
    EXPECT_EQ(dialogs->menus[0], QStringList{QStringLiteral("关闭")});
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST_F(MainWindow, HideAndRestoreKeepTheRunAlive) {
    QTimer::singleShot(0, [&] {
        click(kCmdHide);
        // Hidden or minimised (no notification area offscreen), the run goes on.
        EXPECT_TRUE(!dlg->isVisible() || dlg->isMinimized());
        dlg->trayMessage(128, CZT40Dlg::kTrayLeftDoubleClick);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_FALSE(dlg->trayIconVisible());
        click(kCmdExit);
    });
    EXPECT_EQ(dlg->exec(), QDialog::Accepted);
}

TEST_F(MainWindow, HelpOpensThePageBesideTheProgram) {
    click(kCmdHelp);
    ASSERT_EQ(dialogs->opened.size(), 1u);
    EXPECT_TRUE(dialogs->opened[0].endsWith(QStringLiteral("/QORVANT.html")));
    EXPECT_TRUE(QFile::exists(dialogs->opened[0]));
}

TEST_F(MainWindow, KeyboardRemovalEndsTheProgram) {
    QTimer::singleShot(0, [&] {
        dlg->deviceChanged(); // still there: nothing happens
        EXPECT_TRUE(dialogs->boxes.empty());
        sim->setPlugged(false);
        dlg->deviceChanged();
    });
    EXPECT_EQ(dlg->exec(), QDialog::Rejected);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Keyboard is not connected"));
}

TEST_F(MainWindow, KeyAreaRunsTheEditorAndMarksUnwrittenChanges) {
    int runs = 0;
    CZT40Dlg::runKeyEditor = [&](QWidget*, ConfigStore& s) {
        ++runs;
        s.keyMode[s.currentKey][s.currentLayer] = 3;
        return int(QDialog::Accepted);
    };
    click(99 + 50);
    CZT40Dlg::runKeyEditor = nullptr;
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(store->currentKey, 50);
    EXPECT_EQ(store->configNotWritten, 1);
    EXPECT_EQ(store->keyMode[50][0], 3);
    // Without an editor the click does nothing.
    store->configNotWritten = 0;
    click(99 + 51);
    EXPECT_EQ(store->configNotWritten, 0);
}

TEST_F(MainWindow, CommandsWaitWhileACancelledOperationStillRuns) {
    DeviceWorker::setPauseScale(0.3);
    {
        CZT40DialogProgress w(*store, dlg.get());
        w.mode = CZT40DialogProgress::kNoOperation;
        QTimer::singleShot(0, [&] { w.reject(); });
        EXPECT_EQ(w.exec(), QDialog::Rejected);
    }
    ASSERT_TRUE(DeviceWorker::busy());
    store->keyMode[3][0] = 4;
    click(kCmdReset); // runs only once the earlier worker is done with the store
    EXPECT_FALSE(DeviceWorker::busy());
    EXPECT_EQ(store->keyMode[3][0], 1);
}
