#include "app/windows/progress/CZT40DialogProgress.h"

#include "app/config/ConfigStore.h"
#include "app/shell/AppResources.h"
#include "app/shell/DeviceWorker.h"
#include "app/shell/SkinImageIds.h"
#include "app/windows/progress/ProgressRecords.h"

#include <QPainter>
#include <QTimer>

CZT40DialogProgress::CZT40DialogProgress(ConfigStore& s, QWidget* owner)
    : SkinWindow(owner, kProgressRecordCount, QColor(255, 0, 0)), store(s) {
    setModal(true);
}

CZT40DialogProgress::~CZT40DialogProgress() = default;

float CZT40DialogProgress::skinScale() const {
    return store.scale > 0 ? store.scale : 1.0f;
}

std::string CZT40DialogProgress::skinLanguage() const {
    return store.language;
}

bool CZT40DialogProgress::setUp() {
    if (setUpDone)
        return true;
    const bool known = (mode >= 1 && mode <= 6) || mode == kWaitForCancel;
    if (!known)
        return false;
    setUpDone = true;
    const AppResources& res = AppResources::current();
    const SkinImageTriple ids = progressWindowImageIds();
    setImages(res.image(ids.background), res.image(ids.hover), res.image(ids.checked));
    placeWindow(QSize(kProgressDesignWidth, kProgressDesignHeight));
    centreOver(parentWidget());
    fillProgressRecords(buttons.data());
    scaleButtons();
    percent = 1;
    store.notifyWnd = handle();
    if (mode != kWaitForCancel)
        startWorkerWhenFree();
    return true;
}

int CZT40DialogProgress::exec() {
    if (!setUp())
        return QDialog::Rejected;
    return QDialog::exec();
}

void CZT40DialogProgress::startWorkerWhenFree() {
    // An operation whose window was cancelled may still be talking to the keyboard; this
    // one starts as soon as it has ended.
    if (DeviceWorker::start([m = mode, st = &store, w = handle()] { runOperation(m, st, w); })) {
        started = true;
        if (waitTimer)
            waitTimer->stop();
        return;
    }
    if (!waitTimer) {
        waitTimer = new QTimer(this);
        waitTimer->setInterval(20);
        connect(waitTimer, &QTimer::timeout, this, [this] { startWorkerWhenFree(); });
    }
    waitTimer->start();
}

void CZT40DialogProgress::runOperation(int mode, ConfigStore* store, WindowHandle window) {
    // The window handle is taken when the operation starts: a later window that sets
    // notifyWnd must never receive this operation's messages.
    bool ok = true;
    switch (mode) {
    case kWriteKeys:
        ok = store->sendKeysToKeyboard(window);
        DeviceWorker::afterTransfer();
        DeviceWorker::pause(1000);
        break;
    case kReadAll:
        ok = store->readKeysFromKeyboard(window);
        DeviceWorker::pause(2000);
        ok = store->readLightFromKeyboard() && ok;
        DeviceWorker::afterTransfer();
        break;
    case kWriteLight:
        ok = store->sendLightToKeyboard();
        DeviceWorker::afterTransfer();
        postMessage(window, kMsgProgress, 150, 0);
        DeviceWorker::pause(1000);
        break;
    case kReadCounters:
        ok = store->readCountersFromKeyboard();
        DeviceWorker::afterTransfer();
        postMessage(window, kMsgProgress, 150, 0);
        DeviceWorker::pause(1000);
        break;
    case kReadLight:
        ok = store->readLightFromKeyboard();
        DeviceWorker::afterTransfer();
        postMessage(window, kMsgProgress, 150, 0);
        DeviceWorker::pause(1000);
        break;
    case kNoOperation:
        postMessage(window, kMsgProgress, 150, 0);
        DeviceWorker::pause(1000);
        break;
    default:
        break;
    }
    postMessage(window, kMsgFinished, ok ? 1 : 0, 0);
}

void CZT40DialogProgress::handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t) {
    if (msg == kMsgProgress) {
        const int k = (mode == kWriteKeys || mode == kReadAll) ? 100 : 200;
        percent = static_cast<int>(static_cast<long long>(w) * k / 150);
        update();
    } else if (msg == kMsgFinished) {
        succeeded = w != 0;
        done(QDialog::Accepted);
    }
}

void CZT40DialogProgress::cancel() {
    percent = 0;
    if (waitTimer)
        waitTimer->stop();
    done(QDialog::Rejected);
}

void CZT40DialogProgress::reject() {
    cancel();
}

void CZT40DialogProgress::onCommand(int id) {
    if (id == kProgressClose || id == kProgressCancel)
        cancel();
}

void CZT40DialogProgress::paintExtras(QPainter& p) {
    const QImage& checked = AppResources::current().image(progressWindowImageIds().checked);
    if (checked.isNull() || percent <= 0)
        return;
    // Beyond 100 % the fill simply runs on to the edge of the picture.
    const int w = static_cast<int>(static_cast<long long>(percent) * kProgressBarWidth / 100);
    const QRect r(kProgressBarLeft, kProgressBarTop, w, kProgressBarHeight);
    p.drawImage(r.topLeft(), checked, r);
}
