#pragma once

#include <string_view>

namespace Localization::text {

// Ordering of wide texts by their UTF-16 code units, the order in which the untranslated texts
// are written out.
bool Utf16Less(std::wstring_view a, std::wstring_view b) noexcept;

}  // namespace Localization::text
