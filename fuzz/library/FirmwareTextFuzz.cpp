// Firmware file text as the user may pick it: any bytes at all.
#include "library/interface/CZT40HWI.h"
#include "library/transport/CKeyboardUtil.h"
#include "simulator/SimulatorBackend.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto sim = std::make_shared<SimulatorBackend>(2);
    setHidBackend(sim);
    sim->resetMemory();
    sim->clearReportLog();
    CZT40HWI hwi;
    if (!hwi.__createDev())
        return 0;
    // The caller's text is NUL-terminated; its length is the file size.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    hwi.WriteFirmwareToKeyboard(text.data(), static_cast<int>(size), 1);
    return 0;
}
