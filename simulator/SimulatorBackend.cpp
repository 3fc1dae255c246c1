#include "SimulatorBackend.h"

#include "FactoryDefaults.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

using Body = SimulatorBackend::Body;
using Report = SimulatorBackend::Report;

constexpr const char* kProducts[] = {"502c", "512c", "522c", "532c", "542c"};
constexpr std::size_t kCounterBytes = 432;
constexpr int kPiece = 61;

int clampModel(int model) {
    return model >= 1 && model <= 5 ? model : 1;
}

std::string defaultVersion(int model) {
    return "ZT40-M" + std::to_string(model) + " V1.03";
}

std::vector<std::uint8_t> factoryRecord(int model, int slot) {
    const int layer = slot / 108;
    const int key = slot % 108 + 1;
    std::vector<std::uint8_t> r(64, 0);
    r[1] = 0xF0;
    r[2] = static_cast<std::uint8_t>(layer + 1);
    r[3] = static_cast<std::uint8_t>(key);
    const std::uint8_t code = simFactoryCode(model, key, layer);
    if (code) {
        r[5] = 1;
        r[6] = code;
    }
    return r;
}

std::string toHex(const std::uint8_t* p, std::size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    s.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(d[p[i] >> 4]);
        s.push_back(d[p[i] & 15]);
    }
    return s;
}

bool fromHex(const std::string& s, std::vector<std::uint8_t>& out) {
    if (s.size() % 2)
        return false;
    out.clear();
    auto v = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < s.size(); i += 2) {
        const int h = v(s[i]), l = v(s[i + 1]);
        if (h < 0 || l < 0)
            return false;
        out.push_back(static_cast<std::uint8_t>(h << 4 | l));
    }
    return true;
}

std::uint32_t fnv1a(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

bool isEnd(const Body& b) {
    return b[0] == 0xF6 || b[1] == 0xE6;
}

} // namespace

// The keyboard's memory, its reply queue and the faults; guarded by `m`.
struct SimulatorBackend::State {
    mutable std::mutex m;
    int model = 1;
    std::array<std::vector<std::uint8_t>, kSlots> records;
    std::array<std::uint8_t, kLightBytes> light{};
    std::array<std::uint32_t, kKeys> counters{};
    std::string version;
    std::vector<FirmwareRecord> firmware;

    bool defWriteOpen = false;
    int pendingSlot = -1;
    int pendingChunks = 0;
    std::vector<std::uint8_t> pendingRecord;
    bool lightWriteOpen = false;
    std::size_t lightWritePos = 0;

    std::deque<Body> replies;
    std::vector<Report> written, read;

    long long stopAfter = -1;
    long long unplugAfter = -1;
    bool answering = true;
    bool plugged = true;
    unsigned generation = 0;
    Hostile hostile = Hostile::None;
    bool scriptActive = false;
    bool scriptArmed = false; // a script answers the host's next request, not earlier
    std::deque<Body> script;
    std::function<void(Body&, std::size_t)> mutator;
    std::size_t replyIndex = 0;
    std::vector<std::string> others;
    bool enumerationFails = false;
    std::chrono::microseconds latency{0};
    bool realTimeouts = false;
    std::uint32_t rng = 0x2545F491u;
    int outOfRangeTurn = 0;

    std::string path(int mi) const {
        return std::string("\\\\?\\hid#vid_0483&pid_") + kProducts[model - 1] + "&mi_0" +
               std::to_string(mi) + "#qorvant-sim-" + std::to_string(model) + "-" +
               std::to_string(mi);
    }

    void reset() {
        for (int s = 0; s < kSlots; ++s)
            records[static_cast<std::size_t>(s)] = factoryRecord(model, s);
        light.fill(0);
        counters.fill(0);
        version = defaultVersion(model);
        firmware.clear();
        defWriteOpen = lightWriteOpen = false;
        pendingSlot = -1;
        pendingChunks = 0;
        pendingRecord.clear();
        replies.clear();
    }

    void unplugNow() {
        plugged = false;
        ++generation;
        replies.clear();
    }

    bool alive(unsigned gen) const { return plugged && gen == generation; }

