#include <gtest/gtest.h>

#include <cstring>

#include "platform/RuntimeLibrary.h"

namespace {

using vorn::platform::RuntimeLibrary;

// A library opened on demand either gives working functions or says what is missing; a missing
// library or symbol must never look like success.
TEST(RuntimeLibrary, ResolvesFunctionsOrSaysWhatIsMissing) {
    RuntimeLibrary libc("libc.so.6");
    decltype(&std::strlen) length = nullptr;
    ASSERT_TRUE(libc.Resolve("strlen", length));
    EXPECT_TRUE(libc.ok());
    EXPECT_EQ(length("four"), 4u);

    decltype(&std::strlen) missing = nullptr;
    EXPECT_FALSE(libc.Resolve("vorn_no_such_function", missing));
    EXPECT_EQ(missing, nullptr);
    EXPECT_FALSE(libc.ok());
    EXPECT_NE(libc.error().find("vorn_no_such_function"), std::string::npos) << libc.error();

    RuntimeLibrary absent("libvorn-not-installed.so.1");
    EXPECT_FALSE(absent.ok());
    EXPECT_FALSE(absent.Resolve("strlen", length));
    EXPECT_NE(absent.error().find("libvorn-not-installed.so.1"), std::string::npos)
        << absent.error();
}

}  // namespace
