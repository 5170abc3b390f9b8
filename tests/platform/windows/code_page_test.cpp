// Text on Windows: wide text is UTF-16 itself, 8-bit text goes through code pages, and the
// "locale" character set is the thread's ANSI code page.

#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include "platform/TextConversion.h"

namespace vorn::platform {
namespace {

const std::string kPrivet1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";  // "Привет" in Windows-1251

TEST(CodePageTest, WideTextIsUtf16) {
    const std::wstring text = L"Я\U0001F600";
    ASSERT_EQ(text.size(), 3u);  // the emoji is a surrogate pair
    EXPECT_EQ(WideToUtf8(text), "\xD0\xAF\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide("\xD0\xAF\xF0\x9F\x98\x80"), text);
    EXPECT_EQ(WideToUtf16(text), u"Я\U0001F600");
    EXPECT_EQ(Utf16ToWide(u"Я\U0001F600"), text);
    // A lone surrogate is no character in UTF-8.
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xEF\xBF\xBD");
}

TEST(CodePageTest, CharsetNamesMapToCodePages) {
    struct Case {
        const char* name;
        std::string privet;  // "Привет" in that character set; empty: the name is unknown
    };
    const Case cases[] = {
        {"CP1251", kPrivet1251},
        {"cp1251", kPrivet1251},
        {"WINDOWS-1251", kPrivet1251},
        {"KOI8-R", "\xF0\xD2\xC9\xD7\xC5\xD4"},
        {"CP866", "\x8F\xE0\xA8\xA2\xA5\xE2"},
        {"UTF-8", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"NO-SUCH-CHARSET", ""},
        {"CP99999", ""},
        {"CP", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideToCharset(L"Привет", c.name), c.privet) << c.name;
        EXPECT_EQ(CharsetToWide(c.privet, c.name), c.privet.empty() ? L"" : L"Привет") << c.name;
    }
    // What a code page lacks becomes '?', never a look-alike.
    EXPECT_EQ(WideToCharset(L"a\u4E2D\u00E9b", "CP1251"), "a??b");
}

TEST(CodePageTest, Cp1251RoundTripsEveryDefinedByte) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != 0x98) {  // the one byte Windows-1251 leaves undefined
            all.push_back(static_cast<char>(byte));
        }
    }
    const std::wstring wide = Cp1251ToWide(all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(WideToCp1251(wide), all);
    EXPECT_EQ(Cp1251ToWide(kPrivet1251 + ", \xB8\xA8!"), L"Привет, ёЁ!");
    EXPECT_EQ(WideToCp1251(std::wstring(5000, L'ж')), std::string(5000, '\xE6'));
}

// The thread's ANSI code page follows its locale: a Russian thread reads and writes
// Windows-1251 and says so.
TEST(CodePageTest, LocaleConversionsFollowTheThreadCodePage) {
    const LCID saved = ::GetThreadLocale();
    struct Case {
        LANGID language;
        const char* charset;
        std::string privet;
    };
    const Case cases[] = {
        {MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), "CP1251", kPrivet1251},
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "CP1252", "??????"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(::SetThreadLocale(MAKELCID(c.language, SORT_DEFAULT)));
        EXPECT_EQ(LocaleCharset(), c.charset);
        EXPECT_EQ(WideToLocale(L"Привет"), c.privet) << c.charset;
        if (c.privet == kPrivet1251) {
            EXPECT_EQ(LocaleToWide(c.privet), L"Привет");
        }
        // The same as the system's own conversion with CP_THREAD_ACP.
        wchar_t system[16] = {};
        const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, "\xE9\xFF", 2, system, 16);
        EXPECT_EQ(LocaleToWide("\xE9\xFF"), std::wstring(system, static_cast<std::size_t>(n)));
    }
    ::SetThreadLocale(saved);
}

}  // namespace
}  // namespace vorn::platform
