#include "app/shell/SkinImageIds.h"

SkinImageTriple mainWindowImageIds(int deviceType) {
    switch (deviceType) {
    case 2:
        return {146, 148, 147};
    case 3:
        return {154, 155, 153};
    case 4:
        return {157, 158, 156};
    default:
        return {101, 102, 103};
    }
}

SkinImageTriple progressWindowImageIds() {
    return {139, 140, 141};
}

SkinImageTriple virtualKeyboardImageIds() {
    return {167, 168, 166};
}

std::vector<int> keyEditorImageIds(int deviceType) {
    std::vector<int> ids;
    for (int id = 107; id <= 127; ++id)
        ids.push_back(id);
    // The sixteenth picture differs by model.
    switch (deviceType) {
    case 2:
        ids[15] = 151;
        break;
    case 3:
        ids[15] = 150;
        break;
    case 4:
        ids[15] = 152;
        break;
    default:
        break;
    }
    return ids;
}

int scrollBarImageId() {
    return 138;
}

std::vector<int> firmwareWindowImageIds() {
    return {128, 129, 130};
}

std::vector<int> backlightWindowImageIds(int deviceType) {
    return deviceType == 4 ? std::vector<int>{161, 162} : std::vector<int>{131, 132};
}

std::vector<int> multiColourWindowImageIds(int deviceType) {
    return deviceType == 4 ? std::vector<int>{164, 165} : std::vector<int>{142, 143};
}

std::vector<int> imageIdsForModel(int deviceType) {
    std::vector<int> ids;
    auto addTriple = [&](SkinImageTriple t) {
        ids.push_back(t.background);
        ids.push_back(t.hover);
        ids.push_back(t.checked);
    };
    auto addAll = [&](const std::vector<int>& more) {
        ids.insert(ids.end(), more.begin(), more.end());
    };
    addTriple(mainWindowImageIds(deviceType));
    addAll(keyEditorImageIds(deviceType));
    ids.push_back(scrollBarImageId());
    addAll(firmwareWindowImageIds());
    addAll(backlightWindowImageIds(deviceType));
    addTriple(progressWindowImageIds());
    addAll(multiColourWindowImageIds(deviceType));
    addTriple(virtualKeyboardImageIds());
    return ids;
}
