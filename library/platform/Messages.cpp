#include "library/platform/Messages.h"

#include <mutex>

namespace {
std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}
MessageSink& currentSink() {
    static MessageSink sink;
    return sink;
}
} // namespace

void setMessageSink(MessageSink sink) {
    std::lock_guard lock(sinkMutex());
    currentSink() = std::move(sink);
}

void postMessage(WindowHandle window, unsigned msg, std::uintptr_t w, std::intptr_t l) {
    if (window == 0)
        return;
    MessageSink sink;
    {
        // Copy under the lock and call outside it, so a sink may post or replace itself.
        std::lock_guard lock(sinkMutex());
        sink = currentSink();
    }
    if (sink)
        sink(window, msg, w, l);
}
