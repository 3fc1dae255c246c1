#include "library/firmware/FirmwareDownload.h"

#include "library/transport/CKeyboardUtil.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0; // anything else counts as 0
}

// Line ends: CR (with an LF right after it swallowed), and a lone LF too, so a file
// saved with Unix line ends is not taken as one long line.
std::size_t lineEnd(std::string_view text, std::size_t from) {
    const auto end = text.find_first_of("\r\n", from);
    return end == std::string_view::npos ? text.size() : end;
}

std::size_t nextLine(std::string_view text, std::size_t end) {
    if (end >= text.size())
        return text.size();
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        return end + 2;
    return end + 1;
}

} // namespace

bool downloadFirmware(CKeyboardUtil& transport, const char* data, int length, WindowHandle window) {
    if (!data || length <= 0 || data[0] != ':')
        return false;
    std::size_t size = 0;
    while (size < static_cast<std::size_t>(length) && data[size] != 0)
        ++size;
    const std::string_view text(data, size);

    // T: the number of lines, so the last record brings the bar to 150 (a last line
    // without its line end is counted too, and a text without any line end is one line).
    std::size_t total = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = lineEnd(text, pos);
        if (end < text.size() || end > pos)
            ++total;
        pos = nextLine(text, end);
    }
    if (total == 0)
        return true;

    long long sum = 0;
    long long last = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = lineEnd(text, pos);
        const std::string_view line = text.substr(pos, end - pos);
        if (line.empty())
            return true; // an empty line ends the download
        if (line[0] != ':')
            return false;
        if (line.size() > static_cast<std::size_t>(kFirmwareMaxLineLength))
            return false;

        std::array<std::uint8_t, kBodySize> body{};
        body[1] = 0x3A;
        std::size_t out = 2;
        for (std::size_t i = 1; i < line.size() && out < kBodySize; i += 2) {
            const int high = hexValue(line[i]);
            const int low = i + 1 < line.size() ? hexValue(line[i + 1]) : 0;
            body[out++] = static_cast<std::uint8_t>(high << 4 | low);
        }
        if (!transport.sendBody(body.data()))
            return false;

        sum += kFirmwareProgressScale;
        const long long p = sum / static_cast<long long>(total);
        if (p > last) {
            last = p;
            postMessage(window, kMsgProgress, static_cast<std::uintptr_t>(p), 0);
        }
        pos = nextLine(text, end);
    }
    return true;
}
