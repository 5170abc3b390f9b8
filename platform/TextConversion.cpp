#include "platform/TextConversion.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <vector>

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

wchar_t ToWide(char32_t c) {
    return static_cast<wchar_t>(IsScalarValue(c) ? c : kReplacement);
}

bool IsUtf8Name(const std::string& charset) {
    return charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8";
}

// An iconv descriptor, closed once. A descriptor serves one thread, so each call opens its own.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; returns false at an input sequence it cannot convert
    // (`in` then points at it) and true when all input is consumed.
    bool Run(const char*& in, size_t& inLeft, std::string& out) {
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            char* inPtr = const_cast<char*>(in);
            const size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            in = inPtr;
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                Reset();
                return false;
            }
        }
        return true;
    }

private:
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    iconv_t cd_;
};

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
    DecodeUtf8(utf8, [&out](char32_t c) { out.push_back(ToWide(c)); });
    return out;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) {
        AppendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

std::u16string WideToUtf16(std::wstring_view wide) {
    std::u16string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) {
        AppendUtf16(out, static_cast<char32_t>(c));
    }
    return out;
}

std::wstring Utf16ToWide(std::u16string_view utf16) {
    std::wstring out;
    out.reserve(utf16.size());
    DecodeUtf16(utf16, [&out](char32_t c) { out.push_back(ToWide(c)); });
    return out;
}

std::wstring CharsetToWide(std::string_view bytes, const std::string& charset) {
    if (IsUtf8Name(charset)) {
        return Utf8ToWide(bytes);
    }
    Converter converter("UTF-32LE", charset.c_str());
    if (!converter.ok()) {
        return {};
    }
    std::string utf32;
    const char* in = bytes.data();
    size_t inLeft = bytes.size();
    while (!converter.Run(in, inLeft, utf32)) {
        // A byte the character set does not define, or a sequence cut short at the end.
        utf32.append("\xFD\xFF\x00\x00", 4);
        ++in;
        --inLeft;
    }
    std::wstring out;
    out.reserve(utf32.size() / 4);
    for (size_t i = 0; i + 4 <= utf32.size(); i += 4) {
        const auto* u = reinterpret_cast<const unsigned char*>(utf32.data() + i);
        out.push_back(ToWide(char32_t{u[0]} | char32_t{u[1]} << 8 | char32_t{u[2]} << 16 |
                             char32_t{u[3]} << 24));
    }
    return out;
}

std::string WideToCharset(std::wstring_view wide, const std::string& charset) {
    if (IsUtf8Name(charset)) {
        return WideToUtf8(wide);
    }
    Converter converter(charset.c_str(), "UTF-32LE");
    if (!converter.ok()) {
        return {};
    }
    std::string utf32;
    utf32.reserve(wide.size() * 4);
    for (wchar_t w : wide) {
        char32_t c = static_cast<char32_t>(w);
        if (!IsScalarValue(c)) {
            c = kReplacement;
        }
        for (int shift = 0; shift < 32; shift += 8) {
            utf32.push_back(static_cast<char>((c >> shift) & 0xFF));
        }
    }
    std::string out;
    const char* in = utf32.data();
    size_t inLeft = utf32.size();
    while (!converter.Run(in, inLeft, out)) {
        out.push_back('?');
        in += 4;
        inLeft -= 4;
    }
    return out;
}

std::string LocaleCharset() {
    // A program that never chose a locale runs in "C" (the toolkit no longer sets one), yet the
    // machine's character set is the one its environment names, as the ANSI code page is the
    // user's whatever the C library was told.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    if (current == nullptr || std::strcmp(current, "C") == 0 ||
        std::strcmp(current, "POSIX") == 0) {
        if (const locale_t environment = newlocale(LC_CTYPE_MASK, "", locale_t{})) {
            const char* codeset = nl_langinfo_l(CODESET, environment);
            std::string charset = codeset != nullptr && *codeset != '\0' ? codeset : "";
            freelocale(environment);
            if (!charset.empty()) {
                return charset;
            }
        }
    }
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && *codeset != '\0' ? codeset : "ANSI_X3.4-1968";
}

std::wstring LocaleToWide(std::string_view bytes) {
    return CharsetToWide(bytes, LocaleCharset());
}

std::string WideToLocale(std::wstring_view wide) {
    return WideToCharset(wide, LocaleCharset());
}

std::wstring Cp1251ToWide(std::string_view bytes) {
    return CharsetToWide(bytes, "CP1251");
}

std::string WideToCp1251(std::wstring_view wide) {
    return WideToCharset(wide, "CP1251");
}

}  // namespace vorn::platform
