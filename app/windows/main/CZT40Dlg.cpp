#include "app/windows/main/CZT40Dlg.h"

#include "app/config/ConfigStore.h"
#include "app/shell/AppResources.h"
#include "app/shell/DeviceWorker.h"
#include "app/shell/DialogServices.h"
#include "app/shell/SkinImageIds.h"
#include "app/windows/main/MainRecords.h"
#include "app/windows/main/StatisticsView.h"
#include "app/windows/progress/CZT40DialogProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTimerEvent>

CZT40Dlg::WindowRunner CZT40Dlg::runKeyEditor;
CZT40Dlg::WindowRunner CZT40Dlg::runBacklight;
CZT40Dlg::WindowRunner CZT40Dlg::runFirmware;

namespace {
const QString kProfileFilter = QStringLiteral("pro(*.pro);;All Files(*.*)");
const QString kProfileSuffix = QStringLiteral("pro");
} // namespace

CZT40Dlg::CZT40Dlg(ConfigStore& s, QWidget* parent)
    : SkinWindow(parent, kMainRecordCount, QColor(0, 0, 255)), store(s) {}

CZT40Dlg::~CZT40Dlg() {
    if (tray)
        tray->hide();
}

float CZT40Dlg::skinScale() const {
    return store.scale > 0 ? store.scale : 1.0f;
}

std::string CZT40Dlg::skinLanguage() const {
    return store.language;
}

QString CZT40Dlg::tr2(const char16_t* zh, const char16_t* en) const {
    return QString::fromUtf16(store.isChinese() ? zh : en);
}

QString CZT40Dlg::modelCaption() const {
    return QString::fromStdU16String(store.modelName());
}

SkinButton* CZT40Dlg::record(int id) {
    for (SkinButton& b : buttons)
        if (b.id == id)
            return &b;
    return nullptr;
}

bool CZT40Dlg::trayIconVisible() const {
    return tray && tray->isVisible();
}

bool CZT40Dlg::setUp() {
    if (setUpDone)
        return !setUpFailed;
    setUpDone = true;
    const QString appName = QCoreApplication::applicationName();
    DialogServices& dialogs = dialogServices();
    if (!store.device.__createDev()) {
        dialogs.messageBox(this, QStringLiteral("Keyboard is not connected!"), appName,
                           DialogServices::Buttons::Ok, DialogServices::Icon::None);
        setUpFailed = true;
        return false;
    }
    char16_t version[64] = {};
    if (!store.device.ReadKeyboardVersion(version)) {
        dialogs.messageBox(this, QStringLiteral("Keyboard has be occupied!"), appName,
                           DialogServices::Buttons::Ok, DialogServices::Icon::None);
        setUpFailed = true;
        return false;
    }

    const AppResources& res = AppResources::current();
    appIcon = res.icon();
    setWindowIcon(appIcon);
    setWindowTitle(QStringLiteral("QORVANT"));

    int screenHeight = 1080;
    if (QScreen* sc = QGuiApplication::primaryScreen())
        screenHeight = sc->geometry().height();
    store.scale = scaleForScreenHeight(screenHeight);
    const SkinImageTriple ids = mainWindowImageIds(store.deviceType);
    setImages(res.image(ids.background), res.image(ids.hover), res.image(ids.checked));
    placeWindow(QSize(kMainDesignWidth, kMainDesignHeight));

    fillMainRecords(buttons.data(), store.deviceType);
    scaleButtons();

    store.currentLayer = 0;
    store.resetToDefaults();
    store.configNotWritten = 0;
    store.clickGuard = 0;

    tray = new QSystemTrayIcon(appIcon, this);
    tray->setToolTip(modelCaption().left(127));
    connect(tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::DoubleClick:
                // Many Linux panels deliver a single click only; it restores as well.
                case QSystemTrayIcon::Trigger:
                    trayMessage(kTrayIconId, kTrayLeftDoubleClick);
                    break;
                case QSystemTrayIcon::Context:
                    trayMessage(kTrayIconId, kTrayRightButtonUp);
                    break;
                default:
                    break;
                }
            });

    const float s = store.scale;
    const int left = static_cast<int>(static_cast<float>(kStatsBoxRect.left) * s);
    const int top = static_cast<int>(static_cast<float>(kStatsBoxRect.top) * s);
    const int width = static_cast<int>(static_cast<float>(kStatsBoxRect.right) * s) - left;
    const int height = static_cast<int>(static_cast<float>(kStatsBoxRect.bottom) * s) - top;
    statsBox = new QPlainTextEdit(this);
    statsBox->setObjectName(QStringLiteral("statsBox"));
    styleReadOnlyTextBox(statsBox);
    statsBox->setGeometry(left, top, width, height);
    // Very tall screens ask for more than the table holds; they get its largest font.
    statsBox->setFont(res.font(static_cast<int>(13.0f * s)));
    statsBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    statsBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Hovering the box is hovering no key.
    statsBox->setMouseTracking(false);

    markColors = {};
    markColors[2] = QColor(255, 255, 0);
    markColors[3] = QColor(0, 255, 0);
    markColors[4] = QColor(128, 128, 0);
    markColors[5] = QColor(255, 0, 255);
    markColors[6] = QColor(10, 10, 255);
    markColors[7] = QColor(0, 255, 255);
    markColors[8] = QColor(255, 0, 0);

    refreshStatistics();
    return true;
}

