#include <gtest/gtest.h>

#include "app/AgentStart.h"
#include "platform/KnownFolders.h"
#include "program/CZeltCommandLineInfo.h"
#include "program/ProgramOptions.h"

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

TEST(ProgramOptionsTest, HelpVersionLanguageAndUnknownOptions) {
    using Action = ProgramOptions::Action;
    struct Case {
        std::vector<const char*> args;
        Action action;
        std::optional<std::string> language;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {{}, Action::Run, std::nullopt, ""},
        {{"--help"}, Action::Help, std::nullopt, ""},
        {{"-h"}, Action::Help, std::nullopt, ""},
        {{"--version"}, Action::Version, std::nullopt, ""},
        {{"--version", "--bogus"}, Action::Version, std::nullopt, ""},
        {{"--bogus", "--help"}, Action::UsageError, std::nullopt, "unknown option --bogus"},
        {{"-x"}, Action::UsageError, std::nullopt, "unknown option -x"},
        {{"-"}, Action::UsageError, std::nullopt, "unknown option -"},
        {{"--helpme"}, Action::UsageError, std::nullopt, "unknown option --helpme"},
        {{"--language=ENG"}, Action::Run, "ENG", ""},
        {{"--language", "rus"}, Action::Run, "rus", ""},
        {{"--language=ENG", "--language=RUS"}, Action::Run, "RUS", ""},
        {{"--language="}, Action::UsageError, std::nullopt, "--language needs a language"},
        {{"--language"}, Action::UsageError, std::nullopt, "--language needs a language"},
        {{"--languages=ENG"}, Action::UsageError, std::nullopt, "unknown option --languages=ENG"},
        // The switch of the main window is never an error, dashes or not; plain words pass.
        {{"ENABLE_OTHERS"}, Action::Run, std::nullopt, ""},
        {{"--enable_others"}, Action::Run, std::nullopt, ""},
        {{"-xENABLE_OTHERSy", "--language=ENG"}, Action::Run, "ENG", ""},
        {{"/enable_others", "word"}, Action::Run, std::nullopt, ""},
        {{"--enable-others"}, Action::UsageError, std::nullopt, "unknown option --enable-others"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"vorn-update"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string line;
        for (const char* a : c.args) {
            line += std::string(a) + " ";
        }
        const ProgramOptions options =
            ParseProgramOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.action, c.action) << line;
        EXPECT_EQ(options.language, c.language) << line;
        EXPECT_TRUE(options.problem.starts_with(c.problem)) << line << ": " << options.problem;
    }
    EXPECT_NE(ProgramUsage().find("--language=ENG|RUS"), std::string::npos);
}

TEST(AgentStartTest, AgentIsStartedFromTheProgramFolder) {
    EXPECT_EQ(AgentProgramPath(),
              platform::ProgramFolder() / platform::ExecutableFileName("AgentZelt"));
}

}  // namespace
}  // namespace vorn
