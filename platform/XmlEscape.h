#pragma once

#include <string>
#include <string_view>

namespace vorn::platform {

// Replaces each of the characters in `which` (any of & < > " ') by its XML entity; other bytes
// pass unchanged. Each format decides which characters its readers need escaped.
std::string EscapeXml(std::string_view text, std::string_view which);

}  // namespace vorn::platform