    std::uint32_t nextRandom() {
        rng ^= rng << 13;
        rng ^= rng >> 17;
        rng ^= rng << 5;
        return rng;
    }

    void reply(const Body& b) {
        if (!scriptActive)
            replies.push_back(b);
    }

    void queuePieces(std::uint8_t marker, const std::uint8_t* data, std::size_t size) {
        for (std::size_t sent = 0; sent < size;) {
            const std::size_t n = std::min<std::size_t>(kPiece, size - sent);
            Body b{};
            b[1] = marker;
            b[2] = static_cast<std::uint8_t>(n);
            std::memcpy(b.data() + 3, data + sent, n);
            reply(b);
            sent += n;
        }
        Body end{};
        end[1] = 0xE6;
        reply(end);
    }

    void storeRecord(int slot, std::vector<std::uint8_t> bytes) {
        if (slot >= 0 && slot < kSlots)
            records[static_cast<std::size_t>(slot)] = std::move(bytes);
    }

    // The keyboard's firmware: what it does with one report from the host.
    void receive(const Body& b) {
        if (defWriteOpen && pendingChunks > 0) {
            pendingRecord.insert(pendingRecord.end(), b.begin(), b.end());
            if (--pendingChunks == 0)
                storeRecord(pendingSlot, std::move(pendingRecord));
            return;
        }
        if (b[0] == 0xE6 && std::all_of(b.begin(), b.end(), [](auto v) { return v == 0xE6; })) {
            lightWriteOpen = false;
            return;
        }
        if (b[0] != 0)
            return;
        switch (b[1]) {
        case 0x3A: {
            FirmwareRecord rec;
            rec.bytes.assign(b.begin() + 2, b.end());
            const std::size_t len = static_cast<std::size_t>(rec.bytes[0]) + 5;
            if (len <= rec.bytes.size()) {
                rec.bytes.resize(len);
                unsigned sum = 0;
                for (auto v : rec.bytes)
                    sum += v;
                rec.valid = (sum & 0xFF) == 0;
            }
            firmware.push_back(std::move(rec));
            break;
        }
        case 0xF1:
            defWriteOpen = true;
            break;
        case 0xF0: {
            if (!defWriteOpen)
                break;
            const int layer = b[2], key = b[3], kind = b[4];
            if (layer < 1 || layer > 2 || key < 1 || key > 108 || kind > 4)
                break;
            const int slot = (layer - 1) * 108 + key - 1;
            std::vector<std::uint8_t> rec(b.begin(), b.end());
            if (kind >= 2) {
                const int length = b[9] * 256 + b[10];
                const int chunks = length > 53 ? (length + 52) / 53 : 1;
                if (chunks > 1) {
                    pendingSlot = slot;
                    pendingChunks = chunks - 1;
                    pendingRecord = std::move(rec);
                    break;
                }
            }
            storeRecord(slot, std::move(rec));
            break;
        }
        case 0xF6:
            defWriteOpen = false;
            break;
        case 0xF2: {
            for (const auto& rec : records)
                for (std::size_t off = 0; off + 64 <= rec.size(); off += 64) {
                    Body c;
                    std::memcpy(c.data(), rec.data() + off, 64);
                    reply(c);
                }
            Body end{};
            end[0] = 0xF6;
            reply(end);
            break;
        }
        case 0xE1:
            lightWriteOpen = true;
            lightWritePos = 0;
            break;
        case 0xE0:
            if (lightWriteOpen) {
                std::size_t n = std::min<std::size_t>(b[2], kPiece);
                n = std::min(n, kLightBytes - lightWritePos);
                std::memcpy(light.data() + lightWritePos, b.data() + 3, n);
                lightWritePos += n;
            }
            break;
        case 0xE2:
            queuePieces(0xE0, light.data(), light.size());
            break;
        case 0xE3: {
            std::array<std::uint8_t, kCounterBytes> bytes{};
            for (int k = 0; k < kKeys; ++k)
                for (int i = 0; i < 4; ++i)
                    bytes[static_cast<std::size_t>(4 * k + i)] =
                        static_cast<std::uint8_t>(counters[static_cast<std::size_t>(k)] >> (8 * i));
            queuePieces(0xE3, bytes.data(), bytes.size());
            break;
        }
        case 0xF9: {
            Body v{};
            v[1] = 0xF9;
            std::memcpy(v.data() + 2, version.data(), std::min<std::size_t>(version.size(), 62));
            reply(v);
            break;
        }
        default:
            break;
        }
    }

