#pragma once

#include <filesystem>
#include <stdlib.h>
#include <string>
#include <system_error>

// A private folder for one test, removed with everything in it afterwards (also when a
// test took its write permission away).
class TempDir {
public:
    explicit TempDir(const char* prefix = "qorvant-test") {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
