#pragma once

// File paths as the UTF-8 text that SQLite, the agent's messages and the settings carry, and
// back. On Windows a path is UTF-16 inside, so its c_str() cannot be handed to a function that
// takes 8-bit text. Malformed text never throws: it converts as TextConversion.h says.

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/TextConversion.h"

namespace vorn::platform {

inline std::string PathToUtf8(const std::filesystem::path& path) {
#if defined(_WIN32)
    return WideToUtf8(path.native());
#else
    return path.native();  // a Linux path is bytes, UTF-8 by convention
#endif
}

inline std::filesystem::path PathFromUtf8(std::string_view text) {
#if defined(_WIN32)
    return std::filesystem::path(Utf8ToWide(text));
#else
    return std::filesystem::path(std::string(text));
#endif
}

}  // namespace vorn::platform
