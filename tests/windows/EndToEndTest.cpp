// End to end: the program on the simulated keyboard with a state file loads a profile and
// writes its keys; the command-line tool then reads the same keyboard memory back.

#include "WindowTestSupport.h"

#include "app/shell/SimulatedKeyboard.h"
#include "app/windows/main/CZT40Dlg.h"
#include "app/windows/main/MainRecords.h"

#include <QFile>
#include <QProcess>

namespace {

// A profile with a few assignments that differ from the factory ones.
void writeSampleProfile(const QString& path) {
    ConfigStore s;
    s.initNameTables();
    s.deviceType = 1;
    s.resetToDefaults();
    s.keyMode[29][0] = 2;
    s.keyLists[29][0].setOrAppend(20000, u"LCTRL");
    s.keyLists[29][0].setOrAppend(20000, u"C");
    s.keyMode[31][1] = 4;
    s.keyLists[31][1].setOrAppend(20000, u"W");
    s.keyLists[31][1].Delay = 100;
    ASSERT_TRUE(s.saveProfile(path.toStdU16String()));
}

void expectSampleAssignments(const ConfigStore& s) {
    EXPECT_EQ(s.keyMode[29][0], 2);
    ASSERT_EQ(s.keyLists[29][0].items.size(), 2u);
    EXPECT_EQ(s.keyMode[31][1], 4);
    EXPECT_EQ(s.keyLists[31][1].Delay, 100);
}

} // namespace

TEST_F(WindowFixture, ProgramWritesLoadedProfileAndTheToolReadsItBack) {
    const QString profile = tmp.filePath(QStringLiteral("sample.pro"));
    const QString state = tmp.filePath(QStringLiteral("keyboard.state"));
    writeSampleProfile(profile);

    // What QORVANT --simulate --state F does at start.
    StartOptions o;
    o.simulate = true;
    o.statePath = state.toStdString();
    std::shared_ptr<SimulatorBackend> program;
    ASSERT_TRUE(installSimulatedKeyboard(o, program));
    store->deviceType = store->device.DetectDeviceType();
    {
        CZT40Dlg dlg(*store);
        ASSERT_TRUE(dlg.setUp());
        dialogs->files = {profile};
        dlg.clickAt(centre(*dlg.record(kCmdOpenProfile)));
        ASSERT_TRUE(waitFor([&] { return store->clickGuard == 0; }, 2000));
        dlg.clickAt(centre(*dlg.record(kCmdWriteKeys)));
        ASSERT_EQ(dialogs->boxes.size(), 1u);
        EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("OK!!"));
    }
    DeviceWorker::setAfterTransfer(nullptr);
    ASSERT_TRUE(QFile::exists(state)); // saved after the transfer

#ifdef QORVANTCTL_PATH
    const QString readBack = tmp.filePath(QStringLiteral("read.pro"));
    QProcess ctl;
    ctl.start(QStringLiteral(QORVANTCTL_PATH),
              {QStringLiteral("--simulate"), QStringLiteral("--state"), state,
               QStringLiteral("read"), readBack});
    ASSERT_TRUE(ctl.waitForFinished(30000));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    ConfigStore fromTool;
    fromTool.initNameTables();
    fromTool.deviceType = 1;
    fromTool.resetToDefaults();
    ASSERT_TRUE(fromTool.loadProfile(readBack.toStdU16String()));
    expectSampleAssignments(fromTool);
#else
    // Without the tool: the saved keyboard memory itself, read with the program's own code.
    auto again = std::make_shared<SimulatorBackend>(1);
    ASSERT_TRUE(again->loadState(state.toStdString()));
    setHidBackend(again);
    ConfigStore fresh;
    fresh.initNameTables();
    fresh.deviceType = 1;
    fresh.resetToDefaults();
    ASSERT_TRUE(fresh.device.__createDev());
    ASSERT_TRUE(fresh.readKeysFromKeyboard(0));
    expectSampleAssignments(fresh);
#endif
}

TEST_F(WindowFixture, DamagedStateFileIsRefused) {
    const QString state = tmp.filePath(QStringLiteral("bad.state"));
    QFile f(state);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("QORVANT-SIM-STATE 1\nmodel 9\n");
    f.close();
    StartOptions o;
    o.simulate = true;
    o.statePath = state.toStdString();
    std::shared_ptr<SimulatorBackend> program;
    EXPECT_FALSE(installSimulatedKeyboard(o, program));
    QFile check(state);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("QORVANT-SIM-STATE 1\nmodel 9\n")); // untouched
}
