#include "platform/FolderTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

namespace fs = std::filesystem;

TEST(FolderTreeTest, CreatesMissingLevelsAndAcceptsExistingFolders) {
    test::TempDir dir;
    fs::path deep = dir / "a" / "b" / "c" / "";
    std::error_code error;
    EXPECT_TRUE(CreateFolderTree(deep, &error));
    EXPECT_FALSE(error);
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
    EXPECT_TRUE(CreateFolderTree(dir / "a" / "b", &error));
    EXPECT_FALSE(error);
    // Relative paths count from the working folder.
    fs::path old = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_TRUE(CreateFolderTree("x/../y/z"));
    fs::current_path(old);
    EXPECT_TRUE(fs::is_directory(dir / "y" / "z"));
}

TEST(FolderTreeTest, FailedLevelRemovesOnlyWhatThisCallCreated) {
    test::TempDir dir;
    fs::create_directories(dir / "keep");
    test::WriteFileBytes(dir / "keep" / "old.txt", "old");
    test::WriteFileBytes(dir / "keep" / "file", "x");
    std::error_code error;

    // A file stands where a level should be.
    EXPECT_FALSE(CreateFolderTree(dir / "keep" / "file" / "n1", &error));
    EXPECT_TRUE(error);
    EXPECT_TRUE(fs::is_regular_file(dir / "keep" / "file"));

    // Two new levels are made, the third cannot be: both new levels go again, with what was
    // put into them meanwhile; the folder that was there before stays with its content.
    fs::path tooLong = dir / "keep" / "n1" / "n2" / std::string(300, 'z') / "n4";
    EXPECT_FALSE(CreateFolderTree(tooLong, &error));
    EXPECT_TRUE(error);  // the system's reason: a name too long (Linux), or not found (Wine)
    EXPECT_FALSE(fs::exists(dir / "keep" / "n1"));
    EXPECT_TRUE(fs::is_directory(dir / "keep"));
    EXPECT_EQ(test::ReadFileBytes(dir / "keep" / "old.txt"), "old");
    EXPECT_TRUE(fs::is_regular_file(dir / "keep" / "file"));
}

TEST(FolderTreeTest, ConcurrentCallsOnOneTreeAllSucceed) {
    // Two callers (say the logger and the options dialog) making the same tree at once: a level
    // the other one made first is no failure.
    for (int round = 0; round < 40; ++round) {
        test::TempDir dir;
        const fs::path deep = dir / "a" / "b" / "c" / "d" / "e" / "f";
        std::atomic<int> failures{0};
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                while (!go) {
                    std::this_thread::yield();
                }
                if (!CreateFolderTree(deep)) {
                    ++failures;
                }
            });
        }
        go = true;
        for (auto& thread : threads) {
            thread.join();
        }
        ASSERT_EQ(failures.load(), 0) << "round " << round;
        EXPECT_TRUE(fs::is_directory(deep));
    }
}

}  // namespace
}  // namespace vorn::platform
