#pragma once

// Unpacking a firmware package (a ZIP archive held in memory) into a target folder.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Sha256.h"

namespace vorn {

inline constexpr const char* kManifestName = "MANIFEST.sha256";
// The ZIP format's own entry count without its 64-bit extension; more is taken for hostile.
inline constexpr std::size_t kMaxArchiveEntries = 65'535;

struct UnpackOptions {
    // Refuse before writing anything when the target's free space is below the archive's
    // uncompressed size.
    bool checkFreeSpace = true;
    // Free bytes at the target; nothing when unknown. Empty: asked of the file system.
    std::function<std::optional<std::uintmax_t>(const std::filesystem::path&)> freeSpace;
    // Write MANIFEST.sha256 (SHA-256 and name of every file written) beside the files.
    bool writeManifest = true;
    // Where the names of skipped or failed entries are reported.
    std::function<void(const std::string& line)> log;
    // The library the manifest's digests come from; without it the files are still written.
    std::string cryptoLibrary = platform::kSha256Library;
    // Set from any thread: unpacking stops within one 256 KiB piece and removes what this call
    // wrote.
    const std::atomic<bool>* cancel = nullptr;
    // Entries done (written, failed or skipped) and their number, after each entry.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

struct UnpackReport {
    bool isArchive = false;       // the package opened as a ZIP archive
    bool tooManyEntries = false;  // more than kMaxArchiveEntries: refused, nothing written
    bool targetResolved = true;   // false: refused, nothing written (every entry failed)
    bool enoughSpace = true;      // false: refused, nothing written
    bool cancelled = false;       // stopped on request; what was written is removed again
    std::uintmax_t needed = 0;    // uncompressed size of the files to write
    std::uintmax_t available = 0;
    std::vector<std::string> written;  // entry names unpacked whole
    std::vector<std::string> failed;   // entries left empty or not created
    std::vector<std::string> unsafe;   // entries naming a place outside the target; skipped
    std::vector<std::string> skipped;  // entries named like the manifest; skipped
    bool manifestWritten = false;

    // Every file of the package is in place.
    bool FilesWritten() const {
        return isArchive && !tooManyEntries && targetResolved && enoughSpace && !cancelled &&
               failed.empty() && unsafe.empty();
    }
    // ...and the manifest beside them.
    bool Succeeded() const { return FilesWritten() && (manifestWritten || written.empty()); }
};

// The path under `target` where an entry name belongs, relative; empty when the name is absolute,
// has a drive prefix or climbs with "..". Both '/' and '\\' separate folders.
std::filesystem::path SafeEntryPath(std::string_view entryName);

// Unpacks every file entry into `target`, creating the folders along each path; folder entries
// on their own create nothing. An entry that cannot be opened or read leaves an empty file and
// the rest goes on. Nothing is ever made outside the target, also through links already in it.
// The process's working folder is never touched.
UnpackReport UnpackUpdateArchive(std::string_view package, const std::filesystem::path& target,
                                 const UnpackOptions& options = {});

// Lowercase hex SHA-256 of the bytes.
std::string Sha256Hex(std::string_view bytes);

}  // namespace vorn
