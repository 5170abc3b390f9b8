#pragma once

// The one reader of numbers typed or stored as decimal text, as the C runtime's atoi and atol
// read them: leading blanks, a sign, then digits up to the first other character; 0 without
// digits. A value beyond the range asked for is held at its end instead of overflowing.

#include <climits>
#include <string_view>

namespace vorn {

long long LeadingInteger(std::string_view text, long long low, long long high);
long long LeadingInteger(std::wstring_view text, long long low, long long high);

// As atoi: the int range.
inline int DecimalPrefix(std::wstring_view text) {
    return static_cast<int>(LeadingInteger(text, INT_MIN, INT_MAX));
}

}  // namespace vorn
