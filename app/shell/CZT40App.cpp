#include "app/shell/CZT40App.h"

#include "app/config/ConfigStore.h"
#include "app/shell/AppResources.h"
#include "app/shell/DeviceMonitor.h"
#include "app/shell/DeviceWorker.h"
#include "app/shell/SimulatedKeyboard.h"
#include "app/shell/StartOptions.h"
#include "app/shell/WindowMessages.h"
#include "app/windows/main/CZT40Dlg.h"
#include "app/windows/main/Screenshots.h"
#include "simulator/SimulatorBackend.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>

ConfigStore& CZT40App::store() {
    static ConfigStore theStore;
    return theStore;
}

int CZT40App::detectModel(CZT40HWI& device, const std::function<void(int ms)>& pause) {
    int type = device.DetectDeviceType();
    for (int retry = 0; type == 0 && retry < 11; ++retry) {
        type = device.DetectDeviceType();
        pause(1000);
    }
    return type;
}

int CZT40App::run(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QORVANT"));
    // Hiding the only window in the notification area must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> args;
    const QStringList qtArgs = QCoreApplication::arguments();
    for (qsizetype i = 1; i < qtArgs.size(); ++i)
        args.push_back(qtArgs[i].toStdString());
    const StartOptionsResult parsed = parseStartOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "QORVANT: %s\n", parsed.error.c_str());
        return 2;
    }
    const StartOptions& o = parsed.options;
    if (o.help) {
        std::fputs(startOptionsHelp(), stdout);
        return 0;
    }

    std::shared_ptr<SimulatorBackend> sim;
    if (!installSimulatedKeyboard(o, sim))
        return 2;

    MessageBridge bridge;
    ConfigStore& st = store();

    st.deviceType = detectModel(
        st.device, [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });

    AppResources& res = AppResources::current();
    res.loadPictures(st.deviceType, AppResources::defaultPackDir());
    res.createDrawingObjects();
    st.initNameTables();

    int status = 0;
    {
        CZT40Dlg dlg(st);
        if (o.screenshotDir) {
            status = writeMainWindowScreenshots(dlg, st, sim.get(), *o.screenshotDir) ? 0 : 1;
        } else {
            DeviceMonitor monitor([&dlg] { dlg.deviceChanged(); });
            dlg.exec();
        }
        // No transfer may outlive the window that started it into the store's destruction.
        DeviceWorker::waitIdle();
    }
    res.release();
    DeviceWorker::setAfterTransfer(nullptr);
    setHidBackend(nullptr);
    return status;
}
