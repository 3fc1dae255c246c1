#include "library/transport/CKeyboardUtil.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

std::atomic<int> g_readTimeoutMs{kReportReadTimeoutMs};

// Product values in the order they are tried; the position gives the model number.
constexpr std::array<std::string_view, 5> kProducts = {"502c", "512c", "522c", "532c", "542c"};

// Scan shared by detection and opening: the first matching interface, in enumeration
// order. An interface whose path could not be obtained ends the scan unsuccessfully.
bool scan(std::string* pathOut, int* typeOut) {
    std::vector<std::string> paths;
    auto backend = currentHidBackend();
    if (!backend->enumerate(paths) || paths.empty())
        return false;
    for (const auto& path : paths) {
        if (path.empty())
            return false;
        int type = 0;
        if (isKeyboardInterface(path, &type)) {
            if (pathOut)
                *pathOut = path;
            if (typeOut)
                *typeOut = type;
            return true;
        }
    }
    return false;
}

} // namespace

void setReportReadTimeout(int milliseconds) {
    g_readTimeoutMs = milliseconds > 0 ? milliseconds : kReportReadTimeoutMs;
}

int reportReadTimeout() {
    return g_readTimeoutMs;
}

bool isKeyboardInterface(std::string_view path, int* deviceType) {
    const auto vid = path.find("vid_");
    const auto pid = path.find("pid_");
    const auto mi = path.find("mi_01");
    if (mi == std::string_view::npos || mi == 0)
        return false;
    if (vid == std::string_view::npos || path.substr(vid + 4, 4) != "0483")
        return false;
    if (pid == std::string_view::npos)
        return false;
    const auto product = path.substr(pid + 4, 4);
    for (std::size_t i = 0; i < kProducts.size(); ++i) {
        if (product == kProducts[i]) {
            if (deviceType)
                *deviceType = static_cast<int>(i) + 1;
            return true;
        }
    }
    return false;
}

CKeyboardUtil::CKeyboardUtil(std::unique_ptr<HidDevice> dev) : device(std::move(dev)) {}

CKeyboardUtil::~CKeyboardUtil() = default;

bool CKeyboardUtil::writeReport(const std::uint8_t* buffer, int length) {
    if (!device || !buffer || length <= 0)
        return false;
    return device->write(buffer, static_cast<std::size_t>(length));
}

bool CKeyboardUtil::readReport(std::uint8_t* buffer, int& length, int /*timeout*/) {
    if (!device)
        return false;
    std::array<std::uint8_t, kReportSize> local{};
    const int received = device->read(local.data(), local.size(), reportReadTimeout());
    if (received <= 0)
        return false; // failure, or nothing arrived within the bounded wait
    const int got = std::min<int>(received, static_cast<int>(kReportSize));
    const int copy = std::clamp(length, 0, static_cast<int>(kBodySize));
    if (buffer && copy > 0)
        std::memcpy(buffer, local.data() + 1, static_cast<std::size_t>(copy));
    length = std::max(length, got - 1);
    return true;
}

bool CKeyboardUtil::sendBody(const std::uint8_t* body) {
    std::array<std::uint8_t, kReportSize> report{};
    std::memcpy(report.data() + 1, body, kBodySize);
    return writeReport(report.data(), static_cast<int>(report.size()));
}

bool CKeyboardUtil::receiveBody(std::uint8_t* body) {
    std::memset(body, 0, kBodySize);
    int length = static_cast<int>(kBodySize);
    if (readReport(body, length, 100000))
        return true;
    inputMayBeStale = true;
    return false;
}

void CKeyboardUtil::discardPendingInput() {
    if (!device || !inputMayBeStale)
        return;
    inputMayBeStale = false;
    std::array<std::uint8_t, kReportSize> local{};
    for (int i = 0; i < kMaxDiscardedReports; ++i)
        if (device->read(local.data(), local.size(), 0) <= 0)
            return;
}

void narrowToUtf16(const std::uint8_t* bytes, std::size_t byteCount, char16_t* out) {
    std::size_t n = 0;
    while (n < byteCount && bytes[n] != 0)
        ++n;
    std::size_t o = 0;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = bytes[i];
        std::size_t len = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            len = 1;
            cp = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            cp = b & 0x07;
        }
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                   (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            ok = false;
        if (!ok) {
            out[o++] = static_cast<char16_t>(b); // Latin-1 for a stray byte
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            out[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out[o++] = static_cast<char16_t>(cp);
        }
        i += len;
    }
    out[o] = 0;
}

bool CZT40Util::readVersion(char16_t* text) {
    std::array<std::uint8_t, kBodySize> body{};
    body[1] = 0xF9;
    discardPendingInput();
    if (!sendBody(body.data()))
        return false;
    if (!receiveBody(body.data()))
        return false;
    // Whatever arrives next is the reply; its bytes 2..63 are the text.
    if (text)
        narrowToUtf16(body.data() + 2, kBodySize - 2, text);
    return true;
}

bool detectDevice() {
    return scan(nullptr, nullptr);
}

int detectDeviceType() {
    int type = 0;
    return scan(nullptr, &type) ? type : 0;
}

std::unique_ptr<CZT40Util> openKeyboard() {
    std::string path;
    if (!scan(&path, nullptr))
        return nullptr;
    // The result of the open is not judged here: a failed open shows as failing reports.
    return std::make_unique<CZT40Util>(currentHidBackend()->open(path));
}
