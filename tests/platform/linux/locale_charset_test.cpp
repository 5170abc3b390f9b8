#include <gtest/gtest.h>

#include <clocale>

#include "platform/TextConversion.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

TEST(TextConversionTest, LocaleCharsetFollowsTheLocale) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    {
        test::ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(LocaleToWide("ok\xC3\xA9"), L"ok\uFFFD\uFFFD");
        EXPECT_EQ(WideToLocale(L"ok\u00E9"), "ok?");
    }
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, saved.c_str());
        GTEST_SKIP() << "no C.UTF-8 locale here: only the \"C\" half ran";
    }
    EXPECT_EQ(LocaleCharset(), "UTF-8");
    EXPECT_EQ(LocaleToWide("ok\xC3\xA9"), L"ok\u00E9");
    // A program left in "C" still reads the machine's character set from its environment.
    std::setlocale(LC_CTYPE, "C");
    {
        test::ScopedEnv all("LC_ALL", "C.UTF-8");
        EXPECT_EQ(LocaleCharset(), "UTF-8");
        EXPECT_EQ(LocaleToWide("ok\xC3\xA9"), L"ok\u00E9");
        EXPECT_EQ(WideToLocale(L"ok\u00E9"), "ok\xC3\xA9");
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

}  // namespace
}  // namespace vorn::platform
