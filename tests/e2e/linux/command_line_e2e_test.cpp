// The program's command line as a user meets it: answered, stored or refused before any window,
// and without a display one line instead of a toolkit failure.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBin = VORN_BIN_DIR;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs the program without a display, with the locale and settings folder given.
Outcome RunProgram(const std::vector<std::string>& args, const std::string& locale,
                   const fs::path& registry, const fs::path& work) {
    std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_MESSAGES LANG=" + Quoted(locale) +
        " VORN_REGISTRY_DIR=" + Quoted(registry.string()) +
        " VORN_DATA_DIR=" + Quoted((work / "data").string()) + " " +
        Quoted((kBin / "Vorn_Update").string());
    for (const auto& arg : args) {
        command += " " + Quoted(arg);
    }
    command += " >" + Quoted((work / "out").string()) + " 2>" + Quoted((work / "err").string());
    const int status = std::system(command.c_str());
    Outcome run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = vorn::test::ReadFileBytes(work / "out");
    run.err = vorn::test::ReadFileBytes(work / "err");
    return run;
}

std::optional<std::string> StoredLanguage(const fs::path& registry) {
    const std::string text = vorn::test::ReadFileBytes(registry / "HKEY_CURRENT_USER.reg");
    const std::string key = "\"CurrentLanguage\"=\"";
    const auto at = text.find(key);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const auto start = at + key.size();
    return text.substr(start, text.find('"', start) - start);
}

TEST(CommandLineTest, AnsweredStoredOrRefusedWithoutADisplay) {
    struct Case {
        std::vector<std::string> args;
        std::string locale;
        std::optional<std::string> storedBefore;
        int exitCode;
        std::string out;  // a part of standard output
        std::string err;  // a part of standard error
        std::optional<std::string> storedAfter;
    };
    constexpr const char* kNoDisplay =
        "vorn-update: no display to show the window on (is DISPLAY or WAYLAND_DISPLAY set?)\n";
    const std::vector<Case> cases = {
        {{"--help"}, "de_DE.UTF-8", std::nullopt, 0, "Usage: vorn-update", "", std::nullopt},
        {{"-h", "ENABLE_OTHERS"}, "C", std::nullopt, 0, "--language=ENG|RUS", "", std::nullopt},
        {{"--version"}, "C", std::nullopt, 0, "Vorn Update 2.2.1.2293\n", "", std::nullopt},
        {{"--bogus"},
         "C",
         std::nullopt,
         2,
         "",
         "vorn-update: unknown option --bogus\n\nUsage:",
         std::nullopt},
        {{"--language=XX"},
         "C",
         "RUS",
         2,
         "",
         "vorn-update: no language XX (there are RUS, ENG)",
         "RUS"},
        {{"--language=eng"}, "ru_RU.UTF-8", "RUS", 1, "", kNoDisplay, "ENG"},
        {{"--language", "RUS"}, "en_US.UTF-8", "ENG", 1, "", kNoDisplay, "RUS"},
        // A first start takes the desktop's language; a stored choice stays.
        {{}, "de_DE.UTF-8", std::nullopt, 1, "", kNoDisplay, "ENG"},
        {{"ENABLE_OTHERS"}, "ru_RU.UTF-8", std::nullopt, 1, "", kNoDisplay, "RUS"},
        {{}, "de_DE.UTF-8", "RUS", 1, "", kNoDisplay, "RUS"},
    };
    for (const Case& c : cases) {
        vorn::test::PrivatePipeNamespace ns;
        vorn::test::TempDir registry;
        vorn::test::TempDir work;
        if (c.storedBefore) {
            vorn::test::WriteFileBytes(registry / "HKEY_CURRENT_USER.reg",
                                       "Windows Registry Editor Version 5.00\n\n"
                                       "[HKEY_CURRENT_USER\\Software\\Quorin\\Zelt\\AgentZelt]\n"
                                       "\"CurrentLanguage\"=\"" +
                                           *c.storedBefore + "\"\n");
        }
        std::string line;
        for (const auto& a : c.args) {
            line += a + " ";
        }
        line += "(LANG=" + c.locale + ")";
        const Outcome run = RunProgram(c.args, c.locale, registry.path(), work.path());
        EXPECT_EQ(run.exitCode, c.exitCode) << line << "\n" << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << line << ": " << run.out;
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "") << line;
        } else if (c.err == kNoDisplay) {
            EXPECT_EQ(run.err, c.err) << line;  // one line, nothing of the toolkit
        } else {
            EXPECT_EQ(run.err.find(c.err), 0u) << line << ": " << run.err;
        }
        EXPECT_EQ(StoredLanguage(registry.path()), c.storedAfter) << line;
        // Nothing was started: no agent, no log.
        EXPECT_FALSE(fs::exists(work / "data" / "logs")) << line;
    }
}

}  // namespace
