#pragma once

#include "library/interface/QorvantExport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QORVANTHWI_API HidDevice {
public:
    virtual ~HidDevice() = default;
    // One output report; report[0] is the report ID (0).
    virtual bool write(const std::uint8_t* report, std::size_t length) = 0;
    // One input report into report[0..length), report[0] being the report ID (0).
    // Returns the bytes stored, 0 when nothing arrived within timeoutMs, -1 on failure.
    virtual int read(std::uint8_t* report, std::size_t length, int timeoutMs) = 0;
};

class QORVANTHWI_API HidBackend {
public:
    virtual ~HidBackend() = default;
    // Interface path texts in enumeration order; an empty text stands for an interface
    // whose path could not be obtained. false: the set could not be obtained.
    virtual bool enumerate(std::vector<std::string>& paths) = 0;
    virtual std::unique_ptr<HidDevice> open(const std::string& path) = 0;
};

// nullptr restores the hidapi backend.
QORVANTHWI_API void setHidBackend(std::shared_ptr<HidBackend> backend);

// A new backend on the system's HID devices (hidapi), for callers that put a layer of
// their own in front of the real keyboard (the command-line tool's report trace).
QORVANTHWI_API std::shared_ptr<HidBackend> makeHidapiBackend();
