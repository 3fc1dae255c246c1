#include "app/windows/main/Screenshots.h"

#include "app/config/ConfigStore.h"
#include "app/windows/main/CZT40Dlg.h"
#include "app/windows/main/MainRecords.h"
#include "simulator/SimulatorBackend.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

namespace {

void sampleAssignments(ConfigStore& store) {
    auto list = [&](int key, int layer, int mode, std::initializer_list<const char16_t*> items) {
        ListRecord& l = store.keyLists[key][layer];
        l.clear();
        for (const char16_t* item : items)
            l.setOrAppend(20000, item);
        store.keyMode[key][layer] = mode;
    };
    // Top layer: a combination, a macro and an emulation next to the ordinary keys.
    list(29, 0, 2, {u"LCTRL", u"C"});
    list(30, 0, 3, {u"H", u"<50 ms>", u"I"});
    list(31, 0, 4, {u"W"});
    list(44, 1, 2, {u"LCTRL", u"S"});
}

QPoint centreOf(const SkinButton* b) {
    return b ? QPoint((b->rect.left + b->rect.right) / 2, (b->rect.top + b->rect.bottom) / 2)
             : QPoint(-1, -1);
}

} // namespace

bool writeMainWindowScreenshots(CZT40Dlg& dlg, ConfigStore& store, SimulatorBackend* sim,
                                const std::filesystem::path& dir) {
    if (!dlg.setUp())
        return false;
    QDir().mkpath(QString::fromStdString(dir.string()));
    if (sim) {
        const int presses[][2] = {{43, 420}, {47, 97}, {33, 260}, {70, 510}, {15, 12}, {1, 3}};
        for (const auto& p : presses)
            sim->pressKey(p[0], p[1]);
        store.readCountersFromKeyboard();
    }
    sampleAssignments(store);
    dlg.show();
    QApplication::processEvents();

    bool ok = true;
    for (int language = 0; language < 2; ++language) {
        for (int layer = 0; layer < 2; ++layer) {
            // Run the commands as clicks, the way a user would switch.
            const bool wantEnglish = language == 1;
            if ((store.language == "en-US") != wantEnglish)
                dlg.clickAt(centreOf(dlg.record(kCmdLanguage)));
            if (store.currentLayer != layer)
                dlg.clickAt(centreOf(dlg.record(kCmdLayer)));
            // Rest the mouse on the space bar so the statistics show a key's details.
            dlg.hitTest(centreOf(dlg.record(99 + 70)));
            dlg.refreshStatistics();
            QApplication::processEvents();

            QImage shot = dlg.grab().toImage().convertToFormat(QImage::Format_ARGB32);
            // What the colour key cuts away is not part of the window.
            if (!dlg.shape().isEmpty()) {
                QImage alpha(shot.size(), QImage::Format_ARGB32);
                alpha.fill(Qt::transparent);
                QPainter p(&alpha);
                p.setClipRegion(dlg.shape());
                p.drawImage(0, 0, shot);
                p.end();
                shot = alpha;
            }
            const QString name = QStringLiteral("main-%1-%2.png")
                                     .arg(wantEnglish ? QStringLiteral("en") : QStringLiteral("zh"),
                                          layer ? QStringLiteral("fn") : QStringLiteral("top"));
            const QString path = QDir(QString::fromStdString(dir.string())).filePath(name);
            if (!shot.save(path)) {
                std::fprintf(stderr, "QORVANT: cannot write %s\n", path.toLocal8Bit().constData());
                ok = false;
            }
        }
    }
    dlg.hide();
    return ok;
}
