#pragma once

// Conversions between the program's wide text (std::wstring: UTF-32 on Linux, UTF-16 on
// Windows), UTF-16 (std::u16string, where a format counts UTF-16 code units) and the 8-bit
// encodings that pipes and files carry.
//
// No conversion fails or throws. Every malformed piece of input becomes U+FFFD in wide or
// UTF-16 output: a byte that cannot start a UTF-8 sequence, a sequence cut short (one U+FFFD
// for the valid prefix), an overlong form, an encoded surrogate or a value above U+10FFFF,
// and an unpaired UTF-16 surrogate. A wide character that is no Unicode scalar value is
// written as U+FFFD too. When the target is a legacy 8-bit character set, a character it
// cannot represent is written as '?'.

#include <string>
#include <string_view>

namespace vorn::platform {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

std::u16string WideToUtf16(std::wstring_view wide);
std::wstring Utf16ToWide(std::u16string_view utf16);

// The machine's 8-bit character set. Linux: that of the current locale once the program has
// chosen one, else the one its environment (LC_ALL, LC_CTYPE, LANG) names. Windows: the
// calling thread's ANSI code page (CP_THREAD_ACP), named "CP" and its number ("CP1251").
std::string LocaleCharset();
std::wstring LocaleToWide(std::string_view bytes);
std::string WideToLocale(std::wstring_view wide);

// Windows-1251, the Cyrillic code page some files are written in.
std::wstring Cp1251ToWide(std::string_view bytes);
std::string WideToCp1251(std::wstring_view wide);

// A character set by name: any that iconv knows on Linux; on Windows "UTF-8", "CP<number>" /
// "WINDOWS-<number>" (any case) and the names LocaleCharset() gives. An unknown name converts
// nothing and yields an empty result.
std::wstring CharsetToWide(std::string_view bytes, const std::string& charset);
std::string WideToCharset(std::wstring_view wide, const std::string& charset);

}  // namespace vorn::platform
