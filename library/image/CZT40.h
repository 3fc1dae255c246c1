#pragma once

#include "library/definitions/CKeyDefine.h"
#include "library/image/CKeyboardDefine.h"
#include "library/platform/Messages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class CZT40Util;

constexpr int kKeyCount = 108;
constexpr int kSlotCount = 216;
constexpr std::size_t kLightByteCount = 324;
constexpr std::size_t kCounterByteCount = 432;
constexpr int kLightPieceSize = 61; // bytes 3..63 of a body

// A keyboard that keeps sending reports without ever sending the end marker must not keep
// a read going forever. These allow far more than a real keyboard sends (216 records,
// long macros; 6 or 8 pieces) and still end a runaway read within seconds.
constexpr std::size_t kMaxDefinitionReadReports = 300000;
constexpr std::size_t kMaxPieceReadReports = 4096;

// Slot of (layer number 1..2, key index 1..108); -1 outside.
int slotOf(int layerNumber, int keyIndex);

class CZT40 : public CKeyboardDefine {
public:
    explicit CZT40(CZT40Util* transport);
    ~CZT40() override;
    CZT40(const CZT40&) = delete;
    CZT40& operator=(const CZT40&) = delete;

    std::u16string productValue() const override { return u"502c"; }
    std::u16string vendorValue() const override { return u"0483"; }

    bool writeDefinitions(WindowHandle window);
    bool readDefinitions(WindowHandle window);
    bool writeLight();
    bool readLight();
    bool readCounters();
    bool clearDefinitions();

    // The slot's definition, null when empty or outside 0..215.
    CKeyDefine* definition(int slot) const;
    // Takes ownership; the slot's previous definition is deleted. Ignored outside 0..215.
    void setDefinition(int slot, std::unique_ptr<CKeyDefine> definition);

    // Press count of key index 1..108 from the counter bytes (little-endian as they come).
    std::uint32_t counter(int keyIndex) const;

    CZT40Util* transport; // not owned
    std::array<std::unique_ptr<CKeyDefine>, kSlotCount> slots;
    std::array<std::uint8_t, kLightByteCount> light{};
    std::array<std::uint8_t, kCounterByteCount> counterBytes{};

private:
    bool sendCommand(std::uint8_t code);
    // Pieces marked `marker` in body byte 1 filled into target until 0xE6 there.
    bool readPieces(std::uint8_t request, std::uint8_t marker, std::uint8_t* target,
                    std::size_t capacity);
};
