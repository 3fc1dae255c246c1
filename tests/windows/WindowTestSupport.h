#pragma once

// Shared pieces of the window tests: dialogs answered by a script, a store wired to a
// fresh simulated keyboard, and helpers to click records.

#include "app/config/ConfigStore.h"
#include "app/shell/AppResources.h"
#include "app/shell/DeviceWorker.h"
#include "app/shell/DialogServices.h"
#include "app/shell/SkinButton.h"
#include "simulator/SimulatorBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPoint>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

class ScriptedDialogs : public DialogServices {
public:
    struct Box {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };
    std::vector<Box> boxes;
    std::deque<int> answers;          // for Yes/No boxes; an empty script answers No
    std::deque<QString> files;        // for file dialogs; an empty script cancels
    std::vector<QString> fileDialogs; // "save" / "open" in order
    std::vector<QStringList> menus;
    int menuAnswer = -1;
    std::vector<QString> opened;

    int messageBox(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        boxes.push_back({text, caption, buttons, icon});
        if (buttons == Buttons::Ok)
            return Ok;
        if (answers.empty())
            return No;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    QString saveFileName(QWidget*, const QString&, const QString&) override {
        fileDialogs.push_back(QStringLiteral("save"));
        return nextFile();
    }
    QString openFileName(QWidget*, const QString&, const QString&) override {
        fileDialogs.push_back(QStringLiteral("open"));
        return nextFile();
    }
    int popupMenu(QWidget*, const QStringList& items, const QPoint&) override {
        menus.push_back(items);
        return menuAnswer;
    }
    void openWithDesktop(const QString& path) override { opened.push_back(path); }

private:
    QString nextFile() {
        if (files.empty())
            return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

// A store on a fresh simulated keyboard, name tables filled, pictures loaded.
class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override { setUpKeyboard(1); }

    void setUpKeyboard(int model) {
        DeviceWorker::waitIdle();
        sim = std::make_shared<SimulatorBackend>(model);
        setHidBackend(sim);
        store = std::make_unique<ConfigStore>();
        store->initNameTables();
        store->deviceType = store->device.DetectDeviceType();
        AppResources::current().loadPictures(store->deviceType, AppResources::defaultPackDir());
        AppResources::current().createDrawingObjects();
        dialogs = std::make_shared<ScriptedDialogs>();
        setDialogServices(dialogs);
        DeviceWorker::setPauseScale(0);
    }

    void TearDown() override {
        DeviceWorker::waitIdle();
        QCoreApplication::processEvents();
        setDialogServices(nullptr);
        DeviceWorker::setPauseScale(1);
        store.reset();
        setHidBackend(nullptr);
    }

    // Runs the event loop until cond holds or ms have passed.
    template <typename Cond> static bool waitFor(Cond cond, int ms = 5000) {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    static QPoint centre(const SkinButton& b) {
        return QPoint((b.rect.left + b.rect.right) / 2, (b.rect.top + b.rect.bottom) / 2);
    }

    std::shared_ptr<SimulatorBackend> sim;
    std::unique_ptr<ConfigStore> store;
    std::shared_ptr<ScriptedDialogs> dialogs;
    QTemporaryDir tmp;
};
