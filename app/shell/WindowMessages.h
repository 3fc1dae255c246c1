#pragma once

// The Qt side of window handles and posted messages. A window registers itself when it
// is created and unregisters when it is destroyed; a message posted from any thread
// travels as an event to the GUI thread and is handed to the window only if its handle
// is still registered there, so a worker that outlives its window never reaches freed
// memory.

#include "library/platform/Messages.h"

#include <QEvent>
#include <QObject>

class QWidget;

class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    PostedMessageEvent(WindowHandle window, unsigned msg, std::uintptr_t w, std::intptr_t l);

    WindowHandle window;
    unsigned msg;
    std::uintptr_t w;
    std::intptr_t l;
};

// Receives posted messages for one window.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual void handlePostedMessage(unsigned msg, std::uintptr_t w, std::intptr_t l) = 0;
};

// Lives on the GUI thread for the whole run; installs itself as the library's message
// sink and removes itself when destroyed.
class MessageBridge : public QObject {
public:
    MessageBridge();
    ~MessageBridge() override;
    MessageBridge(const MessageBridge&) = delete;
    MessageBridge& operator=(const MessageBridge&) = delete;

    // GUI thread only. Handles are never reused, so a late message can never reach a
    // newer window.
    static WindowHandle registerWindow(MessageTarget* target);
    static void unregisterWindow(WindowHandle handle);
    static bool isRegistered(WindowHandle handle);

protected:
    bool event(QEvent* e) override;
};
