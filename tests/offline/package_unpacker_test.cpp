#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "ZipTestSupport.h"
#include "offline/PackageUnpacker.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::MakeZip;
using test::ReadFileBytes;
using test::TempDir;

TEST(PackageUnpacker, WritesNestedFilesAndAManifestThatSha256sumAccepts) {
    TempDir target;
    const std::string package = MakeZip({{"fw/", ""},
                                         {"fw/a.bin", std::string(70000, '\x5A')},
                                         {"empty/", ""},
                                         {"b.txt", "hello"},
                                         {"fw\\deep\\c.cfg", "x=1"}});
    ASSERT_FALSE(package.empty());
    const fs::path before = fs::current_path();

    const UnpackReport report = UnpackUpdateArchive(package, target.path());

    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(ReadFileBytes(target / "fw/a.bin"), std::string(70000, '\x5A'));
    EXPECT_EQ(ReadFileBytes(target / "b.txt"), "hello");
    EXPECT_EQ(ReadFileBytes(target / "fw/deep/c.cfg"), "x=1");
    EXPECT_FALSE(fs::exists(target / "empty"));  // a folder entry on its own creates nothing
    EXPECT_EQ(report.needed, 70000u + 5u + 3u);
    EXPECT_EQ(fs::current_path(), before);

    EXPECT_EQ(ReadFileBytes(target / kManifestName),
              Sha256Hex("hello") + "  b.txt\n" + Sha256Hex(std::string(70000, '\x5A')) +
                  "  fw/a.bin\n" + Sha256Hex("x=1") + "  fw/deep/c.cfg\n");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(PackageUnpacker, NamesOutsideTheTargetAreSkippedAndReported) {
    struct Case {
        const char* name;
        const char* safe;  // "" when refused
    };
    const Case cases[] = {
        {"a/b.bin", "a/b.bin"}, {"./a//b", "a/b"}, {"a\\b", "a/b"}, {"../x", ""},
        {"a/../../x", ""},      {"a\\..\\x", ""},  {"/etc/x", ""},  {"\\x", ""},
        {"C:\\x", ""},          {"c:x", ""},       {"..", ""},      {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SafeEntryPath(c.name).generic_string(), c.safe) << c.name;
    }

    TempDir root;
    const fs::path target = root / "disk";
    fs::create_directories(target);
    std::string logged;
    UnpackOptions options;
    options.log = [&](const std::string& line) { logged += line + "\n"; };
    const UnpackReport report = UnpackUpdateArchive(
        MakeZip({{"../outside.bin", "bad"}, {"/tmp/abs.bin", "bad"}, {"ok.bin", "good"}}), target,
        options);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(report.unsafe.size(), 2u);
    EXPECT_EQ(report.written, std::vector<std::string>{"ok.bin"});
    EXPECT_FALSE(fs::exists(root / "outside.bin"));
    EXPECT_FALSE(fs::exists("/tmp/abs.bin"));
    EXPECT_NE(logged.find("../outside.bin"), std::string::npos);
}

TEST(PackageUnpacker, DamagedEntryLeavesAnEmptyFileAndTheRestGoesOn) {
    TempDir target;
    const std::string marker = "DAMAGE-ME-0123456789";
    std::string package =
        MakeZip({{"first.bin", "one"}, {"bad.bin", marker, true}, {"last.bin", "three"}});
    const std::size_t at = package.find(marker);
    ASSERT_NE(at, std::string::npos);
    package[at] = 'X';  // the CRC no longer matches

    const UnpackReport report = UnpackUpdateArchive(package, target.path());

    EXPECT_EQ(report.failed, std::vector<std::string>{"bad.bin"});
    EXPECT_TRUE(fs::exists(target / "bad.bin"));
    EXPECT_EQ(fs::file_size(target / "bad.bin"), 0u);
    EXPECT_EQ(ReadFileBytes(target / "last.bin"), "three");
    EXPECT_EQ(ReadFileBytes(target / kManifestName).find("bad.bin"), std::string::npos);
    EXPECT_FALSE(report.Succeeded());
}

TEST(PackageUnpacker, RefusesWhatDoesNotFitOrIsNoArchive) {
    TempDir target;
    const std::string package = MakeZip({{"a.bin", std::string(1000, 'a')}, {"b.bin", "bb"}});
    UnpackOptions options;
    options.freeSpace = [](const fs::path&) { return std::optional<std::uintmax_t>(1001); };
    UnpackReport report = UnpackUpdateArchive(package, target.path(), options);
    EXPECT_FALSE(report.enoughSpace);
    EXPECT_EQ(report.needed, 1002u);
    EXPECT_EQ(report.available, 1001u);
    EXPECT_TRUE(fs::is_empty(target.path()));

    report = UnpackUpdateArchive("<html>not found</html>", target.path());
    EXPECT_FALSE(report.isArchive);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_TRUE(fs::is_empty(target.path()));

    // A folder entry alone changes nothing and is no failure.
    report = UnpackUpdateArchive(MakeZip({{"only/", ""}}), target.path());
    EXPECT_TRUE(report.Succeeded());
    EXPECT_TRUE(fs::is_empty(target.path()));
}

TEST(PackageUnpacker, RefusesArchivesWithTooManyEntries) {
    TempDir root;
    // The same 64-bit form with few entries is unpacked; beyond the limit nothing is written.
    const fs::path target = root / "disk";
    EXPECT_EQ(UnpackUpdateArchive(test::MakeEmptyEntriesZip(3), root / "few").written.size(), 3u);
    const UnpackReport report =
        UnpackUpdateArchive(test::MakeEmptyEntriesZip(kMaxArchiveEntries + 1), target);
    EXPECT_TRUE(report.tooManyEntries);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_FALSE(fs::exists(target));
}

TEST(PackageUnpacker, TheFilesDoNotDependOnTheManifest) {
    TempDir target;
    std::string logged;
    UnpackOptions options;
    options.log = [&](const std::string& line) { logged += line + "\n"; };
    // A packaged manifest would contradict the files: skipped, in any case of letters.
    const std::string package =
        MakeZip({{kManifestName, "0000  a.bin\n"}, {"manifest.SHA256", "forged"}, {"a.bin", "a"}});
    UnpackReport report = UnpackUpdateArchive(package, target.path(), options);
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(report.skipped.size(), 2u);
    EXPECT_EQ(ReadFileBytes(target / kManifestName), Sha256Hex("a") + "  a.bin\n");
    // Only our own manifest: on a file system that ignores case the forged one would be it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(target.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{kManifestName, "a.bin"}));
    EXPECT_NE(logged.find("manifest.SHA256"), std::string::npos);

    // Without the digest library, and with a manifest that cannot be written, the files are
    // there all the same and the manifest is reported missing.
    TempDir noCrypto;
    options.cryptoLibrary = "libvorn-no-such-crypto.so.0";
    report = UnpackUpdateArchive(package, noCrypto.path(), options);
    TempDir blocked;
    fs::create_directory(blocked / kManifestName);
    options.cryptoLibrary = platform::kSha256Library;
    const UnpackReport second = UnpackUpdateArchive(package, blocked.path(), options);
    for (const auto& [folder, result] :
         {std::pair{&noCrypto, report}, std::pair{&blocked, second}}) {
        EXPECT_TRUE(result.FilesWritten());
        EXPECT_FALSE(result.manifestWritten);
        EXPECT_FALSE(result.Succeeded());
        EXPECT_EQ(ReadFileBytes(*folder / "a.bin"), "a");
    }
    EXPECT_FALSE(fs::exists(noCrypto / kManifestName));
    EXPECT_NE(logged.find("libvorn-no-such-crypto"), std::string::npos);
}

TEST(PackageUnpacker, CancelRemovesWhatThisCallWrote) {
    TempDir target;
    test::WriteFileBytes(target / "kept.txt", "mine");
    std::atomic<bool> cancel{false};
    std::vector<std::size_t> progress;
    UnpackOptions options;
    options.cancel = &cancel;
    options.progress = [&](std::size_t done, std::size_t total) {
        progress.push_back(done);
        EXPECT_EQ(total, 3u);
        cancel = done == 2;
    };
    const UnpackReport report = UnpackUpdateArchive(
        MakeZip({{"fw/a.bin", "a"}, {"fw/deep/b.bin", "b"}, {"c.bin", std::string(1 << 20, 'c')}}),
        target.path(), options);
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2}));
    EXPECT_FALSE(fs::exists(target / "fw"));
    EXPECT_FALSE(fs::exists(target / "c.bin"));
    EXPECT_EQ(ReadFileBytes(target / "kept.txt"), "mine");
}

}  // namespace
}  // namespace vorn
