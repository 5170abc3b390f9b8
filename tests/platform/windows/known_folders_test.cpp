#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include "platform/KnownFolders.h"
#include "platform/RuntimeLibrary.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

TEST(KnownFoldersTest, ProgramProfileAndDefaults) {
    wchar_t own[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(ProgramPath(), std::filesystem::path(std::wstring(own, n)));
    EXPECT_EQ(ProgramFolder(), ProgramPath().parent_path());

    const std::filesystem::path profile = HomeFolder();
    ASSERT_FALSE(profile.empty());
    {
        test::ScopedEnv data("VORN_DATA_DIR", "d:\\vorn data");
        EXPECT_EQ(DataFolder(), std::filesystem::path(L"d:\\vorn data"));
    }
    test::ScopedEnv noData("VORN_DATA_DIR", "");
    EXPECT_EQ(DataFolder(), profile / L"AppData\\Local\\Quorin\\Zelt");
    EXPECT_FALSE(LocalAppDataFolder().empty());
    EXPECT_EQ(DefaultDocumentFolder(), std::filesystem::path(L"c:\\"));
    EXPECT_EQ(DefaultLogSettingsFile(), std::filesystem::path(L"c:\\gwsettings.xml"));
}

// A library opened on demand gives working functions or says what is missing.
TEST(RuntimeLibraryTest, LoadsByFileNameAndReportsWhatIsMissing) {
    RuntimeLibrary kernel("kernel32.dll");
    DWORD(WINAPI * processId)() = nullptr;
    ASSERT_TRUE(kernel.Resolve("GetCurrentProcessId", processId));
    EXPECT_EQ(processId(), ::GetCurrentProcessId());
    EXPECT_FALSE(kernel.Resolve("VornNoSuchFunction", processId));
    EXPECT_FALSE(kernel.ok());
    EXPECT_NE(kernel.error().find("VornNoSuchFunction"), std::string::npos) << kernel.error();

    RuntimeLibrary absent("vorn-not-installed.dll");
    EXPECT_FALSE(absent.ok());
    EXPECT_NE(absent.error().find("vorn-not-installed.dll"), std::string::npos) << absent.error();
}

}  // namespace
}  // namespace vorn::platform
