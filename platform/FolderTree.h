#pragma once

#include <filesystem>
#include <system_error>

namespace vorn::platform {

// Makes sure `path` is a directory, creating every missing level. When a level cannot be
// created, the levels this call created are removed again, newest first, each with whatever is
// in it, and `error` tells why the creation failed. True when the directory exists afterwards.
bool CreateFolderTree(const std::filesystem::path& path, std::error_code* error = nullptr);

}  // namespace vorn::platform
