#include <gtest/gtest.h>

#include <string>

#include "translation/TextCodec.h"

namespace {

using namespace Localization::text;

TEST(TextCodecTest, Utf8RoundTrips) {
    const std::wstring wide = L"Обновить прошивку уст-ва\r\n\t\"ё\" \U0001F600 €";
    const std::string utf8 = WideToUtf8(wide);
    EXPECT_EQ(utf8.substr(0, 4), "\xD0\x9E\xD0\xB1");
    EXPECT_NE(utf8.find("\xF0\x9F\x98\x80"), std::string::npos);
    EXPECT_EQ(Utf8ToWide(utf8), wide);
    EXPECT_EQ(Utf8ToWide(""), L"");
}

TEST(TextCodecTest, MalformedUtf8BecomesReplacementCharacters) {
    // Truncated sequence at the end, lone continuation byte, overlong '/', encoded surrogate,
    // a lead byte followed by ASCII, and a code point beyond U+10FFFF.
    EXPECT_EQ(Utf8ToWide("a\xD0"), L"a\uFFFD");
    EXPECT_EQ(Utf8ToWide("\x80z"), L"\uFFFDz");
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80!"), L"\uFFFD!");
    EXPECT_EQ(Utf8ToWide("\xE2\x82x"), L"\uFFFDx");
    EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), L"\uFFFD");
    // Invalid wide characters do not produce invalid UTF-8.
    std::wstring bad;
    bad += static_cast<wchar_t>(0xD800);
    bad += static_cast<wchar_t>(0x110000);
    EXPECT_EQ(WideToUtf8(bad), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCodecTest, Cp1251BytesAndUnknownCharacters) {
    EXPECT_EQ(WideToCp1251(L"Да ёЁ №€"), "\xC4\xE0 \xB8\xA8 \xB9\x88");
    EXPECT_EQ(WideToCp1251(L"a中b\U0001F600c"), "a?b?c");
    EXPECT_EQ(WideToCp1251(L""), "");
    // Longer than one conversion buffer.
    const std::wstring longText(5000, L'ж');
    EXPECT_EQ(WideToCp1251(longText), std::string(5000, '\xE6'));
}

TEST(TextCodecTest, OrdersAsUtf16CodeUnits) {
    EXPECT_TRUE(Utf16Less(L"a", L"b"));
    EXPECT_TRUE(Utf16Less(L"ab", L"abc"));
    EXPECT_FALSE(Utf16Less(L"abc", L"abc"));
    EXPECT_TRUE(Utf16Less(L"Z", L"Я"));
    // In UTF-16 a supplementary character starts with a surrogate below U+E000.
    EXPECT_TRUE(Utf16Less(L"\U0001F600", L"\uFFFD"));
    EXPECT_FALSE(Utf16Less(L"\uFFFD", L"\U0001F600"));
    EXPECT_TRUE(Utf16Less(L"\uD7FF", L"\U0001F600"));
}

}  // namespace
