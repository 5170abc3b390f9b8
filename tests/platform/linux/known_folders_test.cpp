#include <gtest/gtest.h>

#include "platform/KnownFolders.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

namespace fs = std::filesystem;

TEST(KnownFoldersTest, FollowTheEnvironment) {
    EXPECT_EQ(ProgramFolder(), fs::canonical("/proc/self/exe").parent_path());
    {
        test::ScopedEnv data("VORN_DATA_DIR", "/data/vorn");
        EXPECT_EQ(DataFolder(), "/data/vorn");
    }
    test::ScopedEnv noData("VORN_DATA_DIR", "");
    test::ScopedEnv home("HOME", "/home/op");
    {
        test::ScopedEnv xdg("XDG_DATA_HOME", "/xdg");
        EXPECT_EQ(DataFolder(), "/xdg/Quorin/Zelt");
    }
    {
        test::ScopedEnv relative("XDG_DATA_HOME", "xdg");
        EXPECT_EQ(DataFolder(), "/home/op/.local/share/Quorin/Zelt");
    }
    test::ScopedEnv noXdg("XDG_DATA_HOME", "");
    EXPECT_EQ(HomeFolder(), "/home/op");
    EXPECT_EQ(DataFolder(), "/home/op/.local/share/Quorin/Zelt");
    test::ScopedEnv noHome("HOME", "");
    EXPECT_FALSE(HomeFolder().empty());  // from the password database
    EXPECT_EQ(DefaultDocumentFolder(), HomeFolder());
    EXPECT_EQ(DefaultLogSettingsFile(), "/etc/gwsettings.xml");
}

}  // namespace
}  // namespace vorn::platform
