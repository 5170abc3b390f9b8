#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "blacklist/Composer.h"
#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

// Runs vorn-blist with `input` on its standard input; what it writes to either output is `out`.
ToolRun Tool(const std::vector<std::string>& arguments, const std::string& input,
             const test::TempDir& folder) {
    const auto in = folder / "stdin.txt";
    const auto out = folder / "stdout.txt";
    test::WriteFileBytes(in, input);
    ToolRun run;
    test::ChildProcess tool(std::filesystem::path(VORN_BIN_DIR) / "vorn-blist", arguments, out, in);
    EXPECT_TRUE(tool.started());
    run.status = tool.WaitExit();
    run.out = test::ReadFileBytes(out);
    return run;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

TEST(BlistTool, BuildDumpAndCheckAgree) {
    test::TempDir folder;
    const std::string file = (folder / "list.blist").string();

    ASSERT_EQ(Tool({"build", file}, "USD\n  100 1995 *\n    123\n", folder).status, 0);
    EXPECT_EQ(test::ReadFileBytes(file).size(), 108u);

    const std::string text =
        "EUR // евро\n"
        "  5 2002 A // first series\n"
        "    X1 // group\n"
        "      X12\n"
        "    0012\n"
        "  * * *\n"
        "USD\n";
    ASSERT_EQ(Tool({"build", file}, text, folder).status, 0);
    EXPECT_EQ(Tool({"dump", file}, "", folder).out, text);
    EXPECT_EQ(Tool({"check", file}, "", folder).out, file + ": OK\n");

    // Bad text writes nothing; the list that was there stays.
    const ToolRun bad = Tool({"build", file}, "USD\n  100 1995\n", folder);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "line 2: a denomination needs nominal, year and version\n");
    const ToolRun wide = Tool({"build", file}, "USD // " + std::string(127, 'c') + "\n", folder);
    EXPECT_EQ(wide.status, 1);
    EXPECT_EQ(Tool({"dump", file}, "", folder).out, text);

    std::string damaged = test::ReadFileBytes(file);
    damaged[16] = 0;  // the currency's record size
    damaged[17] = 0;
    test::WriteFileBytes(file, damaged);
    const ToolRun check = Tool({"check", file}, "", folder);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, file + ": offset 16: a record size below the smallest record\n");
    EXPECT_EQ(Tool({"dump", file}, "", folder).status, 1);
}

TEST(BlistTool, NamesWhatWentWrong) {
    test::TempDir folder;
    const std::string file = (folder / "list.blist").string();
    const std::string missing = (folder / "missing.blist").string();
    const struct {
        std::vector<std::string> arguments;
        std::string input;
        int status;
        std::string out;  // the start of what it prints
    } cases[] = {
        {{"check", missing},
         "",
         1,
         missing + ": offset 0: the file cannot be read: No such file or directory\n"},
        {{"dump", missing},
         "",
         1,
         missing + ": offset 0: the file cannot be read: No such file or directory\n"},
        {{"frobnicate", "x"}, "", 2, "vorn-blist: unknown command 'frobnicate'\nUsage:"},
        {{"build", file},
         "",
         1,
         file + ": the text holds no currency; a list needs at least one\n"},
        {{"build", file}, "USD // a$$$VK_END$$$\n", 1, file + ": a currency name or comment"},
        {{"build", file},
         "USD\n  Any\n    1\n  5 2001 B\n",
         1,
         file + ": serial numbers without nested ones under 'Any'"},
    };
    test::WriteFileBytes(file, "old list");
    for (const auto& c : cases) {
        const ToolRun run = Tool(c.arguments, c.input, folder);
        EXPECT_EQ(run.status, c.status) << Joined(c.arguments);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out) << Joined(c.arguments);
    }
    EXPECT_EQ(test::ReadFileBytes(file), "old list");
}

// A list with serial numbers directly under a currency, written by another program, comes back
// byte for byte through the text form.
TEST(BlistTool, DumpThenBuildGivesBackTheSameBytes) {
    test::TempDir folder;
    const std::string file = (folder / "list.blist").string();
    const std::string copy = (folder / "copy.blist").string();
    blacklist::Composer composer(file);
    composer.AddRoot();
    composer.AddCurrency("USD", "");
    composer.AddSub(u"7", "", blacklist::kGroupSubRecord);
    composer.AddSub(u"71", "", blacklist::kPlainSubRecord);
    composer.AddEnd();
    composer.AddSub(u"8", "", blacklist::kPlainSubRecord);
    composer.AddEnd();
    ASSERT_EQ(composer.AddEnd(), blacklist::kComposeOk);
    const std::string image = composer.Image();
    test::WriteFileBytes(file, image);
    const ToolRun dump = Tool({"dump", file}, "", folder);
    ASSERT_EQ(dump.status, 0) << dump.out;
    EXPECT_EQ(dump.out, "USD\n  Any\n    7\n      71\n    8\n");
    ASSERT_EQ(Tool({"build", copy}, dump.out, folder).status, 0);
    EXPECT_EQ(test::ReadFileBytes(copy), image);
    // An old dump with the version as its code still builds.
    ASSERT_EQ(Tool({"build", copy}, "EUR\n  5 2001 66\n", folder).status, 0);
    EXPECT_EQ(Tool({"dump", copy}, "", folder).out, "EUR\n  5 2001 B\n");
}

}  // namespace
}  // namespace vorn
