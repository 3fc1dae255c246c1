#pragma once

// Finding the keyboard among the HID interfaces and moving single reports to and from it.
// Internal to the library: the program only sees CZT40HWI.

#include "library/transport/HidBackend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

constexpr std::size_t kReportSize = 65; // report ID 0 + 64-byte body
constexpr std::size_t kBodySize = 64;

// A keyboard that stops answering must not hang the program: every report read gives up
// after this long and the transfer then fails like a failed read.
constexpr int kReportReadTimeoutMs = 3000;

// At most this many stale reports are dropped before a request.
constexpr int kMaxDiscardedReports = 512;

// Tests shorten the wait; 0 or less restores kReportReadTimeoutMs.
void setReportReadTimeout(int milliseconds);
int reportReadTimeout();

// The backend in force (the one set with setHidBackend, else hidapi). Never null.
std::shared_ptr<HidBackend> currentHidBackend();

// The match rule for one interface path text. On a match, *deviceType (when given) is
// the model number 1..5 of the product value found.
bool isKeyboardInterface(std::string_view path, int* deviceType = nullptr);

class CKeyboardUtil {
public:
    // device may be null (the open failed): then every write and read fails.
    explicit CKeyboardUtil(std::unique_ptr<HidDevice> device);
    virtual ~CKeyboardUtil();
    CKeyboardUtil(const CKeyboardUtil&) = delete;
    CKeyboardUtil& operator=(const CKeyboardUtil&) = delete;

    // One output report of `length` bytes (report ID first).
    virtual bool writeReport(const std::uint8_t* buffer, int length);
    // One input report; its body (after the report ID) goes into buffer, at most
    // `length` bytes (and never more than 64). `timeout` is accepted for the callers'
    // sake; the wait is bounded by reportReadTimeout().
    virtual bool readReport(std::uint8_t* buffer, int& length, int timeout);

    // Helpers for the protocol code: send one 64-byte body behind report ID 0, and
    // receive one 64-byte body (zero-filled past what arrived).
    bool sendBody(const std::uint8_t* body);
    bool receiveBody(std::uint8_t* body);

    // After a transfer was given up (a read found nothing in time, or the answer ran
    // past its limit), the rest of its answer may still arrive. Before the next request
    // such leftovers are dropped, so a request is never answered by another one's
    // reports. Nothing is read while the link is in order.
    void markInputStale() { inputMayBeStale = true; }
    void discardPendingInput();

protected:
    std::unique_ptr<HidDevice> device;
    bool inputMayBeStale = false;
};

class CZT40Util : public CKeyboardUtil {
public:
    using CKeyboardUtil::CKeyboardUtil;
    // Hardware version query; text must hold at least 63 wide characters.
    virtual bool readVersion(char16_t* text);
};

// Decodes the version bytes as the system's narrow text (UTF-8 here); a byte that is not
// part of a valid UTF-8 sequence is taken as Latin-1, so nothing is lost. Writes at most
// byteCount units plus the terminator.
void narrowToUtf16(const std::uint8_t* bytes, std::size_t byteCount, char16_t* out);

// Each runs its own scan of the present interfaces.
bool detectDevice();
int detectDeviceType();
std::unique_ptr<CZT40Util> openKeyboard();
