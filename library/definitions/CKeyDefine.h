#pragma once

// What one key does on one layer, and the keyboard's record format for it.

#include <cstdint>
#include <vector>

// Capacities of the one-report records: 64 bytes less their headers.
constexpr int kNormalMaxCodes = 58;
constexpr int kContinuousMaxCodes = 56;
constexpr int kMacroHeaderSize = 11;
constexpr int kMacroChunkData = 53;
constexpr int kMacroMaxDataLength = 0xFFFF; // the record's 16-bit length field

class CKeyDefine {
public:
    CKeyDefine(int keyIndex, int layerNumber, int kind)
        : keyIndex(keyIndex), layerNumber(layerNumber), kind(kind) {}
    virtual ~CKeyDefine() = default;

    // With buffer null: report the record's size (and for one-report records the header
    // size) and return false. Otherwise write the record into buffer.
    virtual bool encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) = 0;
    // buffer holds one record as received, byteCount bytes (64 x chunks for a macro).
    virtual bool decode(const std::uint8_t* buffer, int reportSize, int byteCount) = 0;

    int keyIndex;    // 1..108
    int layerNumber; // 1 top layer, 2 Fn layer
    int kind;        // 0 normal, 1 continuous, 2..4 macro (play mode 0..2)
};

class CNormalKeyDefine : public CKeyDefine {
public:
    CNormalKeyDefine(int keyIndex, int layerNumber, int kind = 0)
        : CKeyDefine(keyIndex, layerNumber, kind) {}
    bool encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) override;
    bool decode(const std::uint8_t* buffer, int reportSize, int byteCount) override;

    std::vector<int> codes;
    int count = 0;
};

class CContinousKeyDefine : public CKeyDefine {
public:
    CContinousKeyDefine(int keyIndex, int layerNumber, int kind = 1)
        : CKeyDefine(keyIndex, layerNumber, kind) {}
    bool encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) override;
    bool decode(const std::uint8_t* buffer, int reportSize, int byteCount) override;

    int interval = 0;
    std::vector<int> codes;
    int count = 0;
};

class CMacroKeyDefine : public CKeyDefine {
public:
    CMacroKeyDefine(int keyIndex, int layerNumber, int kind = 2)
        : CKeyDefine(keyIndex, layerNumber, kind) {}
    bool encode(std::uint8_t* buffer, int reportSize, int* size, int* headerSize) override;
    bool decode(const std::uint8_t* buffer, int reportSize, int byteCount) override;

    // Items that go out: count, limited to what the 16-bit length field can describe.
    int encodedCount() const;
    // Bytes of macro data in the record.
    int dataLength() const;
    // Chunks of the record. An empty macro still gets one chunk (its header, length 0),
    // so the keyboard hears about the key instead of keeping an old definition.
    int chunkCount() const;

    int delayMode = 0; // 0: the automatic interval between all items; else per-item delays
    int cycles = 0;
    std::vector<int> delays;
    std::vector<int> codes;
    int count = 0;
    int autoInterval = 0;
};
