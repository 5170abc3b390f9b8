#pragma once

// Writing files so that a failure is reported and never leaves a half-written file in place of
// a good one.

#include <filesystem>
#include <string_view>

namespace vorn::platform {

// Writes every byte to `fd`, going on after interrupted or short writes.
bool WriteAll(int fd, std::string_view bytes);

// Appends `bytes` to the file, creating it when it is missing. True only when every byte was
// written; a single write call carries the bytes when the system allows, so that records
// appended by several processes do not interleave.
bool AppendToFile(const std::filesystem::path& file, std::string_view bytes);

// Replaces the file with `bytes` whole or not at all: the bytes go to a new file in the same
// folder, are flushed to disk, and the new file is renamed over the old one. An existing file
// keeps its permissions; a failure leaves it as it was and removes the new one.
bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace vorn::platform
