#include "app/DecimalText.h"

#include <algorithm>

namespace vorn {

namespace {

template <class Char>
long long Leading(std::basic_string_view<Char> text, long long low, long long high) {
    // Well above every range a caller asks for; held there, so that a long text never
    // overflows.
    constexpr long long kCap = 1'000'000'000'000'000'000;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value >= kCap / 10 ? kCap : value * 10 + (text[i] - '0');
    }
    value = negative ? -value : value;
    return std::clamp(value, low, high);
}

}  // namespace

long long LeadingInteger(std::string_view text, long long low, long long high) {
    return Leading(text, low, high);
}

long long LeadingInteger(std::wstring_view text, long long low, long long high) {
    return Leading(text, low, high);
}

}  // namespace vorn
