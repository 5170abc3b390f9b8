#pragma once

// The scans the agent keeps: one folder per session under "ScanData/" of the data folder, each
// holding "SessionData.xml" and the scan files, and their copy to the export folder.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vorn {

inline constexpr const char* kSessionDocumentName = "SessionData.xml";
inline constexpr const char* kScanExtension = ".sgcsd";

// "ScanData" under the program's data folder.
std::filesystem::path ScanStorageFolder();

// Number of scan files in every session folder of `storage` whose session document is valid.
// A folder without a readable, valid document counts nothing, whatever it holds.
int CountStoredScans(const std::filesystem::path& storage);

// True when `name` can only name a folder directly inside another: not empty, not "." or "..",
// no separator. A session folder name comes from a device's UIN, which the agent reports.
bool IsPlainFolderName(const std::wstring& name);

// Told after each file copied; returns false to abort the copy.
using CopyProgress = std::function<bool(std::uintmax_t bytesDone, std::uintmax_t bytesTotal)>;

// Copies the folder `source` with everything in it to `target` (created with its parents when
// missing, files already there replaced). On failure or abort, whatever this call created under
// `target` is removed again and `error` tells why; the source is never touched.
bool CopyFolder(const std::filesystem::path& source, const std::filesystem::path& target,
                const CopyProgress& progress, std::wstring& error);

// Removes from `source` every file that `target` holds at the same place with the same size,
// then every folder left empty, `source` included; entries that refuse are made writable and
// tried again. A file the copy does not hold (a scan that came after it) stays, so nothing is
// lost that was not copied. True when `source` is gone.
bool RemoveCopiedFiles(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace vorn
