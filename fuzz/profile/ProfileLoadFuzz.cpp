// Loads any file as a profile: encoding detection, parsing and the profile reader, with
// the store's tables as the only place anything may be written.

#include "app/config/ConfigStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("qorvant-fuzz-" + std::to_string(::getpid()) + ".pro");
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    static auto store = std::make_unique<ConfigStore>();
    store->deviceType = int(size % 6);
    store->loadProfile(file);
    return 0;
}
