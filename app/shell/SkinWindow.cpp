#include "app/shell/SkinWindow.h"

#include "app/shell/AppResources.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>

SkinWindow::SkinWindow(QWidget* parent, std::size_t recordCount, QColor key)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), buttons(recordCount), colourKey(key) {
    windowHandleId = MessageBridge::registerWindow(this);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

SkinWindow::~SkinWindow() {
    MessageBridge::unregisterWindow(windowHandleId);
}

void SkinWindow::setImages(const QImage& background, const QImage& hoverImage,
                           const QImage& checkedImage) {
    backgroundImage = background;
    hoverImageSet = hoverImage;
    checkedImageSet = checkedImage;
}

void SkinWindow::placeWindow(QSize designFallback) {
    canvasSize = backgroundImage.isNull() ? designFallback : backgroundImage.size();
    const float s = skinScale();
    const int w = static_cast<int>(s * static_cast<float>(canvasSize.width()));
    const int h = static_cast<int>(s * static_cast<float>(canvasSize.height()));
    QRect screen(0, 0, 1920, 1080);
    if (QScreen* sc = QGuiApplication::primaryScreen())
        screen = sc->geometry();
    const int left = static_cast<int>(
        (static_cast<float>(screen.width()) - s * static_cast<float>(canvasSize.width())) * 0.5f);
    const int top = static_cast<int>(
        (static_cast<float>(screen.height()) - s * static_cast<float>(canvasSize.height())) * 0.5f);
    // The skin has one size; the window has no sizing style of its own.
    setFixedSize(w, h);
    move(screen.left() + left, screen.top() + top);
    applyColourKeyMask();
}

void SkinWindow::centreOver(const QWidget* owner) {
    if (!owner)
        return;
    const QRect o = owner->frameGeometry();
    move(o.left() + (o.width() - width()) / 2, o.top() + (o.height() - height()) / 2);
}

void SkinWindow::applyColourKeyMask() {
    if (backgroundImage.isNull()) {
        shapeRegion = QRegion();
        clearMask();
        return;
    }
    // Pixels in the key colour are cut out of the window; the mask follows the stretch.
    // (In a QBitmap region the set bits are the kept pixels; MaskInColor sets the others.)
    const QImage mask = backgroundImage.createMaskFromColor(colourKey.rgb(), Qt::MaskInColor);
    QRegion region(QBitmap::fromImage(mask));
    const float s = skinScale();
    if (s != 1.0f) {
        QImage scaled =
            mask.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        region = QRegion(QBitmap::fromImage(scaled));
    }
    shapeRegion = region;
    // The offscreen platform cannot shape windows and says so on every call.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        setMask(region);
}

void SkinWindow::scaleButtons() {
    scaleRecords(buttons.data(), buttons.size(), skinScale());
}

QRect SkinWindow::windowRectOf(const SkinRect& r) const {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

HitZone SkinWindow::hitTest(QPoint p) {
    lastMouse = p;
    std::vector<std::size_t> changed;
    const HitZone zone =
        hitTestRecords(buttons.data(), buttons.size(), p.x(), p.y(), width(), height(), &changed);
    for (std::size_t i : changed)
        update(windowRectOf(buttons[i].rect));
    return zone;
}

int SkinWindow::commandAt(QPoint p) const {
    return dispatchCommand(buttons.data(), buttons.size(), p.x(), p.y());
}

void SkinWindow::clickAt(QPoint p) {
    onLeftButtonUp(p);
}

void SkinWindow::onLeftButtonUp(QPoint p) {
    onCommand(commandAt(p));
}

void SkinWindow::mouseMoveEvent(QMouseEvent* e) {
    hitTest(e->position().toPoint());
    QDialog::mouseMoveEvent(e);
}

void SkinWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const HitZone zone = hitTest(e->position().toPoint());
        QWindow* w = windowHandle();
        if (w) {
            switch (zone) {
            case HitZone::Caption:
                w->startSystemMove();
                break;
            case HitZone::Right:
                w->startSystemResize(Qt::RightEdge);
                break;
            case HitZone::Bottom:
                w->startSystemResize(Qt::BottomEdge);
                break;
            case HitZone::BottomRight:
                w->startSystemResize(Qt::RightEdge | Qt::BottomEdge);
                break;
            case HitZone::Client:
                break;
            }
        }
    }
    QDialog::mousePressEvent(e);
}

void SkinWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        onLeftButtonUp(e->position().toPoint());
    QDialog::mouseReleaseEvent(e);
}

void SkinWindow::leaveEvent(QEvent* e) {
    // The pointer left the window: nothing is under it any more.
    hitTest(QPoint(-1, -1));
    lastMouse = QPoint(-1, -1);
    update();
    QDialog::leaveEvent(e);
}

int SkinWindow::labelAlignment(const SkinButton& label) const {
    switch (label.textFormat) {
    case 0:
        return Qt::AlignLeft;
    case 2:
        return Qt::AlignRight;
    default:
        return Qt::AlignHCenter;
    }
}

void SkinWindow::drawCanvas(QPainter& p) {
    const float s = skinScale();
    if (!backgroundImage.isNull())
        p.drawImage(0, 0, backgroundImage);
    const std::string language = skinLanguage();
    const AppResources& res = AppResources::current();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const SkinButton& b = buttons[i];
        if (!b.used())
            continue;
        if (!b.isLabel) {
            const QImage* source = nullptr;
            if (b.checked)
                source = &checkedImageSet;
            else if (b.rect.contains(lastMouse.x(), lastMouse.y()))
                source = &hoverImageSet;
            if (source && !source->isNull()) {
                const DesignArea a = toDesignArea(b.rect, s);
                const QRect r(a.x, a.y, a.width, a.height);
                p.drawImage(r.topLeft(), *source, r);
            }
        } else {
            const std::u16string text = b.text(language);
            if (!text.empty()) {
                const SkinColor c = b.checked ? b.checkedTextColor : b.textColor;
                p.setPen(QColor(c.r, c.g, c.b));
                p.setFont(res.font(b.fontSize));
                p.drawText(QRect(b.rect.left, b.rect.top, b.rect.width(), b.rect.height()),
                           labelAlignment(b) | Qt::AlignTop | Qt::TextSingleLine,
                           QString::fromStdU16String(text));
            }
        }
        afterRecordPainted(p, i);
    }
    paintExtras(p);
}

QImage SkinWindow::renderCanvas() {
    beforePaint();
    QImage canvas(canvasSize.isEmpty() ? QSize(1, 1) : canvasSize, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawCanvas(p);
    return canvas;
}

QImage SkinWindow::renderFrame() {
    const QImage canvas = renderCanvas();
    if (canvas.size() == size())
        return canvas;
    return canvas.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void SkinWindow::paintEvent(QPaintEvent*) {
    const QImage canvas = renderCanvas();
    QPainter out(this);
    out.setRenderHint(QPainter::SmoothPixmapTransform);
    out.drawImage(QRect(0, 0, width(), height()), canvas);
}

void SkinWindow::styleReadOnlyTextBox(QPlainTextEdit* box) {
    box->setReadOnly(true);
    box->setFrameStyle(0);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setCursorWidth(0);
    QPalette pal = box->palette();
    pal.setBrush(QPalette::Base, AppResources::current().darkBrush().style() == Qt::NoBrush
                                     ? QBrush(QColor(20, 20, 20))
                                     : AppResources::current().darkBrush());
    pal.setColor(QPalette::Text, QColor(255, 111, 0));
    pal.setColor(QPalette::Window, QColor(20, 20, 20));
    box->setPalette(pal);
    box->setAutoFillBackground(true);
    // A light desktop scroll bar would break the dark skin.
    box->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: rgb(20,20,20); width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgb(70,76,88); border-radius: 4px;"
        " min-height: 24px; }"
        "QScrollBar::handle:vertical:hover { background: rgb(255,111,0); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
}
