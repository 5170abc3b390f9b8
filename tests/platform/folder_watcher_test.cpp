// Watching a folder: a write in the folder wakes the watcher, a folder created or
// renamed in it ends the watch, and the stop signal ends the wait at once.

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "platform/FolderWatcher.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;

// The watcher's next answer, waited for on another thread so that a hang fails the test.
std::future<FolderChange> NextChange(FolderWatcher& watcher, const StopSignal& stop) {
    return std::async(std::launch::async, [&] { return watcher.Wait(stop); });
}

TEST(FolderWatcherTest, WritesWakeAndFolderChangesEndTheWatch) {
    struct Case {
        const char* what;
        void (*change)(const std::filesystem::path& folder);
        FolderChange expected;
    };
    const Case cases[] = {
        {"the settings file is saved",
         [](const auto& folder) { test::WriteFileBytes(folder / "gwsettings.xml", "<x/>"); },
         FolderChange::FileWritten},
        {"a folder is created beside it",
         [](const auto& folder) { std::filesystem::create_directory(folder / "new"); },
         FolderChange::Ended},
        {"a folder beside it is renamed",
         [](const auto& folder) { std::filesystem::rename(folder / "sub", folder / "moved"); },
         FolderChange::Ended},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        test::WriteFileBytes(dir / "gwsettings.xml", "<old/>");
        std::filesystem::create_directory(dir / "sub");
        StopSignal stop;
        FolderWatcher watcher(dir.path(), "gwsettings.xml");
        ASSERT_TRUE(watcher.ok()) << c.what;
        auto next = NextChange(watcher, stop);
        c.change(dir.path());
        ASSERT_EQ(next.wait_for(10s), std::future_status::ready) << c.what;
        EXPECT_EQ(next.get(), c.expected) << c.what;
        if (c.expected == FolderChange::Ended) {
            EXPECT_EQ(watcher.Wait(stop), FolderChange::Ended) << c.what;
        }
    }
}

TEST(FolderWatcherTest, StopEndsTheWaitAndAnAbsentFolderCannotBeWatched) {
    test::TempDir dir;
    StopSignal stop;
    FolderWatcher watcher(dir.path(), "gwsettings.xml");
    ASSERT_TRUE(watcher.ok());
    auto next = NextChange(watcher, stop);
    EXPECT_EQ(next.wait_for(200ms), std::future_status::timeout);  // nothing happened yet
    stop.Signal();
    ASSERT_EQ(next.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(next.get(), FolderChange::Stopped);

    FolderWatcher absent(dir / "missing", "gwsettings.xml");
    EXPECT_FALSE(absent.ok());
    EXPECT_EQ(absent.Wait(stop), FolderChange::Ended);
}

}  // namespace
}  // namespace vorn::platform