int CZT40Dlg::exec() {
    if (!setUp())
        return QDialog::Accepted;
    // Our own loop instead of QDialog::exec, so hiding in the notification area does not
    // end the run.
    setResult(0);
    show();
    QEventLoop loop;
    const auto conn = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    if (isVisible() || isMinimized())
        loop.exec(QEventLoop::DialogExec);
    disconnect(conn);
    return result();
}

int CZT40Dlg::hoveredKey() const {
    const int i = recordAt(buttons.data(), buttons.size(), lastMouse.x(), lastMouse.y());
    if (i < 0 || buttons[i].id < kCmdFirstKey)
        return -1;
    return buttons[i].key;
}

void CZT40Dlg::refreshStatistics() {
    if (DeviceWorker::busy())
        return; // the store is not ours to read yet
    std::u16string text = statisticsText(store, hoveredKey());
    if (text == statsText)
        return;
    statsText = std::move(text);
    if (statsBox)
        statsBox->setPlainText(QString::fromStdU16String(statsText).replace(QStringLiteral("\r\n"),
                                                                            QStringLiteral("\n")));
}

void CZT40Dlg::prepareFrame() {
    if (DeviceWorker::busy()) {
        // A cancelled operation may still be filling the store: show the last frame's
        // data and draw again once it has ended.
        if (!idleWatchTimerId)
            idleWatchTimerId = startTimer(50);
        return;
    }
    const int layer = store.currentLayer == 1 ? 1 : 0;
    for (int k = 0; k <= 108; ++k)
        shownMode[k] = store.keyMode[k][layer];
    for (SkinButton& b : buttons) {
        if (b.used() && !b.isLabel && b.key >= 1 && b.key <= 108)
            b.checked = shownMode[b.key] > 0 ? 1 : 0;
    }
    const SkinButton* layerSwitch = record(kCmdLayer);
    const bool fnShown = layerSwitch && layerSwitch->checked;
    if (SkinButton* top = record(77))
        top->checked = fnShown ? 0 : 1;
    if (SkinButton* fn = record(78))
        fn->checked = fnShown ? 1 : 0;
    refreshStatistics();
}

void CZT40Dlg::waitForWorker() {
    // Commands read and write the store, which a cancelled operation may still be using.
    if (!DeviceWorker::busy())
        return;
    waitingForWorker = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&loop] {
        if (!DeviceWorker::busy())
            loop.quit();
    });
    poll.start(20);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QGuiApplication::restoreOverrideCursor();
    waitingForWorker = false;
}

void CZT40Dlg::afterRecordPainted(QPainter& p, std::size_t index) {
    const SkinButton& b = buttons[index];
    if (b.isLabel || b.key < 1 || b.key > 108)
        return;
    const int m = shownMode[b.key];
    if (m <= 1 || m > 8)
        return;
    const float s = skinScale();
    const int w = static_cast<int>(static_cast<float>(b.rect.right - b.rect.left) / s);
    const int h2 = (w - 14) / 2;
    const int left = static_cast<int>(static_cast<float>(b.rect.left) / s + static_cast<float>(h2));
    const int right =
        static_cast<int>(static_cast<float>(b.rect.right) / s - static_cast<float>(h2));
    const int bottom = static_cast<int>(static_cast<float>(b.rect.bottom) / s);
    const int top = static_cast<int>(static_cast<float>(b.rect.bottom) / s - 4.0f);
    p.fillRect(QRect(left, top, right - left, bottom - top), markColors[m]);
}

