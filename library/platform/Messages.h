#pragma once

#include "library/interface/QorvantExport.h"

#include <cstdint>
#include <functional>

// Opaque window identity. The library never looks behind it; it only hands it back to
// whoever installed the message sink.
using WindowHandle = std::uintptr_t; // 0 = no window

using MessageSink =
    std::function<void(WindowHandle, unsigned msg, std::uintptr_t w, std::intptr_t l)>;

// Message numbers shared by the library and the program.
enum : unsigned {
    kMsgTrayIcon = 1125,
    kMsgHookKey = 1126,
    kMsgProgress = 1127,
    kMsgFinished = 1128,
};

// The program (or a test) decides how messages travel.
QORVANTHWI_API void setMessageSink(MessageSink sink);

// Thread-safe. Does nothing for window 0 or when no sink is installed.
QORVANTHWI_API void postMessage(WindowHandle window, unsigned msg, std::uintptr_t w,
                                std::intptr_t l);
