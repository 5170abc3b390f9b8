#include "translation/TextCodec.h"

#include <algorithm>
#include <cstdint>

namespace Localization::text {

namespace {

// Sort key of one code unit: UTF-16 puts U+E000..U+FFFF after every supplementary character,
// whose lead surrogates come first.
std::uint32_t Utf16Rank(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    if constexpr (sizeof(wchar_t) == 2) {
        return u;
    } else {
        return (u >= 0xE000 && u <= 0xFFFF) ? u + 0x110000 : u;
    }
}

}  // namespace

bool Utf16Less(std::wstring_view a, std::wstring_view b) noexcept {
    // Only the first difference decides, and finding it needs no ranks.
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ib == b.end()) {
        return false;
    }
    if (ia == a.end()) {
        return true;
    }
    return Utf16Rank(*ia) < Utf16Rank(*ib);
}

}  // namespace Localization::text
