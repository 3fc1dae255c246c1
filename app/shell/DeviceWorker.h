#pragma once

// The one worker thread that may talk to the keyboard. A window starts its device
// operation here; while an earlier operation is still running (its window was cancelled
// and closed, but the transfer goes on) a new one is not started, so two operations never
// use the device and the store at once.

#include <functional>

class DeviceWorker {
public:
    // True while a started operation has not finished.
    static bool busy();
    // Starts body on the worker thread; false (nothing started) while busy.
    static bool start(std::function<void()> body);
    // Blocks until the running operation, if any, has finished.
    static void waitIdle();

    // Run by the operations after every completed keyboard transfer, on the worker thread
    // (the simulated keyboard saves its state file here).
    static void setAfterTransfer(std::function<void()> hook);
    static void afterTransfer();

    // Multiplies the fixed pauses of the operations (tests shorten them).
    static void setPauseScale(double scale);
    static void pause(int milliseconds);
};
