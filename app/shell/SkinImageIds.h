#pragma once

// Picture identifiers in the resource pack, by window role and model. Shared by the
// program (what to load) and the skin generator (what to draw).

#include <vector>

struct SkinImageTriple {
    int background;
    int hover;
    int checked;
};

SkinImageTriple mainWindowImageIds(int deviceType);
SkinImageTriple progressWindowImageIds();
SkinImageTriple virtualKeyboardImageIds();
// 21 pictures of the key assignment editor, in their fixed order.
std::vector<int> keyEditorImageIds(int deviceType);
int scrollBarImageId();
std::vector<int> firmwareWindowImageIds();
std::vector<int> backlightWindowImageIds(int deviceType);
std::vector<int> multiColourWindowImageIds(int deviceType);
// The application icon (icons are numbered apart from pictures: icon-128.png).
constexpr int kAppIconId = 128;

// Every picture the program loads for a model.
std::vector<int> imageIdsForModel(int deviceType);
