#pragma once

// Real ZIP archives for the offline tests, made with minizip's writing side.

#include <minizip/zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::test {

struct ZipEntry {
    std::string name;  // a trailing '/' makes a folder entry
    std::string content;
    bool stored = false;  // no compression, so the content can be found and damaged
};

// The bytes of an archive holding the entries in order; empty when minizip fails.
inline std::string MakeZip(const std::vector<ZipEntry>& entries) {
    TempDir folder;
    const std::filesystem::path file = folder / "package.zip";
    zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) {
        return {};
    }
    bool ok = true;
    for (const ZipEntry& entry : entries) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   entry.stored ? 0 : Z_DEFLATED,
                                   entry.stored ? 0 : Z_DEFAULT_COMPRESSION,
                                   entry.content.size() > 0xFFFFFFFFull) == ZIP_OK &&
             zipWriteInFileInZip(zip, entry.content.data(),
                                 static_cast<unsigned>(entry.content.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    return ok ? ReadFileBytes(file) : std::string();
}

}  // namespace vorn::test
