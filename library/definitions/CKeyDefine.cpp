#include "library/definitions/CKeyDefine.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kRecordMarker = 0xF0;

int at(const std::vector<int>& list, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? list[static_cast<std::size_t>(i)]
                                                               : 0;
}

void writeHeader(std::uint8_t* b, const CKeyDefine& d) {
    b[0] = 0x00;
    b[1] = kRecordMarker;
    b[2] = static_cast<std::uint8_t>(d.layerNumber);
    b[3] = static_cast<std::uint8_t>(d.keyIndex);
    b[4] = static_cast<std::uint8_t>(d.kind);
}

// Normal and continuous records are one report. Without a buffer they only tell their
// size; a buffer smaller than the record is refused rather than overrun.
bool sizeQuery(std::uint8_t* buffer, int reportSize, int* size, int* headerSize, int header) {
    if (buffer)
        return true;
    if (size)
        *size = reportSize;
    if (headerSize)
        *headerSize = header;
    return false;
}

bool prepareBuffer(std::uint8_t* buffer, int reportSize, const int* size) {
    const int length = size ? *size : reportSize;
    if (length < 64 || reportSize < 64)
        return false;
    std::memset(buffer, 0, static_cast<std::size_t>(length));
    return true;
}

} // namespace

bool CNormalKeyDefine::encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) {
    if (!sizeQuery(buffer, reportSize, size, headerSize, 6))
        return false;
    if (!prepareBuffer(buffer, reportSize, size))
        return false;
    writeHeader(buffer, *this);
    const int n = std::clamp(count, 0, kNormalMaxCodes);
    buffer[5] = static_cast<std::uint8_t>(n);
    for (int i = 0; i < n; ++i)
        buffer[6 + i] = static_cast<std::uint8_t>(at(codes, i));
    return true;
}

bool CNormalKeyDefine::decode(const std::uint8_t* buffer, int /*reportSize*/, int byteCount) {
    if (!buffer || byteCount < 6) {
        count = 0;
        codes.clear();
        return true;
    }
    // A count beyond the record's room is cut to what the record can hold.
    count = std::min<int>({buffer[5], kNormalMaxCodes, byteCount - 6});
    codes.assign(buffer + 6, buffer + 6 + count);
    return true;
}

bool CContinousKeyDefine::encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) {
    if (!sizeQuery(buffer, reportSize, size, headerSize, 8))
        return false;
    if (!prepareBuffer(buffer, reportSize, size))
        return false;
    writeHeader(buffer, *this);
    if (count <= 0)
        return false;
    const int n = std::min(count, kContinuousMaxCodes);
    buffer[5] = static_cast<std::uint8_t>((interval >> 8) & 0xFF);
    buffer[6] = static_cast<std::uint8_t>(interval & 0xFF);
    buffer[7] = static_cast<std::uint8_t>(n);
    for (int i = 0; i < n; ++i)
        buffer[8 + i] = static_cast<std::uint8_t>(at(codes, i));
    return true;
}

bool CContinousKeyDefine::decode(const std::uint8_t* buffer, int /*reportSize*/, int byteCount) {
    if (!buffer || byteCount < 8) {
        interval = 0;
        count = 0;
        codes.clear();
        return true;
    }
    interval = buffer[5] * 256 + buffer[6];
    count = std::min<int>({buffer[7], kContinuousMaxCodes, byteCount - 8});
    codes.assign(buffer + 8, buffer + 8 + count);
    return true;
}

int CMacroKeyDefine::encodedCount() const {
    const int perItem = delayMode == 0 ? 1 : 4;
    return std::clamp(count, 0, kMacroMaxDataLength / perItem);
}

int CMacroKeyDefine::dataLength() const {
    return encodedCount() * (delayMode == 0 ? 1 : 4);
}

int CMacroKeyDefine::chunkCount() const {
    const int length = dataLength();
    return length == 0 ? 1 : (kMacroChunkData + length - 1) / kMacroChunkData;
}

bool CMacroKeyDefine::encode(std::uint8_t* buffer, int reportSize, int* size, int* /*headerSize*/) {
    const int chunks = chunkCount();
    if (size)
        *size = 64 * chunks;
    if (!buffer || reportSize < 64)
        return false;

    const int n = encodedCount();
    const int length = dataLength();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
    for (int i = 0; i < n; ++i) {
        if (delayMode == 0) {
            data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(at(codes, i));
        } else {
            const int delay = at(delays, i);
            auto* item = data.data() + 4 * i;
            item[0] = static_cast<std::uint8_t>(at(codes, i));
            item[1] = 0xC8;
            item[2] = static_cast<std::uint8_t>((delay >> 8) & 0xFF);
            item[3] = static_cast<std::uint8_t>(delay & 0xFF);
        }
    }

    int placed = 0;
    for (int c = 0; c < chunks; ++c) {
        std::uint8_t* chunk = buffer + 64 * c;
        writeHeader(chunk, *this);
        chunk[5] = static_cast<std::uint8_t>(cycles & 0xFF);
        chunk[6] = static_cast<std::uint8_t>(delayMode & 0xFF);
        chunk[7] = static_cast<std::uint8_t>((autoInterval >> 8) & 0xFF);
        chunk[8] = static_cast<std::uint8_t>(autoInterval & 0xFF);
        chunk[9] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
        chunk[10] = static_cast<std::uint8_t>(length & 0xFF);
        const int take = std::min(kMacroChunkData, length - placed);
        if (take > 0)
            std::memcpy(chunk + kMacroHeaderSize, data.data() + placed,
                        static_cast<std::size_t>(take));
        placed += std::max(take, 0);
    }
    return true;
}

bool CMacroKeyDefine::decode(const std::uint8_t* buffer, int reportSize, int byteCount) {
    codes.clear();
    delays.clear();
    count = 0;
    if (!buffer || reportSize <= kMacroHeaderSize || byteCount < reportSize)
        return true;
    cycles = buffer[5];
    delayMode = buffer[6];
    autoInterval = buffer[7] * 256 + buffer[8];
    const int length = buffer[9] * 256 + buffer[10];

    const int chunks = byteCount / reportSize;
    const int perChunk = reportSize - kMacroHeaderSize;
    std::vector<std::uint8_t> data;
    data.reserve(static_cast<std::size_t>(chunks * perChunk));
    for (int c = 0; c < chunks; ++c) {
        const std::uint8_t* chunk = buffer + reportSize * c;
        data.insert(data.end(), chunk + kMacroHeaderSize, chunk + reportSize);
    }
    const int available = static_cast<int>(data.size());

    if (delayMode == 0) {
        // A length beyond the data that arrived is cut to what arrived.
        count = std::min(length, available);
        codes.assign(data.begin(), data.begin() + count);
        delays.assign(static_cast<std::size_t>(count), 0);
        return true;
    }
    // A length of 4n or 4n - 2 both give n items; an empty length gives no item.
    int items = length == 0 ? 0 : (length - 1) / 4 + 1;
    items = std::min(items, (available + 3) / 4);
    count = items;
    codes.assign(static_cast<std::size_t>(items), 0);
    delays.assign(static_cast<std::size_t>(items), 0);
    for (int i = 0; i < items; ++i) {
        codes[static_cast<std::size_t>(i)] = data[static_cast<std::size_t>(4 * i)];
        if (i + 1 < items && 4 * i + 3 < available)
            delays[static_cast<std::size_t>(i)] = data[static_cast<std::size_t>(4 * i + 2)] * 256 +
                                                  data[static_cast<std::size_t>(4 * i + 3)];
    }
    return true;
}
