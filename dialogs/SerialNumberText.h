#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorn {

// A device serial number is typed as at most this many digits.
inline constexpr std::size_t kSerialNumberLength = 6;

// What the serial-number field keeps of a text typed or pasted into it: its digits, up to
// kSerialNumberLength of them.
std::wstring SerialNumberText(std::wstring_view text);

}  // namespace vorn