void CZT40Dlg::paintEvent(QPaintEvent* e) {
    if (isMinimized()) {
        QPainter p(this);
        const QPixmap pm = appIcon.pixmap(32, 32);
        p.drawPixmap((width() - pm.width()) / 2, (height() - pm.height()) / 2, pm);
        return;
    }
    SkinWindow::paintEvent(e);
}

void CZT40Dlg::onLeftButtonUp(QPoint p) {
    if (store.clickGuard || waitingForWorker)
        return;
    waitForWorker();
    const int i = recordAt(buttons.data(), buttons.size(), p.x(), p.y());
    runCommand(i < 0 ? -1 : buttons[i].id, i);
}

void CZT40Dlg::timerEvent(QTimerEvent* e) {
    if (e->timerId() == guardTimerId) {
        store.clickGuard = 0;
        killTimer(guardTimerId);
        guardTimerId = 0;
        return;
    }
    if (e->timerId() == idleWatchTimerId) {
        if (!DeviceWorker::busy()) {
            killTimer(idleWatchTimerId);
            idleWatchTimerId = 0;
            update();
        }
        return;
    }
    if (e->timerId() == deviceRetryTimerId) {
        if (!DeviceWorker::busy()) {
            killTimer(deviceRetryTimerId);
            deviceRetryTimerId = 0;
            deviceChanged();
        }
        return;
    }
    SkinWindow::timerEvent(e);
}

int CZT40Dlg::runProgress(int mode, bool* succeeded) {
    CZT40DialogProgress progress(store, this);
    progress.mode = mode;
    const int r = progress.exec();
    *succeeded = progress.operationSucceeded();
    return r;
}

void CZT40Dlg::showOk() {
    // The confirmation box spells the first model's name with a small "le".
    const QString caption =
        store.deviceType == 2 ? QStringLiteral("537RM(S)ZQ.Ble") : modelCaption();
    dialogServices().messageBox(this, QStringLiteral("OK!!"), caption, DialogServices::Buttons::Ok,
                                DialogServices::Icon::Exclamation);
}

void CZT40Dlg::showTransferFailed() {
    dialogServices().messageBox(this,
                                tr2(u"键盘读写失败，请检查键盘连接！",
                                    u"The keyboard transfer failed. Check the connection!"),
                                modelCaption(), DialogServices::Buttons::Ok,
                                DialogServices::Icon::Error);
}

bool CZT40Dlg::saveProfileAs() {
    const QString path = dialogServices().saveFileName(this, kProfileFilter, kProfileSuffix);
    if (path.isEmpty())
        return true; // nothing chosen, nothing lost
    if (store.saveProfile(path.toStdU16String()))
        return true;
    dialogServices().messageBox(
        this,
        tr2(u"配置文件保存失败！", u"The configuration file could not be saved!") +
            QStringLiteral("\n") + QDir::toNativeSeparators(path),
        modelCaption(), DialogServices::Buttons::Ok, DialogServices::Icon::Error);
    return false;
}

void CZT40Dlg::exitCommand() {
    DialogServices& dialogs = dialogServices();
    if (store.configNotWritten &&
        dialogs.messageBox(this,
                           tr2(u"配置未写入，是否继续退出??",
                               u"Configuration don't be writted,continue to exit??"),
                           modelCaption(), DialogServices::Buttons::YesNo,
                           DialogServices::Icon::Question) != DialogServices::Yes)
        return;
    if (dialogs.messageBox(this,
                           tr2(u"是否保存按键配置文件??", u"Save configuration file of key??"),
                           modelCaption(), DialogServices::Buttons::YesNo,
                           DialogServices::Icon::Question) == DialogServices::Yes) {
        // A failed save keeps the window open so the configuration is not lost.
        const bool saved = saveProfileAs();
        update();
        if (!saved)
            return;
    }
    if (tray)
        tray->hide();
    QDialog::done(QDialog::Accepted);
}

void CZT40Dlg::hideToTray() {
    if (tray && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray->show();
        hide();
    } else {
        // No notification area on this desktop: minimise, so the window stays reachable.
        showMinimized();
    }
}

void CZT40Dlg::restoreFromTray() {
    showNormal();
    raise();
    activateWindow();
    if (tray)
        tray->hide();
}

