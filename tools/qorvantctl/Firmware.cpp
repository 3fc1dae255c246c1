#include "Firmware.h"

namespace qorvantctl {

std::string firmwarePrefix(int deviceType) {
    switch (deviceType) {
    case 2:
        return "537RM(S)ZQ.BLe_";
    case 3:
        return "537RM(S)ZQ_";
    case 4:
        return "537RM(XRGB)ZQ_";
    default:
        return "537RM(XRGB)ZQ.BLe_";
    }
}

bool firmwareNameMatches(const std::filesystem::path& file, int deviceType) {
    std::string name = file.filename().string();
    return name.rfind(firmwarePrefix(deviceType), 0) == 0;
}

} // namespace qorvantctl
