#include "library/transport/HidapiBackend.h"

#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr const char* kPathPrefix = "\\\\?\\hid#";

class HidapiDevice : public HidDevice {
public:
    explicit HidapiDevice(hid_device* handle) : handle(handle) {}
    ~HidapiDevice() override {
        if (handle)
            hid_close(handle);
    }
    bool write(const std::uint8_t* report, std::size_t length) override {
        return handle && hid_write(handle, report, length) >= 0;
    }
    int read(std::uint8_t* report, std::size_t length, int timeoutMs) override {
        if (!handle || length < 2)
            return -1;
        // hidraw hands over unnumbered reports without their ID byte; put it back so the
        // library always sees report ID 0 in front of the 64-byte body.
        const int n = hid_read_timeout(handle, report + 1, length - 1, timeoutMs);
        if (n < 0)
            return -1;
        if (n == 0)
            return 0;
        report[0] = 0;
        return n + 1;
    }

private:
    hid_device* handle;
};

} // namespace

HidapiBackend::HidapiBackend() {
    static std::once_flag once;
    std::call_once(once, [] { hid_init(); });
}

HidapiBackend::~HidapiBackend() = default;

std::string HidapiBackend::pathText(unsigned short vendor, unsigned short product,
                                    int interfaceNumber, const char* hidapiPath) {
    char ids[64];
    if (interfaceNumber >= 0)
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x&mi_%02x", vendor, product,
                      static_cast<unsigned>(interfaceNumber) & 0xFFu);
    else
        std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", vendor, product);
    return std::string(kPathPrefix) + ids + "#" + (hidapiPath ? hidapiPath : "");
}

std::string HidapiBackend::hidapiPath(const std::string& text) {
    const std::string prefix = kPathPrefix;
    if (text.compare(0, prefix.size(), prefix) != 0)
        return text;
    const auto hash = text.find('#', prefix.size());
    return hash == std::string::npos ? text : text.substr(hash + 1);
}

bool HidapiBackend::enumerate(std::vector<std::string>& paths) {
    paths.clear();
    hid_device_info* list = hid_enumerate(0, 0);
    for (auto* info = list; info; info = info->next) {
        if (!info->path || !*info->path)
            paths.emplace_back(); // an interface whose path could not be obtained
        else
            paths.push_back(
                pathText(info->vendor_id, info->product_id, info->interface_number, info->path));
    }
    hid_free_enumeration(list);
    return true;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const std::string& path) {
    hid_device* handle = hid_open_path(hidapiPath(path).c_str());
    if (!handle)
        return nullptr;
    return std::make_unique<HidapiDevice>(handle);
}
