#include "app/shell/DeviceWorker.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {
std::mutex workerMutex;
// A worker still running at exit is waited for rather than torn down mid-transfer.
struct JoiningThread {
    std::thread thread;
    ~JoiningThread() {
        if (thread.joinable())
            thread.join();
    }
};
JoiningThread worker; // guarded by workerMutex
std::atomic<bool> running{false};
std::mutex hookMutex;
std::function<void()> afterTransferHook; // guarded by hookMutex
std::atomic<double> pauseScale{1.0};
} // namespace

bool DeviceWorker::busy() {
    return running.load();
}

bool DeviceWorker::start(std::function<void()> body) {
    std::lock_guard lock(workerMutex);
    if (running.load())
        return false;
    if (worker.thread.joinable())
        worker.thread.join(); // finished already; only its handle is left
    running = true;
    worker.thread = std::thread([body = std::move(body)] {
        body();
        running = false;
    });
    return true;
}

void DeviceWorker::waitIdle() {
    std::lock_guard lock(workerMutex);
    if (worker.thread.joinable())
        worker.thread.join();
}

void DeviceWorker::setAfterTransfer(std::function<void()> hook) {
    std::lock_guard lock(hookMutex);
    afterTransferHook = std::move(hook);
}

void DeviceWorker::afterTransfer() {
    std::function<void()> hook;
    {
        std::lock_guard lock(hookMutex);
        hook = afterTransferHook;
    }
    if (hook)
        hook();
}

void DeviceWorker::setPauseScale(double scale) {
    pauseScale = scale < 0 ? 0 : scale;
}

void DeviceWorker::pause(int milliseconds) {
    const auto ms = static_cast<long long>(milliseconds * pauseScale.load());
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
