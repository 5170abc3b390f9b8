#include <gtest/gtest.h>

#include "translation/TextCodec.h"

namespace {

using namespace Localization::text;

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
