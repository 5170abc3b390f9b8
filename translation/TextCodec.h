#pragma once

#include <string>
#include <string_view>

// Text conversions of the translation library. The library is loaded by programs that bring
// their own helpers, so it keeps these few to itself.
namespace Localization::text {

// Malformed input becomes U+FFFD; nothing is dropped silently.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Windows-1251 bytes of `wide`; a character the code page lacks becomes '?'.
std::string WideToCp1251(std::wstring_view wide);

// Ordering of wide texts by their UTF-16 code units.
bool Utf16Less(std::wstring_view a, std::wstring_view b) noexcept;

}  // namespace Localization::text
