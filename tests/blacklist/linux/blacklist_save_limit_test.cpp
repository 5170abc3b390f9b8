#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <string>

#include "blacklist/BlackListText.h"
#include "blacklist/Composer.h"
#include "support/TestEnvironment.h"

namespace vorn::blacklist {
namespace {

// A write that fails halfway (the file size limit stops it) keeps the old list.
TEST(BlackListFileOnLinux, SaveCutOffByTheFileSizeLimitKeepsTheOldList) {
    test::TempDir folder;
    const auto file = folder / "list.blist";
    test::WriteFileBytes(file, "old list");
    const std::wstring kUsdText = L"USD\n  100 1995 *\n    123\n";
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 50;
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Composer cut(file);
    const ParsedTree parsed = TextToTree(kUsdText);
    ASSERT_EQ(WriteTree(cut, *parsed.root), kComposeOk);
    const bool saved = cut.Save();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFileBytes(file), "old list");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace vorn::blacklist
