#pragma once

// Reading small files whole.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace vorn::platform {

// The whole content of a regular file, read from the file that was opened (never sized by its
// path, which a writer may replace meanwhile). Empty when the file cannot be opened or read,
// is no regular file (a FIFO put in its place never blocks the reader), or holds more than
// `maxBytes` bytes.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes);

// True only when the system says that the file, or a folder on its way, does not exist; a file
// that cannot be looked at for another reason (no permission, a drive without a medium) counts
// as there.
bool IsMissingFile(const std::filesystem::path& file);

}  // namespace vorn::platform
