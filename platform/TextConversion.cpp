#include "platform/TextConversion.h"

#include <cstdint>

namespace vorn::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// Calls `emit` for each code point of `utf8`, U+FFFD for each malformed piece.
template <typename Emit>
void DecodeUtf8(std::string_view utf8, Emit emit) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            emit(char32_t{lead});
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t c = 0;
        // Bounds of the second byte rule out overlong forms, surrogates and values beyond
        // U+10FFFF in one check.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0Fu;
            if (lead == 0xE0) {
                low = 0xA0;
            } else if (lead == 0xED) {
                high = 0x9F;
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07u;
            if (lead == 0xF0) {
                low = 0x90;
            } else if (lead == 0xF4) {
                high = 0x8F;
            }
        } else {
            emit(kReplacement);
            ++i;
            continue;
        }
        size_t k = 1;
        for (; k < length && i + k < n; ++k) {
            const unsigned char b = p[i + k];
            if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) {
                break;
            }
            c = (c << 6) | (b & 0x3Fu);
        }
        if (k == length) {
            emit(c);
        } else {
            emit(kReplacement);
        }
        i += k;
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsScalarValue(c)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (!IsScalarValue(c)) {
        c = kReplacement;
    }
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

template <typename Emit>
void DecodeUtf16(std::u16string_view utf16, Emit emit) {
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            emit(0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{utf16[i + 1]} - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            emit(kReplacement);
        } else {
            emit(char32_t{u});
        }
    }
}

// wchar_t is UTF-32 on Linux and UTF-16 on Windows.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

void AppendWide(std::wstring& out, char32_t c) {
    if (!IsScalarValue(c)) {
        c = kReplacement;
    }
    if (kWideIsUtf16 && c >= 0x10000) {
        c -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(c));
    }
}

// Calls `emit` for each code point of wide text.
template <typename Emit>
void DecodeWide(std::wstring_view wide, Emit emit) {
    if constexpr (kWideIsUtf16) {
        std::u16string_view units(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
        DecodeUtf16(units, emit);
    } else {
        for (const wchar_t c : wide) {
            emit(static_cast<char32_t>(c));
        }
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    DecodeUtf8(utf8, [&out](char32_t c) { AppendUtf16(out, c); });
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    DecodeUtf16(utf16, [&out](char32_t c) { AppendUtf8(out, c); });
    return out;
}

std::wstring Utf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    DecodeUtf8(utf8, [&out](char32_t c) { AppendWide(out, c); });
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    DecodeWide(wide, [&out](char32_t c) { AppendUtf8(out, c); });
    return out;
}

std::u16string WideToUtf16(std::wstring_view wide) {
    std::u16string out;
    out.reserve(wide.size());
    DecodeWide(wide, [&out](char32_t c) { AppendUtf16(out, c); });
    return out;
}

std::wstring Utf16ToWide(std::u16string_view utf16) {
    std::wstring out;
    out.reserve(utf16.size());
    DecodeUtf16(utf16, [&out](char32_t c) { AppendWide(out, c); });
    return out;
}

}  // namespace vorn::platform
