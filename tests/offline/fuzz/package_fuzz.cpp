// Firmware packages from the update server are outside input.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "offline/PackageUnpacker.h"

namespace {

const std::filesystem::path& Target() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorn-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern) / "disk";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::error_code ignored;
    std::filesystem::remove_all(Target(), ignored);
    std::filesystem::create_directories(Target(), ignored);
    vorn::UnpackOptions options;
    options.checkFreeSpace = false;
    const vorn::UnpackReport report = vorn::UnpackUpdateArchive(bytes, Target(), options);
    // Nothing may land beside the target folder.
    for (const auto& entry : std::filesystem::directory_iterator(Target().parent_path())) {
        if (entry.path() != Target()) {
            std::abort();
        }
    }
    (void)report;
    return 0;
}
