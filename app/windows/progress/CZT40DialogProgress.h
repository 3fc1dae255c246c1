#pragma once

// The modal progress window: shows a warning and a bar while one device operation runs
// on the worker thread, and ends with OK when the operation has finished or with cancel
// when the user cancels.

#include "app/shell/SkinWindow.h"

class ConfigStore;
class QTimer;

class CZT40DialogProgress : public SkinWindow {
public:
    enum Mode {
        kWriteKeys = 1,
        kNoOperation = 2,
        kReadAll = 3,
        kWriteLight = 4,
        kReadCounters = 5,
        kReadLight = 6,
        kWaitForCancel = 20000,
    };

    CZT40DialogProgress(ConfigStore& store, QWidget* owner);
    ~CZT40DialogProgress() override;

    int mode = 0;
    int percent = 1;

    // Set-up, then the modal run. Accepted when the operation finished, Rejected when it
    // was cancelled or the mode is unknown.
    int exec() override;
    // Set-up without the modal run (tests). false: the mode is unknown.
    bool setUp();

    // Whether the operation's keyboard transfers succeeded (meaningful after OK).
    bool operationSucceeded() const { return succeeded; }
    // True once the worker of this window has been started (it may wait for an earlier
    // operation to end first).
    bool workerStarted() const { return started; }

    void handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t l) override;
    void reject() override;

    // The worker body of a mode; posts its progress and its end to window.
    static void runOperation(int mode, ConfigStore* store, WindowHandle window);

protected:
    float skinScale() const override;
    std::string skinLanguage() const override;
    void onCommand(int id) override;
    void paintExtras(QPainter& p) override;
    int labelAlignment(const SkinButton&) const override { return Qt::AlignHCenter; }

private:
    void startWorkerWhenFree();
    void cancel();

    ConfigStore& store;
    QTimer* waitTimer = nullptr;
    bool setUpDone = false;
    bool started = false;
    bool succeeded = true;
};
