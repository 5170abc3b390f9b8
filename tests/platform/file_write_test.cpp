#include "platform/FileWrite.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

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

// A writer killed before its rename leaves ".NAME.XXXXXX"; the next replacement of NAME removes
// those older than a minute and nothing else.
TEST(FileWrite, ReplaceRemovesOldLeftoversOfItsOwnPatternOnly) {
    vorn::test::TempDir dir;
    const auto file = dir / "settings.reg";
    WriteFileBytes(file, "old");
    struct Entry {
        const char* name;
        bool old;
        bool removed;
    };
    const Entry entries[] = {
        {".settings.reg.a1B2c3", true, true},   {".settings.reg.Zz9yY8", true, true},
        {".settings.reg.q1w2e3", false, false},  // may be another writer's, still at work
        {".settings.reg.a1B2c", true, false},   {".settings.reg.a1B2c3d", true, false},
        {".settings.reg.a1-2c3", true, false},  {".other.reg.a1B2c3", true, false},
        {"settings.reg.a1B2c3", true, false},   {".settings.regXa1B2c3", true, false},
    };
    const timespec twoMinutesAgo{::time(nullptr) - 120, 0};
    for (const auto& entry : entries) {
        WriteFileBytes(dir / entry.name, "partial");
        if (entry.old) {
            const timespec times[2] = {twoMinutesAgo, twoMinutesAgo};
            ASSERT_EQ(::utimensat(AT_FDCWD, (dir / entry.name).c_str(), times, 0), 0);
        }
    }
    ASSERT_TRUE(vorn::platform::ReplaceFileAtomically(file, "new"));
    EXPECT_EQ(ReadFileBytes(file), "new");
    for (const auto& entry : entries) {
        EXPECT_EQ(std::filesystem::exists(dir / entry.name), !entry.removed) << entry.name;
    }
    EXPECT_EQ(EntriesIn(dir.path()), 1u + 7u);
}
