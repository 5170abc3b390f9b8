#pragma once

#include <ctime>
#include <optional>

namespace vorn::platform {

// The calendar time of `time` in the machine's time zone, from any thread; empty when the system
// cannot represent it.
std::optional<std::tm> ToLocalTime(std::time_t time);

}  // namespace vorn::platform
