#pragma once

#include "library/platform/Messages.h"
#include "library/transport/CKeyboardUtil.h"
#include "simulator/SimulatorBackend.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A 64-byte body: the given leading bytes, zero-filled.
inline SimulatorBackend::Body body(std::initializer_list<std::uint8_t> head) {
    SimulatorBackend::Body b{};
    std::size_t i = 0;
    for (auto v : head)
        b[i++] = v;
    return b;
}

inline Bytes bodyOf(const SimulatorBackend::Report& r) {
    return Bytes(r.begin() + 1, r.end());
}

// Records the messages the library posts.
struct MessageLog {
    struct Entry {
        WindowHandle window;
        unsigned msg;
        std::uintptr_t w;
        std::intptr_t l;
    };
    std::mutex m;
    std::vector<Entry> entries;

    MessageLog() {
        setMessageSink([this](WindowHandle h, unsigned msg, std::uintptr_t w, std::intptr_t l) {
            std::lock_guard lock(m);
            entries.push_back({h, msg, w, l});
        });
    }
    ~MessageLog() { setMessageSink(nullptr); }
    std::vector<std::uintptr_t> params(unsigned msg) {
        std::lock_guard lock(m);
        std::vector<std::uintptr_t> out;
        for (const auto& e : entries)
            if (e.msg == msg)
                out.push_back(e.w);
        return out;
    }
};

// A simulated keyboard installed as the backend for the test's lifetime.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_shared<SimulatorBackend>(model());
        setHidBackend(sim);
        setReportReadTimeout(50);
    }
    void TearDown() override {
        setHidBackend(nullptr);
        setReportReadTimeout(0);
    }
    virtual int model() const { return 1; }

    std::shared_ptr<SimulatorBackend> sim;
};
