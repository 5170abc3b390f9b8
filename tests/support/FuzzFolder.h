#pragma once

// A scratch folder for one fuzz target's process, on a memory file system where there is one,
// removed at exit. Header-only: the fuzz targets are built from their own source lists.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace vorn::test {

struct FuzzFolder {
    std::filesystem::path path;
    explicit FuzzFolder(const std::string& prefix) {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        path = base / (prefix + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~FuzzFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;
};

}  // namespace vorn::test
