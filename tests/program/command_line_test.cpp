#include <gtest/gtest.h>

#include "app/AgentStart.h"
#include "program/CZeltCommandLineInfo.h"
#include "platform/KnownFolders.h"

namespace vorn {
namespace {

bool Enabled(std::vector<const wchar_t*> tokens) {
    tokens.insert(tokens.begin(), L"Vorn_Update");
    CZeltCommandLineInfo info;
    ParseCommandLine(static_cast<int>(tokens.size()), tokens.data(), info);
    return info.OtherDevicesEnabled();
}

TEST(CommandLineTest, EnableOthersIsACaseInsensitiveSubstring) {
    EXPECT_FALSE(Enabled({}));
    EXPECT_TRUE(Enabled({L"ENABLE_OTHERS"}));
    EXPECT_TRUE(Enabled({L"enable_others"}));
    EXPECT_TRUE(Enabled({L"/Enable_Others"}));
    EXPECT_TRUE(Enabled({L"-eNaBlE_oThErS"}));
    EXPECT_TRUE(Enabled({L"--xENABLE_OTHERSy"}));
    EXPECT_TRUE(Enabled({L"first", L"enable_others", L"last"}));
    EXPECT_FALSE(Enabled({L"ENABLE-OTHERS"}));
    EXPECT_FALSE(Enabled({L"ENABLE_", L"OTHERS"}));
    EXPECT_FALSE(Enabled({L"ENABLE OTHERS"}));
    // A locale's case rules do not apply: a dotless i is not an I.
    EXPECT_FALSE(Enabled({L"enable_\u0131others"}));
}

TEST(CommandLineTest, TheFlagIsNeverCleared) {
    CZeltCommandLineInfo info;
    info.ParseParam(L"ENABLE_OTHERS", true, false);
    info.ParseParam(L"something", false, false);
    info.ParseParam(nullptr, false, true);
    EXPECT_TRUE(info.OtherDevicesEnabled());
}

TEST(AgentStartTest, AgentIsStartedFromTheProgramFolder) {
    EXPECT_EQ(AgentProgramPath(), platform::ProgramFolder() / "AgentZelt");
}

}  // namespace
}  // namespace vorn
