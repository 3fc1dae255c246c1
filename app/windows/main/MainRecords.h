#pragma once

// The record table of the main window. Qt-free: the skin generator draws the main
// window's pictures from this same table.

#include "app/shell/SkinButton.h"

#include <cstddef>

constexpr std::size_t kMainRecordCount = 145;
constexpr int kMainDesignWidth = 1240;
constexpr int kMainDesignHeight = 670;

// Command identifiers.
enum MainCommand : int {
    kCmdLanguage = 85,
    kCmdReadCounters = 86,
    kCmdHelp = 87,
    kCmdHide = 88,
    kCmdExit = 89,
    kCmdSaveProfile = 90,
    kCmdOpenProfile = 91,
    kCmdReset = 92,
    kCmdWriteKeys = 93,
    kCmdBacklight = 94,
    kCmdReadAll = 95,
    kCmdFirmware = 96,
    kCmdLayer = 97,
    kCmdFirstKey = 100, // key index k has id 99 + k
    kCmdLastKey = 207,
};

// Models 2 and 3 have no backlight and a shifted row of commands.
bool mainHasCompactLayout(int deviceType);

// Fills `buttons` (kMainRecordCount records, default-constructed) with the commands, the
// 108 key areas and the labels, all in design pixels.
void fillMainRecords(SkinButton* buttons, int deviceType);

// Name of key index 1..108 ("" outside).
const char16_t* mainKeyName(int keyIndex);

// The statistics box, design pixels.
constexpr SkinRect kStatsBoxRect{27, 506, 960, 650};
