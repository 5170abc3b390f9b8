#include "platform/TextConversion.h"

#include "platform/windows/WindowsApi.h"

#include <algorithm>
#include <optional>

namespace vorn::platform {

namespace {

constexpr UINT kUtf8 = CP_UTF8;
// Input is converted in pieces of this many units, well inside the int the system takes.
constexpr std::size_t kPiece = 16u * 1024u * 1024u;

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

std::optional<UINT> Number(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    UINT n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        n = n * 10 + static_cast<UINT>(c - '0');
    }
    return n;
}

// The code page a character set name stands for; none for a name this system does not know.
std::optional<UINT> CodePageOf(std::string_view name) {
    const std::string upper = Upper(name);
    std::optional<UINT> page;
    if (upper == "UTF-8" || upper == "UTF8") {
        return kUtf8;
    }
    if (upper.starts_with("CP")) {
        page = Number(std::string_view(upper).substr(2));
    } else if (upper.starts_with("WINDOWS-")) {
        page = Number(std::string_view(upper).substr(8));
    } else if (upper == "ASCII" || upper == "US-ASCII" || upper == "ANSI_X3.4-1968") {
        page = 20127;
    } else if (upper == "KOI8-R") {
        page = 20866;
    } else if (upper == "ISO-8859-1" || upper == "LATIN1") {
        page = 28591;
    } else if (upper == "ISO-8859-5") {
        page = 28595;
    }
    if (!page || *page == kUtf8 || !::IsValidCodePage(*page)) {
        return page && *page == kUtf8 ? page : std::nullopt;
    }
    return page;
}

std::wstring ToWide(std::string_view bytes, UINT page) {
    std::wstring out;
    while (!bytes.empty()) {
        const std::string_view piece = bytes.substr(0, std::min(bytes.size(), kPiece));
        const int length = static_cast<int>(piece.size());
        const int needed = ::MultiByteToWideChar(page, 0, piece.data(), length, nullptr, 0);
        if (needed <= 0) {
            break;
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        const int got =
            ::MultiByteToWideChar(page, 0, piece.data(), length, out.data() + at, needed);
        out.resize(at + static_cast<std::size_t>(std::max(got, 0)));
        bytes.remove_prefix(piece.size());
    }
    // The Windows-125x code pages define no C1 controls: the system hands a byte they leave
    // undefined (0x98 in 1251) through as the control of that number, which is no text.
    if (page >= 1250 && page <= 1258) {
        for (wchar_t& c : out) {
            if (c >= 0x80 && c <= 0x9F) {
                c = 0xFFFD;
            }
        }
    }
    return out;
}

// Wide text as the code page should see it: a character beyond the basic plane, which no
// legacy code page holds, is one unknown character rather than two halves, and a lone
// surrogate is none at all.
std::wstring ForLegacyPage(std::wstring_view wide, UINT page) {
    std::wstring out;
    out.reserve(wide.size());
    const bool keepsPairs = page == 54936 || page == 65000;  // GB18030, UTF-7
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            if (keepsPairs) {
                out += c;
                out += wide[i + 1];
            } else {
                out += static_cast<wchar_t>(0xFFFD);
            }
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += static_cast<wchar_t>(0xFFFD);
        } else {
            out += c;
        }
    }
    return out;
}

std::string FromWide(std::wstring_view text, UINT page) {
    const std::wstring prepared = ForLegacyPage(text, page);
    std::wstring_view wide = prepared;
    std::string out;
    // Characters the code page lacks become '?', never a look-alike of another meaning. A few
    // code pages (the ISO-2022 family, UTF-7) take neither the flag nor a default character.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* fallback = "?";
    if (::WideCharToMultiByte(page, flags, L"a", 1, nullptr, 0, fallback, nullptr) <= 0) {
        flags = 0;
        fallback = nullptr;
    }
    while (!wide.empty()) {
        std::size_t size = std::min(wide.size(), kPiece);
        // A surrogate pair is never split between two pieces.
        if (size < wide.size() && wide[size - 1] >= 0xD800 && wide[size - 1] <= 0xDBFF) {
            --size;
        }
        const std::wstring_view piece = wide.substr(0, size);
        const int length = static_cast<int>(piece.size());
        const int needed =
            ::WideCharToMultiByte(page, flags, piece.data(), length, nullptr, 0, fallback, nullptr);
        if (needed <= 0) {
            break;
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        const int got = ::WideCharToMultiByte(page, flags, piece.data(), length, out.data() + at,
                                              needed, fallback, nullptr);
        out.resize(at + static_cast<std::size_t>(std::max(got, 0)));
        wide.remove_prefix(piece.size());
    }
    return out;
}

}  // namespace

std::wstring CharsetToWide(std::string_view bytes, const std::string& charset) {
    const std::optional<UINT> page = CodePageOf(charset);
    if (!page) {
        return {};
    }
    return *page == kUtf8 ? Utf8ToWide(bytes) : ToWide(bytes, *page);
}

std::string WideToCharset(std::wstring_view wide, const std::string& charset) {
    const std::optional<UINT> page = CodePageOf(charset);
    if (!page) {
        return {};
    }
    return *page == kUtf8 ? WideToUtf8(wide) : FromWide(wide, *page);
}

std::string LocaleCharset() {
    // The code page CP_THREAD_ACP stands for: the thread locale's ANSI code page, or the
    // system's where that locale has none.
    DWORD page = 0;
    if (::GetLocaleInfoW(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&page), sizeof page / sizeof(wchar_t)) == 0 ||
        page == 0) {
        page = ::GetACP();
    }
    return page == kUtf8 ? std::string("UTF-8") : "CP" + std::to_string(page);
}

// A thread whose ANSI code page is UTF-8 gets the UTF-8 rules of this header.
std::wstring LocaleToWide(std::string_view bytes) {
    return LocaleCharset() == "UTF-8" ? Utf8ToWide(bytes) : ToWide(bytes, CP_THREAD_ACP);
}

std::string WideToLocale(std::wstring_view wide) {
    return LocaleCharset() == "UTF-8" ? WideToUtf8(wide) : FromWide(wide, CP_THREAD_ACP);
}

std::wstring Cp1251ToWide(std::string_view bytes) {
    return ToWide(bytes, 1251);
}

std::string WideToCp1251(std::wstring_view wide) {
    return FromWide(wide, 1251);
}

}  // namespace vorn::platform
