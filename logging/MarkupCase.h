#pragma once

#include <string_view>

namespace Kavro::Utilities::XML {

// Upper-cases ASCII letters and the Windows-1251 lower-case Cyrillic letters; every other byte
// stands for itself.
constexpr unsigned char FoldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 'a' + 'A');
    }
    if (c >= 0xE0) {
        return static_cast<unsigned char>(c - 0x20);
    }
    if (c == 0xB8) {
        return 0xA8;
    }
    return c;
}

constexpr bool IsMarkupSpace(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// Byte-wise equality after case folding; lengths must agree.
constexpr bool EqualsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(static_cast<unsigned char>(a[i])) !=
            FoldCase(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace Kavro::Utilities::XML
