#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "scan/SessionData.h"
#include "scan/StoredScans.h"
#include "support/TestEnvironment.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

SessionData Session(const std::wstring& uin, const std::wstring& comment) {
    SessionData data;
    data.uin = uin;
    data.timestamp = {2024, 1, 5, 9, 30, 5};
    data.authenticity = 1;
    data.currency = L"USD";
    data.denomination = 100;
    data.year = 2013;
    data.version = L"B";
    data.rotation = 0;
    data.side = 1;
    data.comment = comment;
    return data;
}

void MakeSession(const fs::path& folder, const std::string& document, int scans) {
    fs::create_directories(folder);
    if (!document.empty()) {
        test::WriteFileBytes(folder / kSessionDocumentName, document);
    }
    for (int i = 0; i < scans; ++i) {
        test::WriteFileBytes(folder / ("scan" + std::to_string(i) + ".sgcsd"), "data");
    }
    test::WriteFileBytes(folder / "notes.txt", "not a scan");
}

TEST(StoredScans, OnlyFoldersWithAValidDocumentCount) {
    test::TempDir storage;
    EXPECT_EQ(CountStoredScans(storage / "missing"), 0);
    EXPECT_EQ(CountStoredScans(storage.path()), 0);
    // A comment with markup characters must not make its session unreadable.
    MakeSession(storage / "a", FormatSessionData(Session(L"A", L"<1> & <2>")), 3);
    MakeSession(storage / "b", FormatSessionData(Session(L"B", L"")), 2);
    MakeSession(storage / "no-document", "", 4);
    MakeSession(storage / "invalid", FormatSessionData(Session(L"", L"")), 5);
    MakeSession(storage / "broken", "<SessionData><uin>X", 6);
    test::WriteFileBytes(storage / "stray.sgcsd", "x");
    EXPECT_EQ(CountStoredScans(storage.path()), 5);
}

TEST(StoredScans, FolderNamesFromTheAgentStayInsideTheStorage) {
    for (const wchar_t* bad : {L"", L".", L"..", L"../x", L"a/b", L"a\\b"}) {
        EXPECT_FALSE(IsPlainFolderName(bad)) << bad;
    }
    EXPECT_TRUE(IsPlainFolderName(L"ABC-123_20240105093005"));
    EXPECT_TRUE(IsPlainFolderName(L"..x"));
}

TEST(StoredScans, CopyThenRemoveMovesTheFolder) {
    test::TempDir dir;
    const fs::path source = dir / "ScanData" / "S_1";
    MakeSession(source, FormatSessionData(Session(L"S", L"")), 3);
    fs::create_directories(source / "sub");
    test::WriteFileBytes(source / "sub" / "inner.bin", "inner");
    const fs::path target = dir / "export" / "deeper" / "S_1";
    int calls = 0;
    std::wstring error;
    ASSERT_TRUE(CopyFolder(
        source, target,
        [&](std::uintmax_t done, std::uintmax_t total) {
            ++calls;
            EXPECT_LE(done, total);
            return true;
        },
        error))
        << std::string(error.begin(), error.end());
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(test::ReadFileBytes(target / "sub" / "inner.bin"), "inner");
    EXPECT_EQ(CountStoredScans(dir / "export" / "deeper"), 3);

    // A read-only file and folder still go.
    fs::permissions(source / "scan0.sgcsd", fs::perms::owner_read);
    fs::permissions(source / "sub", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(RemoveCopiedFiles(source, target));
    EXPECT_FALSE(fs::exists(source));
}

// Only what the copy holds is deleted: a scan that came after the copy, or a file the copy
// holds with another size, stays with its folder.
TEST(StoredScans, RemovingTheSourceKeepsWhatWasNotCopied) {
    test::TempDir dir;
    const fs::path source = dir / "S_3";
    const fs::path target = dir / "export" / "S_3";
    MakeSession(source, FormatSessionData(Session(L"S", L"")), 2);
    std::wstring error;
    ASSERT_TRUE(CopyFolder(source, target, {}, error));
    test::WriteFileBytes(source / "late.sgcsd", "arrived after the copy");
    test::WriteFileBytes(source / "scan1.sgcsd", "grew after the copy");
    EXPECT_FALSE(RemoveCopiedFiles(source, target));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(source)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"late.sgcsd", "scan1.sgcsd"}));
}

TEST(StoredScans, ACopyThatFailsPartWayTakesBackWhatItMadeAndKeepsTheSource) {
    test::TempDir dir;
    const fs::path source = dir / "S_2";
    MakeSession(source, FormatSessionData(Session(L"S", L"")), 4);
    const fs::path target = dir / "export" / "S_2";
    fs::create_directories(target);
    test::WriteFileBytes(target / "kept.txt", "was there before");

    // Aborted after the second file.
    int calls = 0;
    std::wstring error;
    EXPECT_FALSE(CopyFolder(
        source, target, [&](std::uintmax_t, std::uintmax_t) { return ++calls < 2; }, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(CountStoredScans(dir.path()), 4);
    EXPECT_EQ(std::distance(fs::directory_iterator(target), fs::directory_iterator()), 1);
    EXPECT_EQ(test::ReadFileBytes(target / "kept.txt"), "was there before");

    // An unreadable file in the middle: nothing of the copy remains, not even its folders.
    if (test::PermissionsCanDenyReading(dir.path())) {
        fs::permissions(source / "scan2.sgcsd", fs::perms::none);
        const fs::path fresh = dir / "new" / "S_2";
        EXPECT_FALSE(CopyFolder(source, fresh, {}, error));
        EXPECT_FALSE(fs::exists(dir / "new"));
        fs::permissions(source / "scan2.sgcsd", fs::perms::owner_all);
        EXPECT_EQ(CountStoredScans(dir.path()), 4);
    }
    EXPECT_FALSE(CopyFolder(dir / "nothing", dir / "t", {}, error));
}

}  // namespace
}  // namespace vorn
