#include "SkinPainter.h"

#include "app/shell/SkinButton.h"
#include "app/windows/main/MainRecords.h"
#include "app/windows/progress/ProgressRecords.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <vector>

namespace {

const QColor kOrange(255, 111, 0);
const QColor kText(216, 220, 227);

QRect qrect(const SkinRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

QFont uiFont(int px, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// The window's body: a rounded dark slab; everything outside is the colour key. The
// outline is drawn without smoothing so no blended pixels are left next to the key.
void paintBody(QPainter& p, QSize size, QRgb key, int radius) {
    p.fillRect(QRect(QPoint(0, 0), size), QColor(key));
    QPainterPath path;
    path.addRoundedRect(QRectF(2, 2, size.width() - 4, size.height() - 4), radius, radius);
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(34, 37, 44));
    g.setColorAt(1, QColor(18, 20, 24));
    p.fillPath(path, g);
    p.setPen(QPen(QColor(70, 76, 88), 1));
    p.drawPath(path);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void paintButton(QPainter& p, const QRect& r, SkinLook look) {
    QRectF rr = QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient g(rr.topLeft(), rr.bottomLeft());
    QColor border;
    switch (look) {
    case SkinLook::Normal:
        g.setColorAt(0, QColor(52, 57, 67));
        g.setColorAt(1, QColor(38, 42, 50));
        border = QColor(78, 85, 98);
        break;
    case SkinLook::Hover:
        g.setColorAt(0, QColor(74, 80, 93));
        g.setColorAt(1, QColor(54, 59, 70));
        border = kOrange;
        break;
    case SkinLook::Checked:
        g.setColorAt(0, QColor(120, 58, 10));
        g.setColorAt(1, QColor(84, 40, 6));
        border = kOrange;
        break;
    }
    p.setPen(QPen(border, 1.2));
    p.setBrush(g);
    p.drawRoundedRect(rr, 6, 6);
}

// Fits a key legend into the cap: one line when it fits, else two words on two lines,
// shrinking the font down to 7 pixels.
void paintLegend(QPainter& p, const QRect& cap, const QString& text, const QColor& colour) {
    const QRect area = cap.adjusted(3, 2, -2, -2);
    QStringList lines{text};
    if (text.contains(' '))
        lines = text.split(' ');
    else if (text.size() > 6 && text != QStringLiteral("BackSpace")) {
        // CamelCase names split before their last capitalised word: "PreviousTrack",
        // "KPEnter".
        for (int i = text.size() - 2; i > 0; --i) {
            if (text[i].isUpper() && text[i + 1].isLower()) {
                lines = QStringList{text.left(i), text.mid(i)};
                break;
            }
        }
    }
    for (int px = 13; px >= 7; --px) {
        const QFont f = uiFont(px, px >= 11 && text.size() <= 2);
        const QFontMetrics fm(f);
        QStringList use = lines;
        if (lines.size() > 1 && fm.horizontalAdvance(text) <= area.width())
            use = QStringList{text};
        int widest = 0;
        for (const QString& l : use)
            widest = std::max(widest, fm.horizontalAdvance(l));
        if (widest > area.width() || fm.height() * use.size() > area.height()) {
            if (px > 7)
                continue;
        }
        p.setFont(f);
        p.setPen(colour);
        int y = area.top();
        for (const QString& l : use) {
            p.drawText(QRect(area.left(), y, area.width(), fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, l);
            y += fm.height();
        }
        return;
    }
}

void paintKey(QPainter& p, const QRect& r, const QString& legend, SkinLook look) {
    const QRectF outer = QRectF(r).adjusted(2, 2, -2, -2);
    QColor base, top, side, legendColour, border;
    switch (look) {
    case SkinLook::Normal: // a key without an assignment on the shown layer
        base = QColor(28, 30, 35);
        top = QColor(36, 39, 45);
        side = QColor(16, 17, 20);
        border = QColor(46, 50, 58);
        legendColour = QColor(120, 126, 138);
        break;
    case SkinLook::Hover:
        base = QColor(58, 63, 74);
        top = QColor(76, 82, 96);
        side = QColor(30, 33, 39);
        border = kOrange;
        legendColour = QColor(255, 255, 255);
        break;
    case SkinLook::Checked: // assigned
        base = QColor(44, 48, 56);
        top = QColor(58, 63, 73);
        side = QColor(22, 24, 28);
        border = QColor(92, 99, 113);
        legendColour = kText;
        break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(side);
    p.drawRoundedRect(outer, 5, 5);
    const QRectF face = outer.adjusted(3, 2, -3, -5);
    QLinearGradient g(face.topLeft(), face.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, base);
    p.setBrush(g);
    p.setPen(QPen(border, 1));
    p.drawRoundedRect(face, 4, 4);
    paintLegend(p, face.toRect(), legend, legendColour);
}

void paintTitleButton(QPainter& p, const QRect& r, int id, SkinLook look) {
    const QRectF c = QRectF(r).adjusted(1, 3, -1, -3);
    QColor bg = look == SkinLook::Hover
                    ? (id == kCmdExit ? QColor(200, 40, 40) : QColor(70, 76, 88))
                    : QColor(0, 0, 0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(c, 4, 4);
    p.setPen(QPen(look == SkinLook::Hover ? QColor(255, 255, 255) : QColor(180, 186, 198), 2));
    const QPointF m = c.center();
    if (id == kCmdExit) {
        p.drawLine(m + QPointF(-5, -5), m + QPointF(5, 5));
        p.drawLine(m + QPointF(-5, 5), m + QPointF(5, -5));
    } else if (id == kCmdHide) {
        p.drawLine(m + QPointF(-6, 5), m + QPointF(6, 5));
    } else {
        p.setFont(uiFont(16, true));
        p.drawText(c, Qt::AlignCenter, QStringLiteral("?"));
    }
}

void paintLayerSwitch(QPainter& p, const QRect& r, SkinLook look) {
    // A rocker: knob left for the top layer, right (green) for the Fn layer.
    const QRectF track(r.left() + 4, r.center().y() - 10, r.width() - 8, 20);
    const bool fn = look == SkinLook::Checked;
    p.setPen(QPen(look == SkinLook::Hover ? kOrange : QColor(78, 85, 98), 1.2));
    p.setBrush(fn ? QColor(0, 120, 40) : QColor(40, 44, 52));
    p.drawRoundedRect(track, 10, 10);
    const qreal d = 16;
    const qreal x = fn ? track.right() - d - 2 : track.left() + 2;
    p.setPen(Qt::NoPen);
    p.setBrush(fn ? QColor(0, 255, 0) : QColor(210, 214, 222));
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}

} // namespace

QImage paintMainWindow(int deviceType, SkinLook look) {
    std::vector<SkinButton> records(kMainRecordCount);
    fillMainRecords(records.data(), deviceType);
    const QSize size(kMainDesignWidth, kMainDesignHeight);
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBody(p, size, qRgb(0, 0, 255), 18);

    // Brand and model in the title row.
    p.setPen(kOrange);
    p.setFont(uiFont(24, true));
    p.drawText(QRect(24, 16, 300, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QORVANT"));
    const char* model = deviceType == 2   ? "537RM(S)ZQ.BLe"
                        : deviceType == 3 ? "537RM(S)ZQ"
                        : deviceType == 4 ? "537RM(XRGB)ZQ"
                                          : "537RM(XRGB)ZQ.BLe";
    p.setPen(QColor(140, 146, 158));
    p.setFont(uiFont(13));
    p.drawText(QRect(170, 16, 400, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(model));
    p.setPen(QPen(QColor(52, 57, 66), 1));
    p.drawLine(16, 66, size.width() - 16, 66);

    // The keyboard's case.
    QPainterPath plate;
    plate.addRoundedRect(QRectF(108, 152, 1060, 324), 12, 12);
    QLinearGradient pg(0, 152, 0, 476);
    pg.setColorAt(0, QColor(14, 15, 18));
    pg.setColorAt(1, QColor(8, 9, 11));
    p.fillPath(plate, pg);
    p.setPen(QPen(QColor(56, 60, 70), 1.5));
    p.drawPath(plate);

    // Statistics box frame (the box itself is a text control on top).
    p.setPen(QPen(QColor(56, 60, 70), 1));
    p.setBrush(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(kStatsBoxRect.left - 5.5, kStatsBoxRect.top - 5.5,
                             kStatsBoxRect.right - kStatsBoxRect.left + 11,
                             kStatsBoxRect.bottom - kStatsBoxRect.top + 11),
                      6, 6);

    // Brand panel beside the statistics.
    p.setPen(QColor(62, 66, 76));
    p.setFont(uiFont(34, true));
    p.drawText(QRect(975, 540, 250, 50), Qt::AlignCenter, QStringLiteral("QORVANT"));
    p.setFont(uiFont(12));
    p.setPen(QColor(100, 106, 118));
    p.drawText(QRect(975, 588, 250, 20), Qt::AlignCenter,
               QStringLiteral("108-key keyboard programming"));

    // Colour legend: a swatch before each caption, in the colours of the assignment marks.
    const QColor marks[] = {QColor(255, 255, 0), QColor(0, 255, 0),   QColor(128, 128, 0),
                            QColor(255, 0, 255), QColor(10, 10, 255), QColor(0, 255, 255),
                            QColor(255, 0, 0)};
    for (const SkinButton& b : records) {
        if (b.isLabel && b.id >= 55 && b.id <= 61) {
            p.setPen(Qt::NoPen);
            p.setBrush(marks[b.id - 55]);
            p.drawRoundedRect(QRectF(b.rect.left - 16, b.rect.top + 3, 12, 12), 2, 2);
        }
    }

    for (const SkinButton& b : records) {
        if (!b.hitArea())
            continue;
        const QRect r = qrect(b.rect);
        if (b.key >= 1) {
            paintKey(p, r, QString::fromStdU16String(b.text("en-US")), look);
        } else if (b.id == kCmdHelp || b.id == kCmdHide || b.id == kCmdExit) {
            paintTitleButton(p, r, b.id, look);
        } else if (b.id == kCmdLayer) {
            paintLayerSwitch(p, r, look);
        } else {
            paintButton(p, r, look);
        }
    }
    return img;
}

QImage paintProgressWindow(SkinLook look) {
    std::vector<SkinButton> records(kProgressRecordCount);
    fillProgressRecords(records.data());
    const QSize size(kProgressDesignWidth, kProgressDesignHeight);
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintBody(p, size, qRgb(255, 0, 0), 14);
    p.setPen(QPen(QColor(52, 57, 66), 1));
    p.drawLine(14, 54, size.width() - 14, 54);

    // The bar's track; the checked picture holds the full fill.
    const QRectF track(kProgressBarLeft, kProgressBarTop, kProgressBarWidth, kProgressBarHeight);
    p.setPen(QPen(QColor(60, 64, 74), 1));
    p.setBrush(QColor(12, 13, 16));
    p.drawRoundedRect(track.adjusted(-2.5, -2.5, 2.5, 2.5), 5, 5);
    if (look == SkinLook::Checked) {
        QLinearGradient g(track.topLeft(), track.bottomLeft());
        g.setColorAt(0, QColor(255, 150, 40));
        g.setColorAt(1, QColor(220, 90, 0));
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(track, g);
        p.setRenderHint(QPainter::Antialiasing, true);
    }
    for (const SkinButton& b : records) {
        if (!b.hitArea())
            continue;
        const QRect r = qrect(b.rect);
        if (b.id == kProgressClose) {
            const QRectF c = QRectF(r).adjusted(0, 7, 0, -7);
            if (look == SkinLook::Hover) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(200, 40, 40));
                p.drawRoundedRect(c, 4, 4);
            }
            p.setPen(QPen(look == SkinLook::Hover ? Qt::white : QColor(180, 186, 198), 2));
            const QPointF m = c.center();
            p.drawLine(m + QPointF(-5, -5), m + QPointF(5, 5));
            p.drawLine(m + QPointF(-5, 5), m + QPointF(5, -5));
        } else {
            paintButton(p, r, look);
        }
    }
    return img;
}

QImage paintPlainPanel(int width, int height, QRgb key, const QString& title, SkinLook look) {
    const QSize size(width, height);
    QImage img(size, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintBody(p, size, key, 14);
    p.setPen(look == SkinLook::Normal ? QColor(140, 146, 158) : kOrange);
    p.setFont(uiFont(12));
    p.drawText(QRect(16, 10, width - 32, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    return img;
}

QImage paintAppIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 30, 36));
    p.drawRoundedRect(QRectF(2, 10, 60, 44), 8, 8);
    p.setBrush(QColor(70, 76, 88));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 6; ++col)
            p.drawRoundedRect(QRectF(7 + col * 8.6, 16 + row * 9, 7, 7), 1.5, 1.5);
    p.setBrush(QColor(255, 111, 0));
    p.drawRoundedRect(QRectF(16, 43, 32, 6), 2, 2);
    return img;
}
