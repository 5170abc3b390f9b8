#pragma once

// Writing files so that a failure is reported and never leaves a half-written file in place of
// a good one.

#include <chrono>
#include <filesystem>
#include <string_view>

namespace vorn::platform {

// A temporary file of a whole-file replacement that is older than this was left by a writer that
// died; younger ones may still be in use by another process.
inline constexpr std::chrono::minutes kLeftoverAge{1};

// Whether a folder entry is named like the temporary file of a replacement of `fileName`:
// "." + fileName + "." + six letters or digits.
bool IsReplacementLeftover(std::string_view entryName, std::string_view fileName);

// Writes every byte to `fd`, going on after interrupted or short writes.
bool WriteAll(int fd, std::string_view bytes);

// Appends `bytes` to the file, creating it when it is missing. True only when every byte was
// written; a single write call carries the bytes when the system allows, so that records
// appended by several processes do not interleave.
bool AppendToFile(const std::filesystem::path& file, std::string_view bytes);

// Replaces the file with `bytes` whole or not at all: the bytes go to a new file in the same
// folder, are flushed to disk, and the new file is renamed over the old one. An existing file
// keeps its permissions; a failure leaves it as it was and removes the new one. Temporary files
// of this same pattern older than kLeftoverAge (left by a writer that was killed) are removed
// first, and the folder is synced after the rename so that the new name survives a power loss.
bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace vorn::platform
