#pragma once

#include "library/platform/Messages.h"

class CKeyboardUtil;

// Longest line a firmware file may have; longer lines are refused as damage.
constexpr int kFirmwareMaxLineLength = 999;
// Progress of a download runs 0..150.
constexpr int kFirmwareProgressScale = 150;

// Sends the Intel HEX text one record per report (body 00 3A, the record's bytes).
// data: the file text; it ends at its first NUL or after `length` bytes, whichever is
// first. True when every line up to the end (or up to an empty line) was sent.
bool downloadFirmware(CKeyboardUtil& transport, const char* data, int length, WindowHandle window);