    void garble(Body& b) {
        switch (hostile) {
        case Hostile::None:
        case Hostile::NoEnd:
            break;
        case Hostile::Garbage:
            for (auto& v : b)
                v = static_cast<std::uint8_t>(nextRandom());
            if (b[0] == 0xF6)
                b[0] = 0x16;
            if (b[1] == 0xE6)
                b[1] = 0x16;
            break;
        case Hostile::WrongMarkers:
            if (b[1] == 0xF0 || b[1] == 0xE0 || b[1] == 0xE3)
                b[1] = 0x5A;
            break;
        case Hostile::OversizeCounts:
            if (b[1] == 0xF0 && b[4] == 0)
                b[5] = 0xFF;
            else if (b[1] == 0xF0 && b[4] == 1)
                b[7] = 0xFF;
            else if (b[1] == 0xE0 || b[1] == 0xE3)
                b[2] = 0xFF;
            break;
        case Hostile::OversizeLengths:
            if (b[1] == 0xF0 && b[4] >= 2 && b[4] <= 4)
                b[9] = b[10] = 0xFF;
            break;
        case Hostile::SlotsOutOfRange:
            if (b[1] == 0xF0) {
                static constexpr std::uint8_t bad[][2] = {
                    {3, 1}, {0, 5}, {1, 109}, {2, 0}, {255, 255}};
                const auto& p = bad[outOfRangeTurn++ % 5];
                b[2] = p[0];
                b[3] = p[1];
            }
            break;
        case Hostile::KindsOutOfRange:
            if (b[1] == 0xF0)
                b[4] = 9;
            break;
        }
    }

    // The next reply to hand out, if any.
    bool nextReply(Body& out) {
        for (;;) {
            std::deque<Body>& q = scriptActive ? script : replies;
            if (q.empty() || (scriptActive && !scriptArmed))
                return false;
            out = q.front();
            q.pop_front();
            if (!scriptActive) {
                if (hostile == Hostile::NoEnd && isEnd(out))
                    continue;
                garble(out);
            }
            if (mutator)
                mutator(out, replyIndex);
            ++replyIndex;
            return true;
        }
    }

    // Counts one report against the faults; false when the keyboard is gone.
    bool countReport(unsigned gen) {
        if (!alive(gen))
            return false;
        if (unplugAfter == 0) {
            unplugAfter = -1;
            unplugNow();
            return false;
        }
        if (stopAfter == 0) {
            stopAfter = -1;
            answering = false;
        }
        if (unplugAfter > 0)
            --unplugAfter;
        if (stopAfter > 0)
            --stopAfter;
        return true;
    }
};

namespace {

class SimulatorDevice : public HidDevice {
public:
    SimulatorDevice(std::shared_ptr<SimulatorBackend::State> state, int interfaceNumber,
                    unsigned generation)
        : state(std::move(state)), mi(interfaceNumber), generation(generation) {}

    bool write(const std::uint8_t* report, std::size_t length) override {
        pause();
        std::lock_guard lock(state->m);
        if (!state->alive(generation) || !report || length == 0)
            return false;
        if (mi != 1)
            return true;
        if (!state->countReport(generation))
            return false;
        Report r{};
        std::memcpy(r.data(), report, std::min(length, r.size()));
        state->written.push_back(r);
        state->scriptArmed = true;
        if (state->answering) {
            Body b;
            std::memcpy(b.data(), r.data() + 1, b.size());
            state->receive(b);
        }
        return true;
    }

