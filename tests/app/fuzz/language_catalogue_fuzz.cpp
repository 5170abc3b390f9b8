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
#include "tests/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vorn::test::FuzzFolder folder("vorn-languages-fuzz");
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
