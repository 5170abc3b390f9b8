#include "platform/FileWrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(FileWrite, FailedReplaceLeavesTheOldFileAlone) {
    vorn::test::TempDir dir;
    const auto file = dir / "missing-folder" / "data.bin";
    EXPECT_FALSE(vorn::platform::ReplaceFileAtomically(file, "x"));

    // A folder in the way of the rename: the old entry stays, the temporary file goes.
    const auto blocked = dir / "blocked";
    std::filesystem::create_directory(blocked);
    WriteFileBytes(blocked / "inside", "keep");
    EXPECT_FALSE(vorn::platform::ReplaceFileAtomically(blocked, "x"));
    EXPECT_EQ(ReadFileBytes(blocked / "inside"), "keep");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(FileWrite, AppendAddsToTheEndAndReportsFailure) {
    vorn::test::TempDir dir;
    const auto file = dir / "log.txt";
    EXPECT_TRUE(vorn::platform::AppendToFile(file, "one\r\n"));
    EXPECT_TRUE(vorn::platform::AppendToFile(file, "two\r\n"));
    EXPECT_EQ(ReadFileBytes(file), "one\r\ntwo\r\n");
    EXPECT_FALSE(vorn::platform::AppendToFile(dir / "no" / "such" / "file", "x"));
    EXPECT_FALSE(vorn::platform::AppendToFile("/dev/full", "x"));
}