    int read(std::uint8_t* report, std::size_t length, int timeoutMs) override {
        pause();
        {
            std::lock_guard lock(state->m);
            if (!state->alive(generation) || !report)
                return -1;
            const bool pending = mi == 1 && state->answering &&
                                 (state->scriptActive ? state->scriptArmed && !state->script.empty()
                                                      : !state->replies.empty());
            if (pending) {
                if (!state->countReport(generation))
                    return -1;
                if (state->answering) {
                    Body b;
                    if (state->nextReply(b)) {
                        Report r{};
                        std::memcpy(r.data() + 1, b.data(), b.size());
                        state->read.push_back(r);
                        const std::size_t n = std::min(length, r.size());
                        std::memcpy(report, r.data(), n);
                        return static_cast<int>(n);
                    }
                }
            }
            if (!state->realTimeouts)
                return 0; // simulated time: the timeout passes at once
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
        return 0;
    }

private:
    void pause() {
        std::chrono::microseconds latency;
        {
            std::lock_guard lock(state->m);
            latency = state->latency;
        }
        if (latency.count() > 0)
            std::this_thread::sleep_for(latency);
    }

    std::shared_ptr<SimulatorBackend::State> state;
    int mi;
    unsigned generation;
};

} // namespace

SimulatorBackend::SimulatorBackend(int model) : state(std::make_shared<State>()) {
    state->model = clampModel(model);
    state->reset();
}

SimulatorBackend::~SimulatorBackend() = default;

bool SimulatorBackend::enumerate(std::vector<std::string>& paths) {
    std::lock_guard lock(state->m);
    paths.clear();
    if (state->enumerationFails)
        return false;
    paths = state->others;
    if (state->plugged) {
        paths.push_back(state->path(0));
        paths.push_back(state->path(1));
    }
    return true;
}

std::unique_ptr<HidDevice> SimulatorBackend::open(const std::string& path) {
    std::lock_guard lock(state->m);
    if (!state->plugged)
        return nullptr;
    for (int mi = 0; mi <= 1; ++mi)
        if (path == state->path(mi)) {
            // A new handle sees only reports that arrive after it was opened.
            if (mi == 1)
                state->replies.clear();
            return std::make_unique<SimulatorDevice>(state, mi, state->generation);
        }
    return nullptr;
}

int SimulatorBackend::model() const {
    std::lock_guard lock(state->m);
    return state->model;
}

std::string SimulatorBackend::keyboardPath() const {
    std::lock_guard lock(state->m);
    return state->path(1);
}

void SimulatorBackend::resetMemory() {
    std::lock_guard lock(state->m);
    state->reset();
}

std::vector<std::uint8_t> SimulatorBackend::storedRecord(int slot) const {
    std::lock_guard lock(state->m);
    if (slot < 0 || slot >= kSlots)
        return {};
    return state->records[static_cast<std::size_t>(slot)];
}

void SimulatorBackend::setStoredRecord(int slot, const std::vector<std::uint8_t>& record) {
    std::lock_guard lock(state->m);
    state->storeRecord(slot, record);
}

std::array<std::uint8_t, SimulatorBackend::kLightBytes> SimulatorBackend::light() const {
    std::lock_guard lock(state->m);
    return state->light;
}

void SimulatorBackend::setLight(const std::array<std::uint8_t, kLightBytes>& bytes) {
    std::lock_guard lock(state->m);
    state->light = bytes;
}

std::array<std::uint32_t, SimulatorBackend::kKeys> SimulatorBackend::counters() const {
    std::lock_guard lock(state->m);
    return state->counters;
}

std::uint32_t SimulatorBackend::counter(int keyIndex) const {
    std::lock_guard lock(state->m);
    if (keyIndex < 1 || keyIndex > kKeys)
        return 0;
    return state->counters[static_cast<std::size_t>(keyIndex - 1)];
}

void SimulatorBackend::pressKey(int keyIndex, int times) {
    std::lock_guard lock(state->m);
    if (keyIndex < 1 || keyIndex > kKeys || times <= 0)
        return;
    state->counters[static_cast<std::size_t>(keyIndex - 1)] += static_cast<std::uint32_t>(times);
}

void SimulatorBackend::setCounter(int keyIndex, std::uint32_t value) {
    std::lock_guard lock(state->m);
    if (keyIndex >= 1 && keyIndex <= kKeys)
        state->counters[static_cast<std::size_t>(keyIndex - 1)] = value;
}

std::string SimulatorBackend::versionText() const {
    std::lock_guard lock(state->m);
    return state->version;
}

void SimulatorBackend::setVersionText(const std::string& text) {
    std::lock_guard lock(state->m);
    state->version = text.substr(0, 62);
}

std::vector<SimulatorBackend::FirmwareRecord> SimulatorBackend::firmwareRecords() const {
    std::lock_guard lock(state->m);
    return state->firmware;
}

std::size_t SimulatorBackend::invalidFirmwareRecords() const {
    std::lock_guard lock(state->m);
    return static_cast<std::size_t>(std::count_if(state->firmware.begin(), state->firmware.end(),
                                                  [](const auto& r) { return !r.valid; }));
}

bool SimulatorBackend::definitionWriteOpen() const {
    std::lock_guard lock(state->m);
    return state->defWriteOpen;
}

std::vector<SimulatorBackend::Report> SimulatorBackend::writtenReports() const {
    std::lock_guard lock(state->m);
    return state->written;
}

std::vector<SimulatorBackend::Report> SimulatorBackend::readReports() const {
    std::lock_guard lock(state->m);
    return state->read;
}

void SimulatorBackend::clearReportLog() {
    std::lock_guard lock(state->m);
    state->written.clear();
    state->read.clear();
}

void SimulatorBackend::stopAnsweringAfter(long long n) {
    std::lock_guard lock(state->m);
    state->stopAfter = n < 0 ? -1 : n;
}

void SimulatorBackend::unplugAfter(long long n) {
    std::lock_guard lock(state->m);
    state->unplugAfter = n < 0 ? -1 : n;
}

void SimulatorBackend::setPlugged(bool plugged) {
    std::lock_guard lock(state->m);
    if (!plugged && state->plugged)
        state->unplugNow();
    else if (plugged)
        state->plugged = true;
}

bool SimulatorBackend::plugged() const {
    std::lock_guard lock(state->m);
    return state->plugged;
}

void SimulatorBackend::setHostile(Hostile mode) {
    std::lock_guard lock(state->m);
    state->hostile = mode;
}

void SimulatorBackend::setReplyScript(std::vector<Body> bodies) {
    std::lock_guard lock(state->m);
    state->script.assign(bodies.begin(), bodies.end());
    state->scriptActive = !bodies.empty();
    state->scriptArmed = false;
}

void SimulatorBackend::setReplyMutator(std::function<void(Body&, std::size_t)> mutator) {
    std::lock_guard lock(state->m);
    state->mutator = std::move(mutator);
    state->replyIndex = 0;
}

void SimulatorBackend::setOtherInterfaces(std::vector<std::string> paths) {
    std::lock_guard lock(state->m);
    state->others = std::move(paths);
}

void SimulatorBackend::setEnumerationFails(bool fails) {
    std::lock_guard lock(state->m);
    state->enumerationFails = fails;
}

void SimulatorBackend::setLatency(std::chrono::microseconds perReport) {
    std::lock_guard lock(state->m);
    state->latency = perReport;
}

void SimulatorBackend::setRealTimeouts(bool real) {
    std::lock_guard lock(state->m);
    state->realTimeouts = real;
}

void SimulatorBackend::clearFaults() {
    std::lock_guard lock(state->m);
    state->stopAfter = state->unplugAfter = -1;
    state->answering = true;
    state->plugged = true;
    state->hostile = Hostile::None;
    state->scriptActive = false;
    state->script.clear();
    state->mutator = nullptr;
    state->replyIndex = 0;
    state->others.clear();
    state->enumerationFails = false;
    state->latency = std::chrono::microseconds{0};
    state->realTimeouts = false;
}

bool SimulatorBackend::saveState(const std::filesystem::path& file) const {
    std::ostringstream out;
    {
        std::lock_guard lock(state->m);
        out << "QORVANT-SIM-STATE 1\n";
        out << "model " << state->model << "\n";
        out << "version "
            << (state->version.empty()
                    ? std::string("-")
                    : toHex(reinterpret_cast<const std::uint8_t*>(state->version.data()),
                            state->version.size()))
            << "\n";
        out << "light " << toHex(state->light.data(), state->light.size()) << "\n";
        out << "counters";
        for (auto c : state->counters)
            out << ' ' << c;
        out << "\n";
        for (int s = 0; s < kSlots; ++s) {
            const auto& r = state->records[static_cast<std::size_t>(s)];
            out << "slot " << s << ' ' << toHex(r.data(), r.size()) << "\n";
        }
        out << "firmware " << state->firmware.size() << "\n";
        for (const auto& f : state->firmware)
            out << "fw " << (f.valid ? 1 : 0) << ' ' << toHex(f.bytes.data(), f.bytes.size())
                << "\n";
    }
    std::string text = out.str();
    char sum[32];
    std::snprintf(sum, sizeof sum, "checksum %08x\n", fnv1a(text));
    text += sum;

    // Written beside the target and renamed over it, so a crash never leaves half a file.
    std::error_code ec;
    const auto tmp = std::filesystem::path(file.string() + ".tmp");
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f)
            return false;
        f << text;
        f.flush();
        if (!f)
            return false;
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

bool SimulatorBackend::loadState(const std::filesystem::path& file) {
    std::ifstream f(file, std::ios::binary);
    if (!f)
        return false;
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (text.size() > (16u << 20))
        return false;

    const auto sumPos = text.rfind("checksum ");
    if (sumPos == std::string::npos || (sumPos > 0 && text[sumPos - 1] != '\n'))
        return false;
    const std::string body = text.substr(0, sumPos);
    char expected[32];
    std::snprintf(expected, sizeof expected, "checksum %08x\n", fnv1a(body));
    if (text.substr(sumPos) != expected)
        return false;

    std::istringstream in(body);
    std::string line, word;
    auto nextLine = [&](const char* keyword, std::istringstream& fields) {
        if (!std::getline(in, line))
            return false;
        fields.clear();
        fields.str(line);
        return (fields >> word) && word == keyword;
    };
    std::istringstream fields;

    if (!std::getline(in, line) || line != "QORVANT-SIM-STATE 1")
        return false;
    int model = 0;
    if (!nextLine("model", fields) || !(fields >> model) || model < 1 || model > 5)
        return false;

    std::string version;
    if (!nextLine("version", fields) || !(fields >> word))
        return false;
    if (word != "-") {
        std::vector<std::uint8_t> bytes;
        if (!fromHex(word, bytes) || bytes.size() > 62)
            return false;
        version.assign(bytes.begin(), bytes.end());
    }

    std::array<std::uint8_t, kLightBytes> light{};
    {
        std::vector<std::uint8_t> bytes;
        if (!nextLine("light", fields) || !(fields >> word) || !fromHex(word, bytes) ||
            bytes.size() != kLightBytes)
            return false;
        std::copy(bytes.begin(), bytes.end(), light.begin());
    }

    std::array<std::uint32_t, kKeys> counters{};
    if (!nextLine("counters", fields))
        return false;
    for (auto& c : counters) {
        unsigned long long v = 0;
        if (!(fields >> v) || v > 0xFFFFFFFFull)
            return false;
        c = static_cast<std::uint32_t>(v);
    }
    if (fields >> word)
        return false;

    std::array<std::vector<std::uint8_t>, kSlots> records;
    for (int s = 0; s < kSlots; ++s) {
        int slot = -1;
        auto& r = records[static_cast<std::size_t>(s)];
        if (!nextLine("slot", fields) || !(fields >> slot) || slot != s || !(fields >> word) ||
            !fromHex(word, r) || r.empty() || r.size() % 64 != 0)
            return false;
    }

    std::size_t fwCount = 0;
    if (!nextLine("firmware", fields) || !(fields >> fwCount) || fwCount > 1000000)
        return false;
    std::vector<FirmwareRecord> firmware(fwCount);
    for (auto& rec : firmware) {
        int valid = -1;
        if (!nextLine("fw", fields) || !(fields >> valid) || (valid != 0 && valid != 1) ||
            !(fields >> word) || !fromHex(word, rec.bytes) || rec.bytes.size() > 62)
            return false;
        rec.valid = valid == 1;
    }
    if (std::getline(in, line))
        return false; // anything left over is damage

    std::lock_guard lock(state->m);
    state->model = model;
    state->version = version;
    state->light = light;
    state->counters = counters;
    state->records = std::move(records);
    state->firmware = std::move(firmware);
    state->defWriteOpen = state->lightWriteOpen = false;
    state->pendingChunks = 0;
    state->replies.clear();
    return true;
}
