// A keyboard that answers with fuzzer-made reports. Input layout: byte 0 chooses the
// transfer, the rest is cut into 64-byte reply bodies (the last one zero-filled).
#include "library/definitions/CKeyDefine.h"
#include "library/interface/CZT40HWI.h"
#include "library/transport/CKeyboardUtil.h"
#include "simulator/SimulatorBackend.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t choice = data[0];
    ++data;
    --size;

    // The decoders on the raw bytes, with every byte count up to what there is.
    {
        const int n = static_cast<int>(size);
        CNormalKeyDefine normal(1, 1);
        normal.decode(data, 64, std::min(n, 64));
        CContinousKeyDefine cont(1, 1);
        cont.decode(data, 64, std::min(n, 64));
        CMacroKeyDefine macro(1, 1, 2);
        macro.decode(data, 64, n - n % 64);
        // Whatever was decoded must encode without leaving its buffer.
        int bytes = 0;
        macro.encode(nullptr, 64, &bytes, nullptr);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(bytes));
        macro.encode(out.data(), 64, &bytes, nullptr);
    }

    static auto sim = std::make_shared<SimulatorBackend>(1);
    setHidBackend(sim);
    setReportReadTimeout(1);
    sim->clearFaults();
    sim->clearReportLog();
    std::vector<SimulatorBackend::Body> replies;
    for (std::size_t off = 0; off < size; off += 64) {
        SimulatorBackend::Body b{};
        std::memcpy(b.data(), data + off, std::min<std::size_t>(64, size - off));
        replies.push_back(b);
    }
    if (replies.empty())
        replies.push_back({});
    sim->setReplyScript(replies);

    CZT40HWI hwi;
    if (!hwi.__createDev())
        return 0;
    std::vector<int> array(70000);
    switch (choice % 5) {
    case 0:
        hwi.readKeyDefinationFromDev(1);
        for (int layer = 0; layer < 2; ++layer)
            for (int key = 1; key <= 108; ++key)
                hwi.getKeyConfiguration(layer, key, array.data(), 65536);
        // And what was read must go out again.
        hwi.writeKeyConfigurationToDev(1);
        break;
    case 1:
        hwi.readKeyLightFromDev();
        hwi.getKeyboardLightArea(array.data());
        break;
    case 2:
        hwi.getPressCounterFromDev(array.data());
        break;
    case 3: {
        char16_t text[64];
        hwi.ReadKeyboardVersion(text);
        hwi.getHardwareVersion();
        break;
    }
    default: {
        // The keyboard's real answer, garbled by a hostile mode and by the fuzz bytes.
        sim->setReplyScript({});
        sim->setHostile(static_cast<SimulatorBackend::Hostile>((choice / 5) % 8));
        sim->setReplyMutator([&replies](SimulatorBackend::Body& b, std::size_t index) {
            const auto& x = replies[index % replies.size()];
            for (std::size_t i = 0; i < b.size(); ++i)
                b[i] ^= x[i];
        });
        hwi.readKeyDefinationFromDev(0);
        hwi.readKeyLightFromDev();
        sim->setReplyMutator(nullptr);
        break;
    }
    }
    return 0;
}
