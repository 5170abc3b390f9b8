// The update-server client's HTTP library is opened from beside the program when first needed:
// on Linux Debian's libcurl.so.4, on Windows the libcurl-4.dll that the build puts there.

#include <gtest/gtest.h>

#include <string>

#include "offline/CurlLibrary.h"

namespace vorn {
namespace {

TEST(CurlLibrary, LoadsWithEveryFunctionTheClientCalls) {
    std::string error;
    const CurlLibrary* curl = LoadCurlLibrary(error);
    ASSERT_NE(curl, nullptr) << error;
    EXPECT_TRUE(error.empty());
    // A handle made and freed, and a text looked up: the entry points are the library's own.
    CURL* handle = curl->easyInit();
    ASSERT_NE(handle, nullptr);
    curl->easyCleanup(handle);
    EXPECT_STRNE(curl->easyStrerror(CURLE_COULDNT_CONNECT), "");
    // Loaded once for the program: the second call gives the same table.
    EXPECT_EQ(LoadCurlLibrary(error), curl);
}

}  // namespace
}  // namespace vorn
