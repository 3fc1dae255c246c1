#include "library/hook/KeyboardHook.h"

#include <atomic>
#include <mutex>

namespace {
// The hook's two handles: whether it is installed, and the window it reports to.
std::atomic<bool> g_installed{false};
std::atomic<WindowHandle> g_window{0};

std::mutex& sourceMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<KeystrokeSource>& registeredSource() {
    static std::shared_ptr<KeystrokeSource> source;
    return source;
}
} // namespace

void setKeystrokeSource(std::shared_ptr<KeystrokeSource> source) {
    std::shared_ptr<KeystrokeSource> old;
    {
        std::lock_guard lock(sourceMutex());
        old = std::move(registeredSource());
        registeredSource() = source;
    }
    if (g_installed) {
        if (old)
            old->stop();
        if (source)
            source->start(&KeyBoardProc);
    }
}

void InstallHook(WindowHandle window) {
    g_window = window;
    g_installed = true;
    std::shared_ptr<KeystrokeSource> source;
    {
        std::lock_guard lock(sourceMutex());
        source = registeredSource();
    }
    if (source)
        source->start(&KeyBoardProc);
}

void UninstallHook() {
    if (!g_installed.exchange(false))
        return;
    g_window = 0;
    std::shared_ptr<KeystrokeSource> source;
    {
        std::lock_guard lock(sourceMutex());
        source = registeredSource();
    }
    if (source)
        source->stop();
}

long KeyBoardProc(int /*code*/, unsigned message, const KeyboardEventRecord* record) {
    if (!record)
        return 1;
    std::uint32_t value = record->vkCode;
    switch (message) {
    case kKeyUp:
        value |= 0x80000000u;
        break;
    case kSysKeyDown:
        value |= 0x40000000u;
        break;
    case kSysKeyUp:
        value |= 0xC0000000u;
        break;
    default:
        break;
    }
    const std::intptr_t extended = static_cast<std::intptr_t>(record->flags & 1u) << 24;
    postMessage(g_window, kMsgHookKey, value, extended);
    return 1;
}
