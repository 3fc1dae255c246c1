#pragma once

// The base of every skinned window: a borderless dialog whose whole surface is drawn
// from its pictures and whose buttons, key areas and labels are SkinButton records.
// It shapes the window from the colour key, tracks hover by hit test, drags the window
// by any free spot, offers 6-pixel sizing strips on the right and bottom, dispatches
// clicks and paints into a design-pixel canvas stretched by the display scale.

#include "app/shell/SkinButton.h"
#include "app/shell/SkinGeometry.h"
#include "app/shell/WindowMessages.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>

#include <string>
#include <vector>

class QPainter;
class QPlainTextEdit;

class SkinWindow : public QDialog, public MessageTarget {
public:
    SkinWindow(QWidget* parent, std::size_t recordCount, QColor colourKey);
    ~SkinWindow() override;

    // The window's handle for posted messages; valid until the window is destroyed.
    WindowHandle handle() const { return windowHandleId; }

    std::vector<SkinButton> buttons;
    // Last client mouse position seen by the hit test; (-1, -1) when the mouse is away.
    QPoint lastMouse{-1, -1};

    // What the pointer is over at a client point; updates hover flags and repaints the
    // records whose flag changed.
    HitZone hitTest(QPoint clientPoint);
    // The command of a click at a client point (-1: none).
    int commandAt(QPoint clientPoint) const;
    // Runs a left-button release at a client point, as a click would.
    void clickAt(QPoint clientPoint);

    // The finished frame in window pixels, as it is put on screen.
    QImage renderFrame();

    // The window's outline from the colour key (empty: the whole rectangle).
    const QRegion& shape() const { return shapeRegion; }

    // Standard colours of a read-only text box: orange text on the dark brush, no caret.
    static void styleReadOnlyTextBox(QPlainTextEdit* box);

    void handlePostedMessage(unsigned, std::uintptr_t, std::intptr_t) override {}

protected:
    virtual float skinScale() const = 0;
    virtual std::string skinLanguage() const = 0;
    // A left-button release; by default the first hit record's id goes to onCommand.
    virtual void onLeftButtonUp(QPoint clientPoint);
    virtual void onCommand(int) {}
    // Called after a record's state picture or label text is drawn.
    virtual void afterRecordPainted(QPainter&, std::size_t) {}
    // Window-specific drawing after all records.
    virtual void paintExtras(QPainter&) {}
    // Brings record states up to date before a frame is drawn.
    virtual void beforePaint() {}
    virtual int labelAlignment(const SkinButton& label) const;

    // Images borrowed from the application; any of them may be empty.
    void setImages(const QImage& background, const QImage& hoverImage, const QImage& checkedImage);
    // Sizes the window from the background picture (or designFallback when it is
    // missing), centres it on the screen and shapes it from the colour key.
    void placeWindow(QSize designFallback);
    // Centres the window again over another window.
    void centreOver(const QWidget* owner);
    // Multiplies the rectangle of every record that is not a label.
    void scaleButtons();

    QSize designSize() const { return canvasSize; }

    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;

    void drawCanvas(QPainter& canvas);
    QImage renderCanvas();

private:
    void applyColourKeyMask();
    QRect windowRectOf(const SkinRect& r) const;

    WindowHandle windowHandleId = 0;
    QColor colourKey;
    QImage backgroundImage;
    QImage hoverImageSet;
    QImage checkedImageSet;
    QSize canvasSize;
    QRegion shapeRegion;
};
