// Writes the skin pictures of every window as <id>.png into the folder given on the
// command line. Run by the build; the program loads the pictures by id at start-up.

#include "SkinPainter.h"

#include "app/shell/SkinImageIds.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <functional>
#include <set>
#include <vector>

namespace {

bool save(const QDir& dir, int id, const QImage& img) {
    const QString path = dir.filePath(QString::number(id) + QStringLiteral(".png"));
    if (img.save(path))
        return true;
    std::fprintf(stderr, "qorvant-skingen: cannot write %s\n", path.toLocal8Bit().constData());
    return false;
}

bool saveTriple(const QDir& dir, const SkinImageTriple& ids,
                const std::function<QImage(SkinLook)>& paint) {
    return save(dir, ids.background, paint(SkinLook::Normal)) &&
           save(dir, ids.hover, paint(SkinLook::Hover)) &&
           save(dir, ids.checked, paint(SkinLook::Checked));
}

bool savePanels(const QDir& dir, const std::vector<int>& ids, int w, int h, QRgb key,
                const QString& title) {
    const SkinLook looks[] = {SkinLook::Normal, SkinLook::Hover, SkinLook::Checked};
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (!save(dir, ids[i], paintPlainPanel(w, h, key, title, looks[i % 3])))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qorvant-skingen OUTPUT_DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "qorvant-skingen: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (int model : {1, 2, 3, 4})
        ok = ok && saveTriple(dir, mainWindowImageIds(model),
                              [model](SkinLook look) { return paintMainWindow(model, look); });
    ok = ok && saveTriple(dir, progressWindowImageIds(),
                          [](SkinLook look) { return paintProgressWindow(look); });

    // Windows drawn as plain panels until their own tables join the generator.
    const QRgb red = qRgb(255, 0, 0);
    const QRgb blue = qRgb(0, 0, 255);
    const QRgb lightKey = qRgb(1, 3, 255);
    std::set<int> editorIds;
    for (int model : {1, 2, 3, 4})
        for (int id : keyEditorImageIds(model))
            editorIds.insert(id);
    const std::vector<int> editor(editorIds.begin(), editorIds.end());
    ok = ok && savePanels(dir, editor, 900, 620, red, QStringLiteral("QORVANT"));
    ok = ok && savePanels(dir, {scrollBarImageId()}, 20, 300, red, QString());
    ok = ok && savePanels(dir, firmwareWindowImageIds(), 480, 300, red, QStringLiteral("QORVANT"));
    ok =
        ok && savePanels(dir, {131, 132, 161, 162}, 1240, 670, lightKey, QStringLiteral("QORVANT"));
    ok = ok && savePanels(dir, {142, 143, 164, 165}, 480, 360, lightKey, QStringLiteral("QORVANT"));
    ok = ok && saveTriple(dir, virtualKeyboardImageIds(), [blue](SkinLook look) {
             return paintPlainPanel(940, 360, blue, QStringLiteral("QORVANT"), look);
         });
    // Icons have their own numbers, apart from the pictures (128 is also a picture).
    const QString iconPath = dir.filePath(QStringLiteral("icon-%1.png").arg(kAppIconId));
    if (!paintAppIcon(64).save(iconPath)) {
        std::fprintf(stderr, "qorvant-skingen: cannot write %s\n",
                     iconPath.toLocal8Bit().constData());
        ok = false;
    }
    return ok ? 0 : 1;
}
