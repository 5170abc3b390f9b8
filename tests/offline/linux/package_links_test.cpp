#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "offline/PackageUnpacker.h"
#include "offline/ZipTestSupport.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::MakeZip;
using test::TempDir;

// The manifest is what sha256sum checks.
TEST(PackageUnpackerOnLinux, Sha256sumAcceptsTheManifest) {
    TempDir target;
    const UnpackReport report = UnpackUpdateArchive(
        MakeZip({{"fw/a.bin", std::string(70000, '\x5A')}, {"b.txt", "hello"}}), target.path());
    ASSERT_TRUE(report.Succeeded());
    const std::string check =
        "cd '" + target.path().string() + "' && sha256sum --quiet -c MANIFEST.sha256";
    EXPECT_EQ(std::system(check.c_str()), 0);
}

// Links are where a file could be led out of the target, or where the target has no place.
TEST(PackageUnpackerOnLinux, LinksLeadNothingElsewhere) {
    TempDir root;
    const fs::path target = root / "disk";
    fs::create_directories(target);
    // A link already in the target does not lead a file elsewhere either.
    fs::create_directories(root / "elsewhere");
    fs::create_directory_symlink(root / "elsewhere", target / "link");
    UnpackReport report = UnpackUpdateArchive(
        MakeZip({{"link/through.bin", "bad"}, {"link/sub/deep.bin", "bad"}, {"ok.bin", "good"}}),
        target);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(report.unsafe.size(), 2u);
    // Not even a folder is made there before the entry is refused.
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
    EXPECT_EQ(report.written, std::vector<std::string>{"ok.bin"});

    // A link that leads to itself has no canonical path.
    const fs::path loop = root / "loop";
    fs::create_symlink(loop, loop);
    report = UnpackUpdateArchive(MakeZip({{"a/b.bin", "x"}, {"c.bin", "y"}}), loop);
    EXPECT_FALSE(report.targetResolved);
    EXPECT_EQ(report.failed.size(), 2u);
    EXPECT_TRUE(report.written.empty());
    EXPECT_FALSE(report.Succeeded());
}

}  // namespace
}  // namespace vorn
