// Whether a file counts as missing: only when the system says that it, or a folder on its way,
// does not exist (the updater's lookup asks the operator for a folder only then).

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/FileRead.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

namespace fs = std::filesystem;

TEST(IsMissingFile, OnlyWhatDoesNotExistIsMissing) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "there.exe", "MZ");
    fs::create_directories(dir / "folder");
    const struct {
        fs::path path;
        bool missing;
    } cases[] = {
        {dir / "there.exe", false},
        {dir / "folder", false},
        {dir / "absent.exe", true},
        {dir / "no-folder" / "absent.exe", true},  // a folder on the way is missing too
        {dir / "there.exe" / "absent.exe", true},  // a file where a folder should be
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsMissingFile(c.path), c.missing) << c.path.string();
    }
}

}  // namespace
}  // namespace vorn::platform
