#pragma once

// The main window: the keyboard picture with one clickable area per key, the command
// row, the layer switch, the colour legend and the statistics box.

#include "app/shell/SkinWindow.h"

#include <QColor>
#include <QIcon>

#include <array>
#include <functional>

class ConfigStore;
class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;
class QMenu;

class CZT40Dlg : public SkinWindow {
public:
    // Mouse messages carried by the notification-area message.
    static constexpr std::intptr_t kTrayLeftDoubleClick = 0x0203;
    static constexpr std::intptr_t kTrayRightButtonUp = 0x0205;
    static constexpr std::intptr_t kTrayLeftButtonUp = 0x0202;
    static constexpr int kTrayIconId = 128;

    // Runs another window modally over the main window and returns its result. The key
    // editor, backlight and firmware windows hook in here; without a hook the command
    // does nothing.
    using WindowRunner = std::function<int(QWidget* owner, ConfigStore& store)>;
    static WindowRunner runKeyEditor;
    static WindowRunner runBacklight;
    static WindowRunner runFirmware;

    explicit CZT40Dlg(ConfigStore& store, QWidget* parent = nullptr);
    ~CZT40Dlg() override;

    // Opens the keyboard and builds the window. false: the keyboard cannot be used (the
    // user has been told); the modal run then ends at once.
    bool setUp();
    // Set-up, then the modal run until the window is closed, also while it is hidden in
    // the notification area. Accepted after the exit command, Rejected after the tray
    // menu's exit or a lost keyboard.
    int exec() override;

    // A keyboard was plugged in or out.
    void deviceChanged();
    // The notification area's message: icon id and mouse message. Returns the answer.
    int trayMessage(std::uintptr_t iconId, std::intptr_t mouseMessage);

    void handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t l) override;
    void reject() override;

    // The text the statistics box holds (with its \r\n line ends).
    const std::u16string& statisticsShown() const { return statsText; }
    QPlainTextEdit* statisticsBox() const { return statsBox; }
    bool trayIconVisible() const;
    // The record with an id (nullptr when none is used).
    SkinButton* record(int id);
    std::array<QColor, 9> markColors{};

    // Builds the statistics text and refreshes the box the way a repaint does.
    void refreshStatistics();

protected:
    float skinScale() const override;
    std::string skinLanguage() const override;
    void onLeftButtonUp(QPoint clientPoint) override;
    void afterRecordPainted(QPainter& p, std::size_t index) override;
    void paintEvent(QPaintEvent* e) override;
    void beforePaint() override { prepareFrame(); }
    void closeEvent(QCloseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void runCommand(int id, int recordIndex);
    void prepareFrame();
    void waitForWorker();
    int runProgress(int mode, bool* succeeded);
    void showOk();
    void showTransferFailed();
    bool saveProfileAs();
    void exitCommand();
    void hideToTray();
    void restoreFromTray();
    QString modelCaption() const;
    QString tr2(const char16_t* zh, const char16_t* en) const;
    int hoveredKey() const;

    ConfigStore& store;
    QPlainTextEdit* statsBox = nullptr;
    QSystemTrayIcon* tray = nullptr;
    QMenu* trayMenu = nullptr;
    QIcon appIcon;
    std::u16string statsText;
    int guardTimerId = 0;
    int deviceRetryTimerId = 0;
    int idleWatchTimerId = 0;
    bool waitingForWorker = false;
    // The assignment modes of the layer shown, as last taken from the store. While a
    // cancelled operation is still writing the store, frames are drawn from this copy.
    int shownMode[109] = {};
    bool setUpDone = false;
    bool setUpFailed = false;
};
