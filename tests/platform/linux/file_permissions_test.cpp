#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FileWrite.h"
#include "support/TestEnvironment.h"

using vorn::test::ReadFileBytes;
using vorn::test::WriteFileBytes;

namespace {

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST(FileWrite, ReplaceKeepsPermissionsAndLeavesNoTemporaryFile) {
    vorn::test::TempDir dir;
    const auto file = dir / "settings.reg";
    WriteFileBytes(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);

    ASSERT_TRUE(vorn::platform::ReplaceFileAtomically(file, std::string("new\0bytes", 9)));
    EXPECT_EQ(ReadFileBytes(file), std::string("new\0bytes", 9));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(FileWrite, AppendToAFullDeviceReportsFailure) {
    EXPECT_FALSE(vorn::platform::AppendToFile("/dev/full", "x"));
}
