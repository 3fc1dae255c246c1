#include "app/shell/WindowMessages.h"

#include <QCoreApplication>

#include <map>
#include <mutex>

namespace {
std::mutex bridgeMutex;
MessageBridge* liveBridge = nullptr; // guarded by bridgeMutex

// Touched on the GUI thread only.
std::map<WindowHandle, MessageTarget*>& registry() {
    static std::map<WindowHandle, MessageTarget*> r;
    return r;
}
WindowHandle nextHandle = 0x1000;
} // namespace

QEvent::Type PostedMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

PostedMessageEvent::PostedMessageEvent(WindowHandle window, unsigned msg, std::uintptr_t w,
                                       std::intptr_t l)
    : QEvent(eventType()), window(window), msg(msg), w(w), l(l) {}

MessageBridge::MessageBridge() {
    {
        std::lock_guard lock(bridgeMutex);
        liveBridge = this;
    }
    setMessageSink([](WindowHandle window, unsigned msg, std::uintptr_t w, std::intptr_t l) {
        std::lock_guard lock(bridgeMutex);
        // postEvent is thread-safe; holding the lock keeps the bridge alive meanwhile.
        if (liveBridge)
            QCoreApplication::postEvent(liveBridge, new PostedMessageEvent(window, msg, w, l));
    });
}

MessageBridge::~MessageBridge() {
    setMessageSink(nullptr);
    std::lock_guard lock(bridgeMutex);
    liveBridge = nullptr;
}

WindowHandle MessageBridge::registerWindow(MessageTarget* target) {
    const WindowHandle handle = ++nextHandle;
    registry()[handle] = target;
    return handle;
}

void MessageBridge::unregisterWindow(WindowHandle handle) {
    registry().erase(handle);
}

bool MessageBridge::isRegistered(WindowHandle handle) {
    return registry().count(handle) != 0;
}

bool MessageBridge::event(QEvent* e) {
    if (e->type() != PostedMessageEvent::eventType())
        return QObject::event(e);
    auto* m = static_cast<PostedMessageEvent*>(e);
    auto it = registry().find(m->window);
    if (it != registry().end())
        it->second->handlePostedMessage(m->msg, m->w, m->l);
    return true;
}
