#include "app/shell/AppResources.h"

#include "app/shell/SkinImageIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>

QString AppResources::defaultPackDir() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QORVANTRES"));
}

void AppResources::loadPictures(int deviceType, const QString& packDir) {
    images.clear();
    const QDir dir(packDir);
    for (int id : imageIdsForModel(deviceType)) {
        QImage img;
        const QString file = dir.filePath(QString::number(id) + QStringLiteral(".png"));
        if (QFile::exists(file) && img.load(file))
            images[id] = img.convertToFormat(QImage::Format_RGB32);
    }
    QImage iconImage;
    if (iconImage.load(dir.filePath(QStringLiteral("icon-%1.png").arg(kAppIconId))))
        appIcon = QIcon(QPixmap::fromImage(iconImage));
    if (appIcon.isNull()) {
        // A tray entry needs some icon even without the pack.
        QPixmap pm(32, 32);
        pm.fill(QColor(20, 20, 20));
        QPainter p(&pm);
        p.setPen(QColor(255, 111, 0));
        p.drawRect(3, 8, 25, 15);
        appIcon = QIcon(pm);
    }
}

void AppResources::createDrawingObjects() {
    brush = QBrush(QColor(20, 20, 20));
    for (int i = 0; i < kFontCount; ++i) {
        QFont f;
        if (i > 0)
            f.setPixelSize(i);
        fonts[i] = f;
    }
}

void AppResources::release() {
    images.clear();
    appIcon = QIcon();
}

const QImage& AppResources::image(int id) const {
    static const QImage empty;
    auto it = images.find(id);
    return it == images.end() ? empty : it->second;
}

const QFont& AppResources::font(int index) const {
    if (index < 0)
        index = 0;
    if (index >= kFontCount)
        index = kFontCount - 1;
    return fonts[index];
}

AppResources& AppResources::current() {
    static AppResources resources;
    return resources;
}
