#pragma once

#include <cstddef>
#include <string>

namespace vorn::platform {

// Bytes as lower-case hexadecimal, two digits each.
inline std::string LowerHex(const unsigned char* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 15];
    }
    return hex;
}

}  // namespace vorn::platform
