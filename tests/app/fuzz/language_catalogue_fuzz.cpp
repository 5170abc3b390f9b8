// Fuzz target for the language catalogue: any bytes as "languages.xml". Every entry it keeps has
// an id and a name, and a lookup by the first entry's id finds that entry.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/LanguageCatalogue.h"

namespace {

// A folder of this process's own on a memory file system where there is one, removed at exit.
struct Folder {
    std::filesystem::path path;
    Folder() {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        path = base / ("vorn-languages-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    {
        std::ofstream out(folder.path / vorn::kCatalogueFileName,
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    vorn::LanguageCatalogue catalogue(folder.path);
    if (!catalogue.EnsureLoaded()) {
        return 0;
    }
    const auto entries = catalogue.Entries();
    if (entries.empty()) {
        return 0;
    }
    const auto found = catalogue.Find(entries.front().id);
    if (!found || found->name != entries.front().name ||
        found->file_path != entries.front().file_path) {
        std::abort();
    }
    return 0;
}
