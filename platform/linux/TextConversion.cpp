#include "platform/TextConversion.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cstring>

namespace vorn::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
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
