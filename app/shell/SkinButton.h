#pragma once

// The record behind every button, key area and text label of a skinned window. Kept
// free of Qt so the build-time skin generator draws from exactly the tables the windows
// use.

#include <cstdint>
#include <map>
#include <string>

struct SkinColor {
    std::uint8_t r = 200;
    std::uint8_t g = 200;
    std::uint8_t b = 200;
    friend bool operator==(const SkinColor&, const SkinColor&) = default;
};

// Left and top inclusive, right and bottom exclusive.
struct SkinRect {
    int left = -1;
    int top = -1;
    int right = -1;
    int bottom = -1;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

using SkinText = std::map<std::string, std::u16string>;

struct SkinButton {
    int id = -1; // <= 0: unused slot
    SkinText caption{{"en", u"Unused"}};
    SkinText tip{{"en", u"Unused"}};
    SkinRect rect;
    SkinColor textColor{200, 200, 200};
    SkinColor checkedTextColor{200, 200, 200};
    int key = -1;
    int action = -1;
    std::uint8_t checked = 0;
    std::uint8_t isLabel = 0;
    std::uint8_t isListText = 0;
    std::uint8_t showCaption = 1;
    std::uint8_t hover = 0;
    int textFormat = 1; // 0 left, 1 centred, 2 right
    int fontSize = 13;  // index into the application's font table

    bool used() const { return id > 0; }
    // Used and not a label: takes part in hit tests, hover and clicks.
    bool hitArea() const { return id > 0 && !isLabel; }
    // The caption for a language; empty when there is none.
    std::u16string text(const std::string& language) const {
        auto it = caption.find(language);
        return it == caption.end() ? std::u16string() : it->second;
    }
};

// Fills caption and tip with a Chinese/English pair.
inline void setSkinText(SkinText& text, std::u16string zh, std::u16string en) {
    text.clear();
    text.emplace("zh-CN", std::move(zh));
    text.emplace("en-US", std::move(en));
}
