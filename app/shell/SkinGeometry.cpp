#include "app/shell/SkinGeometry.h"

namespace {
int truncScaled(int value, float scale) {
    return static_cast<int>(static_cast<float>(value) * scale);
}
} // namespace

float scaleForScreenHeight(int screenHeight) {
    const float q = static_cast<float>(screenHeight) / 1080.0f;
    if (q < 1.0f)
        return 1.0f;
    if (q <= 1.5f)
        return 1.5f;
    if (q <= 2.0f)
        return 2.0f;
    if (q <= 2.5f)
        return 2.5f;
    if (q <= 3.0f)
        return 3.0f;
    if (q <= 3.5f)
        return 3.5f;
    if (q <= 4.0f)
        return 4.0f;
    if (q <= 4.5f)
        return 4.5f;
    if (q <= 5.0f)
        return 5.0f;
    return q;
}

void scaleRecords(SkinButton* records, std::size_t count, float scale) {
    for (std::size_t i = 0; i < count; ++i) {
        SkinButton& b = records[i];
        if (b.isLabel)
            continue;
        b.rect.left = truncScaled(b.rect.left, scale);
        b.rect.top = truncScaled(b.rect.top, scale);
        b.rect.right = truncScaled(b.rect.right, scale);
        b.rect.bottom = truncScaled(b.rect.bottom, scale);
    }
}

DesignArea toDesignArea(const SkinRect& r, float scale) {
    DesignArea a;
    a.x = static_cast<int>(static_cast<float>(r.left) / scale);
    a.y = static_cast<int>(static_cast<float>(r.top) / scale);
    a.width = static_cast<int>(static_cast<float>(r.right - r.left) / scale);
    a.height = static_cast<int>(static_cast<float>(r.bottom - r.top) / scale);
    return a;
}

HitZone hitTestRecords(SkinButton* records, std::size_t count, int x, int y, int clientWidth,
                       int clientHeight, std::vector<std::size_t>* changed) {
    bool inside = false;
    for (std::size_t i = 0; i < count; ++i) {
        SkinButton& b = records[i];
        if (!b.hitArea())
            continue;
        if (b.rect.contains(x, y)) {
            inside = true;
            if (!b.hover) {
                b.hover = 1;
                if (changed)
                    changed->push_back(i);
            }
        } else if (b.hover) {
            b.hover = 0;
            if (changed)
                changed->push_back(i);
        }
    }
    if (inside)
        return HitZone::Client;
    const bool right = x > clientWidth - 6;
    const bool bottom = y > clientHeight - 6;
    if (right && bottom)
        return HitZone::BottomRight;
    if (right)
        return HitZone::Right;
    if (bottom)
        return HitZone::Bottom;
    return HitZone::Caption;
}

int recordAt(const SkinButton* records, std::size_t count, int x, int y) {
    for (std::size_t i = 0; i < count; ++i) {
        if (records[i].hitArea() && records[i].rect.contains(x, y))
            return static_cast<int>(i);
    }
    return -1;
}

int dispatchCommand(const SkinButton* records, std::size_t count, int x, int y) {
    const int i = recordAt(records, count, x, y);
    return i < 0 ? -1 : records[i].id;
}
