#include "library/transport/CKeyboardUtil.h"
#include "library/transport/HidapiBackend.h"

#include <mutex>

namespace {
std::mutex& backendMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<HidBackend>& chosenBackend() {
    static std::shared_ptr<HidBackend> backend;
    return backend;
}
} // namespace

void setHidBackend(std::shared_ptr<HidBackend> backend) {
    std::lock_guard lock(backendMutex());
    chosenBackend() = std::move(backend);
}

std::shared_ptr<HidBackend> currentHidBackend() {
    std::lock_guard lock(backendMutex());
    auto& backend = chosenBackend();
    if (!backend)
        backend = std::make_shared<HidapiBackend>();
    return backend;
}

std::shared_ptr<HidBackend> makeHidapiBackend() {
    return std::make_shared<HidapiBackend>();
}
