#pragma once

// Keystrokes for the macro recorder: while the hook is installed every keyboard event is
// turned into message 1126 to the recorder's window and goes nowhere else.

#include "library/interface/QorvantExport.h"
#include "library/platform/Messages.h"

#include <cstdint>
#include <memory>

// One low-level keyboard event.
struct KeyboardEventRecord {
    std::uint32_t vkCode = 0; // virtual-key code 1..254
    std::uint32_t scanCode = 0;
    std::uint32_t flags = 0; // bit 0: extended key
    std::uint32_t time = 0;
};

// Event messages.
enum : unsigned {
    kKeyDown = 256,
    kKeyUp = 257,
    kSysKeyDown = 260,
    kSysKeyUp = 261,
};

using KeyboardHookProc = long (*)(int code, unsigned message, const KeyboardEventRecord* record);

// Where keystrokes come from (the program supplies one, for example a keyboard grab of
// the recorder's window). While started it calls `proc` for every key event and
// discards the event when proc returns nonzero.
class QORVANTHWI_API KeystrokeSource {
public:
    virtual ~KeystrokeSource() = default;
    virtual void start(KeyboardHookProc proc) = 0;
    virtual void stop() = 0;
};

// The program registers its source once; nullptr removes it (stopping it first if the
// hook is installed).
QORVANTHWI_API void setKeystrokeSource(std::shared_ptr<KeystrokeSource> source);

// Stores the window and starts the registered source with KeyBoardProc. No result; a
// missing source simply means no keystrokes arrive.
QORVANTHWI_API void InstallHook(WindowHandle window);
// Stops the source. Afterwards KeyBoardProc posts nothing. No effect when not installed.
QORVANTHWI_API void UninstallHook();
// Posts 1126 (virtual-key code with bit 31 for a release and bit 30 for a system key;
// extended flag in bit 24 of the second parameter) and returns 1: the event is swallowed.
QORVANTHWI_API long KeyBoardProc(int code, unsigned message, const KeyboardEventRecord* record);
