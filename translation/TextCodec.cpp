#include "translation/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace Localization::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

void AppendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Code point at `i` of a wide text, moving `i` past it; surrogate pairs count as one where
// wchar_t is UTF-16.
char32_t NextCodePoint(std::wstring_view wide, std::size_t& i) {
    const auto c = static_cast<char32_t>(wide[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c <= 0xDBFF && i < wide.size()) {
            const auto low = static_cast<char32_t>(wide[i]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++i;
                return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    return c;
}

// Sort key of one code point: UTF-16 puts U+E000..U+FFFF after every supplementary character,
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

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        }
        std::size_t used = 1;
        bool valid = length != 0;
        while (valid && used < length) {
            if (i + used >= utf8.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(utf8[i + used]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (next & 0x3F);
            ++used;
        }
        if (valid && (c < minimum || c > 0x10FFFF || IsSurrogate(c))) {
            valid = false;
        }
        AppendCodePoint(out, valid ? c : kReplacement);
        i += used;
    }
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    std::size_t i = 0;
    while (i < wide.size()) {
        char32_t c = NextCodePoint(wide, i);
        if (c > 0x10FFFF || IsSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string WideToCp1251(std::wstring_view wide) {
    std::string out;
    iconv_t cd = iconv_open("CP1251", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII can be written faithfully.
        for (wchar_t c : wide) {
            out += (c >= 0 && c < 0x80) ? static_cast<char>(c) : '?';
        }
        return out;
    }
    // iconv's interface is not const-correct; it only reads the input.
    char* in = const_cast<char*>(reinterpret_cast<const char*>(wide.data()));
    std::size_t inLeft = wide.size() * sizeof(wchar_t);
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                continue;
            }
            // A character Windows-1251 lacks (or a malformed one): mark it and go on.
            out += '?';
            const std::size_t skip = std::min(inLeft, sizeof(wchar_t));
            in += skip;
            inLeft -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

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
