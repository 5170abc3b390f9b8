#pragma once

// File paths as the UTF-8 text that SQLite, the agent's messages and the settings carry, and
// back. On Windows a path is UTF-16 inside, so its c_str() cannot be handed to a function that
// takes 8-bit text.

#include <filesystem>
#include <string>
#include <string_view>

namespace vorn::platform {

inline std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace vorn::platform
