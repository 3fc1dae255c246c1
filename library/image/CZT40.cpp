#include "library/image/CZT40.h"

#include "library/transport/CKeyboardUtil.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {
using Body = std::array<std::uint8_t, kBodySize>;

constexpr std::uint8_t kDefStart = 0xF1;
constexpr std::uint8_t kDefRecord = 0xF0;
constexpr std::uint8_t kDefEnd = 0xF6;
constexpr std::uint8_t kDefRequest = 0xF2;
constexpr std::uint8_t kLightStart = 0xE1;
constexpr std::uint8_t kLightPiece = 0xE0;
constexpr std::uint8_t kPieceEnd = 0xE6;
constexpr std::uint8_t kLightRequest = 0xE2;
constexpr std::uint8_t kCounterRequest = 0xE3;
} // namespace

int slotOf(int layerNumber, int keyIndex) {
    if (layerNumber < 1 || layerNumber > 2 || keyIndex < 1 || keyIndex > kKeyCount)
        return -1;
    return (layerNumber - 1) * kKeyCount + (keyIndex - 1);
}

CZT40::CZT40(CZT40Util* transport) : transport(transport) {}

CZT40::~CZT40() = default;

CKeyDefine* CZT40::definition(int slot) const {
    if (slot < 0 || slot >= kSlotCount)
        return nullptr;
    return slots[static_cast<std::size_t>(slot)].get();
}

void CZT40::setDefinition(int slot, std::unique_ptr<CKeyDefine> def) {
    if (slot < 0 || slot >= kSlotCount)
        return;
    slots[static_cast<std::size_t>(slot)] = std::move(def);
}

std::uint32_t CZT40::counter(int keyIndex) const {
    if (keyIndex < 1 || keyIndex > kKeyCount)
        return 0;
    const std::uint8_t* b = counterBytes.data() + 4 * (keyIndex - 1);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

bool CZT40::sendCommand(std::uint8_t code) {
    Body body{};
    body[1] = code;
    return transport && transport->sendBody(body.data());
}

bool CZT40::writeDefinitions(WindowHandle window) {
    if (!sendCommand(kDefStart))
        return false;
    for (int layer = 1; layer <= 2; ++layer) {
        for (int key = 1; key <= kKeyCount; ++key) {
            const int s = slotOf(layer, key);
            CKeyDefine* def = definition(s);
            bool sent = false;
            if (def) {
                int size = 0;
                int header = 0;
                def->encode(nullptr, 64, &size, &header);
                if (size >= 64) {
                    std::vector<std::uint8_t> bytes;
                    try {
                        bytes.assign(static_cast<std::size_t>(size), 0);
                    } catch (const std::bad_alloc&) {
                        return false;
                    }
                    def->encode(bytes.data(), 64, &size, &header);
                    for (int off = 0; off + 64 <= size; off += 64)
                        if (!transport->sendBody(bytes.data() + off))
                            return false;
                    sent = true;
                }
            }
            if (!sent) {
                Body body{};
                body[1] = kDefRecord;
                body[2] = static_cast<std::uint8_t>(layer);
                body[3] = static_cast<std::uint8_t>(key);
                if (!transport->sendBody(body.data()))
                    return false;
            }
            postMessage(window, kMsgProgress, static_cast<std::uintptr_t>(s), 0);
        }
    }
    Body end;
    end.fill(kDefEnd);
    end[0] = 0x00;
    return transport->sendBody(end.data());
}

bool CZT40::readDefinitions(WindowHandle window) {
    if (transport)
        transport->discardPendingInput();
    if (!sendCommand(kDefRequest))
        return false;
    Body body{};
    for (std::size_t reports = 0; reports < kMaxDefinitionReadReports; ++reports) {
        if (!transport->receiveBody(body.data()))
            return false;
        if (body[0] == kDefEnd)
            return true;
        if (body[1] != kDefRecord)
            continue;
        const int layer = body[2];
        const int key = body[3];
        const int kind = body[4];
        // Records for no real slot are read (a macro with all its chunks, so they are
        // not mistaken for records) and dropped.
        const int s = slotOf(layer, key);
        std::unique_ptr<CKeyDefine> def;
        if (kind == 0 || kind == 1) {
            if (kind == 0)
                def = std::make_unique<CNormalKeyDefine>(key, layer, 0);
            else
                def = std::make_unique<CContinousKeyDefine>(key, layer, 1);
            def->decode(body.data(), 64, 64);
        } else if (kind >= 2 && kind <= 4) {
            const int length = body[9] * 256 + body[10];
            const int chunks = length > kMacroChunkData ? (length + 52) / kMacroChunkData : 1;
            std::vector<std::uint8_t> joined(static_cast<std::size_t>(64 * chunks));
            std::memcpy(joined.data(), body.data(), 64);
            for (int c = 1; c < chunks; ++c) {
                ++reports;
                if (!transport->receiveBody(joined.data() + 64 * c))
                    return false;
            }
            def = std::make_unique<CMacroKeyDefine>(key, layer, kind);
            def->decode(joined.data(), 64, 64 * chunks);
        } else {
            continue; // no such kind
        }
        if (s < 0)
            continue;
        setDefinition(s, std::move(def));
        postMessage(window, kMsgProgress, static_cast<std::uintptr_t>(s), 0);
    }
    transport->markInputStale();
    return false; // a keyboard that never ends its answer
}

bool CZT40::writeLight() {
    if (!sendCommand(kLightStart))
        return true;
    std::size_t sent = 0;
    while (sent < kLightByteCount) {
        const std::size_t n = std::min<std::size_t>(kLightPieceSize, kLightByteCount - sent);
        Body body{};
        body[1] = kLightPiece;
        body[2] = static_cast<std::uint8_t>(n);
        std::memcpy(body.data() + 3, light.data() + sent, n);
        if (!transport->sendBody(body.data()))
            return true;
        sent += n;
    }
    Body end;
    end.fill(kPieceEnd);
    transport->sendBody(end.data());
    return true;
}

bool CZT40::readPieces(std::uint8_t request, std::uint8_t marker, std::uint8_t* target,
                       std::size_t capacity) {
    if (transport)
        transport->discardPendingInput();
    if (!sendCommand(request))
        return false;
    std::size_t received = 0;
    Body body{};
    for (std::size_t reports = 0; reports < kMaxPieceReadReports; ++reports) {
        if (!transport->receiveBody(body.data()))
            return false;
        if (body[1] == kPieceEnd)
            return true;
        if (body[1] != marker)
            continue;
        // A piece claims at most what its report holds, and nothing lands past the end of
        // the image's table; the excess is dropped.
        const std::size_t n = std::min<std::size_t>(body[2], kLightPieceSize);
        const std::size_t take = std::min(n, capacity - received);
        std::memcpy(target + received, body.data() + 3, take);
        received += take;
    }
    transport->markInputStale();
    return false;
}

bool CZT40::readLight() {
    return readPieces(kLightRequest, kLightPiece, light.data(), light.size());
}

bool CZT40::readCounters() {
    return readPieces(kCounterRequest, kCounterRequest, counterBytes.data(), counterBytes.size());
}

bool CZT40::clearDefinitions() {
    for (auto& slot : slots)
        slot.reset();
    return true;
}
