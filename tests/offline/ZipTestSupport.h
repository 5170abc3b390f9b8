#pragma once

// Real ZIP archives for the offline tests, made with minizip's writing side.

#include <minizip/zip.h>

#include <cstdint>
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
    // minizip opens files by 8-bit name; the temporary folder's name is plain ASCII.
    const std::string name = file.string();
    zipFile zip = zipOpen64(name.c_str(), APPEND_STATUS_CREATE);
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

// An archive of `count` empty stored entries named 0, 1, ..., built in memory (writing tens of
// thousands of entries through minizip's file writer takes long on a busy disk). The count
// goes into the 64-bit end records, as a writer puts it beyond 65,534.
inline std::string MakeEmptyEntriesZip(std::size_t count) {
    std::string local;
    std::string central;
    const auto put = [](std::string& out, std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            // Zeros are also written as runs of more than eight bytes.
            out += static_cast<char>(i < 8 ? (value >> (8 * i)) & 0xFF : 0);
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = std::to_string(i);
        const std::size_t offset = local.size();
        put(local, 0x04034b50, 4);
        put(local, 20, 2);
        put(local, 0, 2 + 2 + 2 + 2 + 4 + 4 + 4);  // flags, method, time, date, CRC, sizes
        put(local, name.size(), 2);
        put(local, 0, 2);
        local += name;
        put(central, 0x02014b50, 4);
        put(central, 20, 2);
        put(central, 20, 2);
        put(central, 0, 2 + 2 + 2 + 2 + 4 + 4 + 4);
        put(central, name.size(), 2);
        put(central, 0, 2 + 2 + 2 + 2 + 4);  // extra, comment, disk, attributes
        put(central, offset, 4);
        central += name;
    }
    std::string out = local + central;
    const std::size_t end64 = out.size();
    put(out, 0x06064b50, 4);
    put(out, 44, 8);
    put(out, 45, 2);
    put(out, 45, 2);
    put(out, 0, 4 + 4);
    put(out, count, 8);
    put(out, count, 8);
    put(out, central.size(), 8);
    put(out, local.size(), 8);
    put(out, 0x07064b50, 4);
    put(out, 0, 4);
    put(out, end64, 8);
    put(out, 1, 4);
    put(out, 0x06054b50, 4);
    put(out, 0, 2 + 2);
    put(out, 0xFFFF, 2);
    put(out, 0xFFFF, 2);
    put(out, 0xFFFFFFFF, 4);
    put(out, 0xFFFFFFFF, 4);
    put(out, 0, 2);
    return out;
}

}  // namespace vorn::test