int CZT40Dlg::trayMessage(std::uintptr_t iconId, std::intptr_t mouseMessage) {
    if (iconId != kTrayIconId)
        return 1;
    if (mouseMessage == kTrayLeftDoubleClick) {
        restoreFromTray();
    } else if (mouseMessage == kTrayRightButtonUp) {
        QStringList items;
        if (store.language == "zh-CN")
            items << QStringLiteral("关闭");
        else if (store.language == "en-US")
            items << QStringLiteral("Exit");
        const int chosen = dialogServices().popupMenu(this, items, QCursor::pos());
        if (chosen == 0 && !items.isEmpty()) {
            // The menu's exit ends the run at once: no questions, the icon stays as it is.
            QDialog::done(QDialog::Rejected);
        }
    }
    return 0;
}

void CZT40Dlg::handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t l) {
    if (msg == kMsgTrayIcon)
        trayMessage(w, l);
}

void CZT40Dlg::deviceChanged() {
    if (DeviceWorker::busy()) {
        // The keyboard is in use by a transfer; look again once it has ended.
        if (!deviceRetryTimerId)
            deviceRetryTimerId = startTimer(100);
        return;
    }
    if (store.device.DetectDevice())
        return;
    dialogServices().messageBox(this, QStringLiteral("Keyboard is not connected"),
                                QCoreApplication::applicationName(), DialogServices::Buttons::Ok,
                                DialogServices::Icon::None);
    if (tray)
        tray->hide();
    QDialog::done(QDialog::Rejected);
}

void CZT40Dlg::reject() {
    // Escape asks the same questions as the exit button.
    exitCommand();
}

void CZT40Dlg::closeEvent(QCloseEvent* e) {
    e->ignore();
    exitCommand();
}

void CZT40Dlg::runCommand(int id, int recordIndex) {
    DialogServices& dialogs = dialogServices();
    switch (id) {
    case kCmdLanguage: {
        SkinButton& b = buttons[recordIndex];
        if (b.checked) {
            store.language = "zh-CN";
            b.checked = 0;
        } else {
            store.language = "en-US";
            b.checked = 1;
        }
        update();
        break;
    }
    case kCmdReadCounters: {
        bool ok = true;
        if (runProgress(CZT40DialogProgress::kReadCounters, &ok) == QDialog::Accepted) {
            if (ok)
                showOk();
            else
                showTransferFailed();
        }
        update();
        break;
    }
    case kCmdHelp:
        dialogs.openWithDesktop(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QORVANT.html")));
        break;
    case kCmdHide:
        hideToTray();
        break;
    case kCmdExit:
        exitCommand();
        break;
    case kCmdSaveProfile:
        saveProfileAs();
        update();
        break;
    case kCmdOpenProfile: {
        const QString path = dialogs.openFileName(this, kProfileFilter, kProfileSuffix);
        if (!path.isEmpty() && !store.loadProfile(path.toStdU16String()))
            dialogs.messageBox(
                this,
                tr2(u"配置文件读取失败！", u"The configuration file could not be read!") +
                    QStringLiteral("\n") + QDir::toNativeSeparators(path),
                modelCaption(), DialogServices::Buttons::Ok, DialogServices::Icon::Error);
        update();
        // The dialog's closing click must not reach the keyboard picture.
        store.clickGuard = 1;
        if (guardTimerId)
            killTimer(guardTimerId);
        guardTimerId = startTimer(500);
        break;
    }
    case kCmdReset:
        store.resetToDefaults();
        update();
        break;
    case kCmdWriteKeys: {
        bool ok = true;
        if (runProgress(CZT40DialogProgress::kWriteKeys, &ok) == QDialog::Accepted) {
            if (ok) {
                store.configNotWritten = 0;
                showOk();
            } else {
                showTransferFailed();
            }
        }
        break;
    }
    case kCmdBacklight:
        if (runBacklight)
            runBacklight(this, store);
        break;
    case kCmdReadAll: {
        bool ok = true;
        if (runProgress(CZT40DialogProgress::kReadAll, &ok) == QDialog::Accepted) {
            if (ok)
                showOk();
            else
                showTransferFailed();
        }
        update();
        break;
    }
    case kCmdFirmware:
        if (runFirmware)
            runFirmware(this, store);
        break;
    case kCmdLayer: {
        SkinButton& b = buttons[recordIndex];
        store.currentLayer = 1 - store.currentLayer;
        b.checked = b.checked ? 0 : 1;
        update();
        break;
    }
    default:
        if (id >= kCmdFirstKey && id <= kCmdLastKey && recordIndex >= 0) {
            store.currentKey = buttons[recordIndex].key;
            if (runKeyEditor && runKeyEditor(this, store) == QDialog::Accepted)
                store.configNotWritten = 1;
            update();
        }
        break;
    }
}
