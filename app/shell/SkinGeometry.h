#pragma once

// The geometry every skinned window shares: display scale, record scaling, hit test and
// click dispatch. Plain functions over record arrays so they can be checked without a
// window system.

#include "app/shell/SkinButton.h"

#include <cstddef>
#include <vector>

// Design pixels x scale = window pixels. Only the screen height counts.
float scaleForScreenHeight(int screenHeight);

// Multiplies the rectangle of every record that is not a label (used or not), once.
void scaleRecords(SkinButton* records, std::size_t count, float scale);

// A window-pixel rectangle back in design pixels (x, y, width, height).
struct DesignArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
DesignArea toDesignArea(const SkinRect& windowRect, float scale);

// What the pointer is over when it is not over a record.
enum class HitZone { Client, BottomRight, Right, Bottom, Caption };

// Updates the hover flag of every hit area for the client point (x, y) and appends the
// index of every record whose flag changed to `changed` (may be null). Records win over
// the sizing strips; anything else is the caption, i.e. the window is dragged from there.
HitZone hitTestRecords(SkinButton* records, std::size_t count, int x, int y, int clientWidth,
                       int clientHeight, std::vector<std::size_t>* changed);

// The id of the first hit area containing the point, or -1.
int dispatchCommand(const SkinButton* records, std::size_t count, int x, int y);

// Index of the first hit area containing the point, or -1.
int recordAt(const SkinButton* records, std::size_t count, int x, int y);
