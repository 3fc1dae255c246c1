#pragma once

// A simulated keyboard: a model of the keyboard's firmware that answers the library's
// reports as the real keyboard does, so that everything above the transport can be run
// and tested without hardware.
//
// Install it with
//     auto sim = std::make_shared<SimulatorBackend>(3);
//     setHidBackend(sim);
// and keep the shared pointer to inspect what the keyboard received or to inject faults.
// setHidBackend(nullptr) restores the hidapi backend. A device the library opened stays
// usable after the backend is replaced (it shares the keyboard's memory).
//
// The keyboard shows two interfaces, in this order:
//     \\?\hid#vid_0483&pid_<product>&mi_00#qorvant-sim-<model>-0
//     \\?\hid#vid_0483&pid_<product>&mi_01#qorvant-sim-<model>-1
// Only mi_01 speaks the protocol; mi_00 accepts writes and never answers.
//
// Waiting: when the keyboard has nothing to say, a read returns "nothing arrived" at once
// instead of sleeping for the caller's timeout (simulated time), unless
// setRealTimeouts(true) is given. So a test of a silent keyboard costs no wall time.
//
// Thread safety: every member may be called from any thread; the keyboard's memory is
// guarded by one mutex.

#include "library/transport/HidBackend.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class SimulatorBackend : public HidBackend {
public:
    static constexpr int kSlots = 216;
    static constexpr int kKeys = 108;
    static constexpr std::size_t kLightBytes = 324;
    static constexpr std::size_t kBodySize = 64;
    static constexpr std::size_t kReportSize = 65;

    using Body = std::array<std::uint8_t, kBodySize>;
    using Report = std::array<std::uint8_t, kReportSize>;

    // One firmware record as the keyboard received it: the bytes after the ':' marker
    // (byte count, address, type, data, checksum; at most 62 bytes), and whether it is a
    // well-formed Intel HEX record (its length fits and its checksum adds up to 0).
    struct FirmwareRecord {
        std::vector<std::uint8_t> bytes;
        bool valid = false;
    };

    // How the keyboard garbles its replies (fault injection).
    enum class Hostile {
        None,
        Garbage,         // every reply body is pseudo-random bytes; never a proper end
        WrongMarkers,    // data markers are wrong (0xF0/0xE0/0xE3 -> 0x5A); ends are kept
        OversizeCounts,  // code counts 255, light/counter pieces claim 255 bytes
        OversizeLengths, // macro length 0xFFFF in every definition record
        SlotsOutOfRange, // layer/key bytes outside 1..2 / 1..108
        KindsOutOfRange, // kind byte 9 in every definition record
        NoEnd,           // the end marker of a read is never sent
    };

    // model: 1..5 (product 502c, 512c, 522c, 532c, 542c); other values are taken as 1.
    // A fresh keyboard holds the model's factory definitions, dark light, zero counters.
    explicit SimulatorBackend(int model = 1);
    ~SimulatorBackend() override;

    // HidBackend
    bool enumerate(std::vector<std::string>& paths) override;
    std::unique_ptr<HidDevice> open(const std::string& path) override;

    int model() const;
    // The path text of interface mi_01 (the one the library opens).
    std::string keyboardPath() const;

    // Factory state: definitions of the model, light 0, counters 0, no firmware records,
    // the default version text. Faults and the report logs are not touched.
    void resetMemory();

    // ----- what the keyboard holds -----
    // The record bytes stored for a slot (64 x chunks), exactly as last written; slot
    // 0..215 = (layer - 1) * 108 + key - 1. Empty outside 0..215.
    std::vector<std::uint8_t> storedRecord(int slot) const;
    void setStoredRecord(int slot, const std::vector<std::uint8_t>& record);
    std::array<std::uint8_t, kLightBytes> light() const;
    void setLight(const std::array<std::uint8_t, kLightBytes>& bytes);
    // Press counters of key index 1..108 (index 0 of the array is key 1).
    std::array<std::uint32_t, kKeys> counters() const;
    std::uint32_t counter(int keyIndex) const; // 0 outside 1..108
    // The user presses key keyIndex (1..108) `times` times; ignored outside 1..108.
    void pressKey(int keyIndex, int times = 1);
    void setCounter(int keyIndex, std::uint32_t value);
    std::string versionText() const;
    void setVersionText(const std::string& text); // at most 62 bytes are sent
    std::vector<FirmwareRecord> firmwareRecords() const;
    std::size_t invalidFirmwareRecords() const;
    // True while a definition write has been started (0xF1) and not yet ended (0xF6).
    bool definitionWriteOpen() const;

    // ----- every report that crossed the wire on mi_01 -----
    std::vector<Report> writtenReports() const; // as the host sent them (65 bytes)
    std::vector<Report> readReports() const;    // as the host received them (65 bytes)
    void clearReportLog();

    // ----- fault injection (each counts reports in both directions from the call) -----
    // After n more reports the keyboard stops answering: writes are accepted and
    // ignored, reads get nothing. Negative: never (the default).
    void stopAnsweringAfter(long long n);
    // After n more reports the keyboard is pulled out: writes and reads fail, it is no
    // longer enumerated and cannot be opened. Negative: never (the default).
    void unplugAfter(long long n);
    void setPlugged(bool plugged); // immediate pull-out / re-insertion
    bool plugged() const;
    void setHostile(Hostile mode);
    // Replaces every reply with these bodies, in order, whatever was asked, beginning
    // with the answer to the host's next report; after the last one the keyboard is
    // silent. An empty list ends the script.
    void setReplyScript(std::vector<Body> bodies);
    // Called on every reply body before it is handed out (after Hostile); the index
    // counts replies from the call.
    void setReplyMutator(std::function<void(Body& body, std::size_t replyIndex)> mutator);
    // Interface paths listed before the keyboard's own two (other HID devices); an empty
    // text stands for an interface whose path cannot be obtained.
    void setOtherInterfaces(std::vector<std::string> paths);
    void setEnumerationFails(bool fails);
    // Sleep this long for every report (none by default).
    void setLatency(std::chrono::microseconds perReport);
    // When true, a read with nothing to answer really waits for its timeout.
    void setRealTimeouts(bool real);
    // All of the above back to normal. Answers not yet read stay queued (a keyboard that
    // comes back may still send the tail of an abandoned answer); opening the keyboard
    // again starts without them.
    void clearFaults();

    // ----- the keyboard's memory in a file -----
    // Text format, one item a line, versioned:
    //     QORVANT-SIM-STATE 1
    //     model <1..5>
    //     version <hex of the version text bytes, or '-' when empty>
    //     light <648 hex digits>
    //     counters <108 decimal counts>
    //     slot <0..215> <hex of the record bytes, 128 digits per chunk>    (216 lines)
    //     firmware <count>
    //     fw <0|1 valid> <hex of the record bytes>                         (count lines)
    //     checksum <8 hex digits: FNV-1a 32 of every byte before this line>
    // loadState accepts only a complete file of this form whose checksum holds; on false
    // the keyboard is unchanged. loadState also takes the model from the file.
    bool saveState(const std::filesystem::path& file) const;
    bool loadState(const std::filesystem::path& file);

    struct State; // the keyboard's memory and faults, shared with its open devices

private:
    std::shared_ptr<State> state;
};
