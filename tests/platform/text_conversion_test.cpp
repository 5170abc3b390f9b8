#include "platform/TextConversion.h"

#include <gtest/gtest.h>

namespace vorn::platform {
namespace {

TEST(TextConversionTest, RoundTripsEveryPlaneThroughEachForm) {
    const std::wstring text = L"Aя€\U0001F600z";
    const std::string utf8 = "A\xD1\x8F\xE2\x82\xAC\xF0\x9F\x98\x80z";
    EXPECT_EQ(WideToUtf8(text), utf8);
    EXPECT_EQ(Utf8ToWide(utf8), text);
    const std::u16string utf16 = Utf8ToUtf16(utf8);
    EXPECT_EQ(utf16, u"Aя€\U0001F600z");
    EXPECT_EQ(utf16.size(), 6u);  // the emoji takes two code units
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf16ToWide(utf16), text);
    EXPECT_EQ(WideToUtf16(text), utf16);
    EXPECT_EQ(WideToUtf8(L"Файлы").size(), 10u);
}

TEST(TextConversionTest, MalformedUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string input;
        std::wstring expected;
    };
    const Case cases[] = {
        {"a\x80z", L"a\uFFFDz"},                            // stray continuation byte
        {"a\xC0\xAFz", L"a\uFFFD\uFFFDz"},                  // overlong slash
        {"a\xE2\x82", L"a\uFFFD"},                          // cut short at the end
        {"a\xE2\x82z", L"a\uFFFDz"},                        // cut short in the middle
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF\xFE", L"\uFFFD\uFFFD"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},  // NUL is kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.input), c.expected) << c.input;
        EXPECT_EQ(Utf16ToWide(Utf8ToUtf16(c.input)), c.expected) << c.input;
    }
}

TEST(TextConversionTest, UnpairedSurrogatesAndNonCharactersAreReplaced) {
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(Utf16ToWide(lone), L"a\uFFFDb\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(lone),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    const std::wstring bad = {L'x', static_cast<wchar_t>(0xD800), L'y'};
    EXPECT_EQ(WideToUtf8(bad), "x\xEF\xBF\xBDy");
    EXPECT_EQ(WideToUtf16(bad), u"x\uFFFDy");
    if (sizeof(wchar_t) == 4) {  // only UTF-32 wide text can hold a value past U+10FFFF
        const std::wstring beyond = {L'x', static_cast<wchar_t>(0x110000)};
        EXPECT_EQ(WideToUtf8(beyond), "x\xEF\xBF\xBD");
        EXPECT_EQ(WideToUtf16(beyond), u"x\uFFFD");
    }
}

TEST(TextConversionTest, Cp1251BothWays) {
    EXPECT_EQ(WideToCp1251(L"Привет, ёЁ!"), "\xCF\xF0\xE8\xE2\xE5\xF2, \xB8\xA8!");
    EXPECT_EQ(Cp1251ToWide("\xCF\xF0\xE8\xE2\xE5\xF2, \xB8\xA8!"), L"Привет, ёЁ!");
    // No such character in the code page; 0x98 is the one byte it leaves undefined.
    EXPECT_EQ(WideToCp1251(L"a\u4E2Db"), "a?b");
    EXPECT_EQ(Cp1251ToWide("a\x98z"), L"a\uFFFDz");
    EXPECT_EQ(WideToCp1251(L"\u2116\u20AC b\U0001F600c"), "\xB9\x88 b?c");
    // Longer than one conversion buffer.
    EXPECT_EQ(WideToCp1251(std::wstring(5000, L'ж')), std::string(5000, '\xE6'));
}

TEST(TextConversionTest, UnknownCharsetYieldsNothing) {
    EXPECT_EQ(CharsetToWide("abc", "NO-SUCH-CHARSET"), L"");
    EXPECT_EQ(WideToCharset(L"abc", "NO-SUCH-CHARSET"), "");
}

}  // namespace
}  // namespace vorn::platform
