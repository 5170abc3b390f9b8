#include "platform/FileWrite.h"

#include <gtest/gtest.h>

#include <chrono>

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
}

// The new content is complete after a replacement, whether the file was there or not, and no
// temporary file stays behind.
TEST(FileWrite, ReplacementIsWholeAndLeavesNoTemporaryFile) {
    vorn::test::TempDir dir;
    const auto file = dir / "session.xml";
    const std::string large(3 * 1024 * 1024 + 7, 'x');
    for (const std::string& content : {std::string("first"), large, std::string("\0tail", 5)}) {
        ASSERT_TRUE(vorn::platform::ReplaceFileAtomically(file, content));
        EXPECT_EQ(ReadFileBytes(file), content);
        EXPECT_EQ(EntriesIn(dir.path()), 1u);
    }
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
    const auto twoMinutesAgo =
        std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2);
    for (const auto& entry : entries) {
        WriteFileBytes(dir / entry.name, "partial");
        if (entry.old) {
            std::filesystem::last_write_time(dir / entry.name, twoMinutesAgo);
        }
    }
    ASSERT_TRUE(vorn::platform::ReplaceFileAtomically(file, "new"));
    EXPECT_EQ(ReadFileBytes(file), "new");
    for (const auto& entry : entries) {
        EXPECT_EQ(std::filesystem::exists(dir / entry.name), !entry.removed) << entry.name;
    }
    EXPECT_EQ(EntriesIn(dir.path()), 1u + 7u);
}
