#pragma once

// The record table of the progress window (Qt-free, shared with the skin generator).

#include "app/shell/SkinButton.h"

#include <cstddef>

constexpr std::size_t kProgressRecordCount = 107;
constexpr int kProgressDesignWidth = 370;
constexpr int kProgressDesignHeight = 250;

// The bar: a 290-pixel track starting at (40, 150), 22 high.
constexpr int kProgressBarLeft = 40;
constexpr int kProgressBarTop = 150;
constexpr int kProgressBarWidth = 290;
constexpr int kProgressBarHeight = 22;

enum ProgressCommand : int {
    kProgressClose = 89,
    kProgressCancel = 93,
    kProgressWarning = 187,
    kProgressTitle = 188,
    kProgressCancelText = 193,
};

void fillProgressRecords(SkinButton* buttons);
