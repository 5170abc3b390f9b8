#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/TestEnvironment.h"

namespace vorn {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

// Runs vorn-blist through the shell with `input` on its standard input.
ToolRun Tool(const std::string& arguments, const std::string& input, const test::TempDir& folder) {
    const auto in = folder / "stdin.txt";
    const auto out = folder / "stdout.txt";
    test::WriteFileBytes(in, input);
    const std::string command = std::string(VORN_BIN_DIR) + "/vorn-blist " + arguments + " < '" +
                                in.string() + "' > '" + out.string() + "' 2>&1";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = test::ReadFileBytes(out);
    return run;
}

TEST(BlistTool, BuildDumpAndCheckAgree) {
    test::TempDir folder;
    const std::string file = (folder / "list.blist").string();

    ASSERT_EQ(Tool("build '" + file + "'", "USD\n  100 1995 *\n    123\n", folder).status, 0);
    EXPECT_EQ(test::ReadFileBytes(file).size(), 108u);

    const std::string text =
        "EUR // евро\n"
        "  5 2002 65 // first series\n"
        "    X1 // group\n"
        "      X12\n"
        "    0012\n"
        "  * * *\n"
        "USD\n";
    ASSERT_EQ(Tool("build '" + file + "'", text, folder).status, 0);
    EXPECT_EQ(Tool("dump '" + file + "'", "", folder).out, text);
    EXPECT_EQ(Tool("check '" + file + "'", "", folder).out, file + ": OK\n");

    // Bad text writes nothing; the list that was there stays.
    const ToolRun bad = Tool("build '" + file + "'", "USD\n  100 1995\n", folder);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "line 2: a denomination needs nominal, year and version\n");
    const ToolRun wide =
        Tool("build '" + file + "'", "USD // " + std::string(127, 'c') + "\n", folder);
    EXPECT_EQ(wide.status, 1);
    EXPECT_EQ(Tool("dump '" + file + "'", "", folder).out, text);

    std::string damaged = test::ReadFileBytes(file);
    damaged[16] = 0;  // the currency's record size
    damaged[17] = 0;
    test::WriteFileBytes(file, damaged);
    const ToolRun check = Tool("check '" + file + "'", "", folder);
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, file + ": offset 16: a record size below the smallest record\n");
    EXPECT_EQ(Tool("dump '" + file + "'", "", folder).status, 1);
    EXPECT_EQ(Tool("frobnicate x", "", folder).status, 2);
}

}  // namespace
}  // namespace vorn
