#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Kavro::Greywick {

// The machine-wide key of the logging library: HKEY_LOCAL_MACHINE\Software\Kavro\Greywick.
inline constexpr std::string_view kGreywickKey = "Software\\Kavro\\Greywick";

// A string value of that key; nothing when the key or the value is missing.
std::optional<std::string> ReadGreywickString(std::string_view name);

// "1", "true", "yes" are true and "0", "false", "no" false, without regard to case; empty text
// gives `ifEmpty` and anything else `ifUnrecognised`.
bool ParseRegistryBool(std::string_view text, bool ifEmpty, bool ifUnrecognised);

}  // namespace Kavro::Greywick
