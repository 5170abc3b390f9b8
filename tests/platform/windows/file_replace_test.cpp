// Whole-file replacement with ReplaceFileW / MoveFileExW: the old file stays whole when the
// replacement cannot be made, the new one is whole when it can, and a reader that shares the
// file for deletion does not stand in the way.

#include "platform/windows/WindowsApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileWrite.h"
#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// The names in a folder, for a failure message.
std::string Listing(const std::filesystem::path& folder) {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names += entry.path().filename().string() + " ";
    }
    return names;
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

class Holder {
public:
    Holder(const std::filesystem::path& file, DWORD share)
        : handle_(::CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~Holder() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    // What the holder sees through its own handle, from the start.
    std::string Read() const {
        ::SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
        std::string text(64, '\0');
        DWORD got = 0;
        ::ReadFile(handle_, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
        text.resize(got);
        return text;
    }

private:
    HANDLE handle_;
};

TEST(FileReplaceTest, OldFileStaysWholeOrNewFileIsWhole) {
    struct Case {
        const char* what;
        // Sets the scene around the existing file; returns what must stay alive meanwhile.
        std::function<std::shared_ptr<void>(const std::filesystem::path&)> scene;
        bool replaced;
    };
    const Case cases[] = {
        {"nobody holds the file", [](const auto&) { return std::shared_ptr<void>(); }, true},
        {"a reader shares it for deletion",
         [](const std::filesystem::path& file) {
             auto holder = std::make_shared<Holder>(
                 file, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
             EXPECT_TRUE(holder->ok());
             return std::static_pointer_cast<void>(holder);
         },
         true},
        {"a reader that does not share it for deletion",
         [](const std::filesystem::path& file) {
             auto holder = std::make_shared<Holder>(file, FILE_SHARE_READ | FILE_SHARE_WRITE);
             EXPECT_TRUE(holder->ok());
             return std::static_pointer_cast<void>(holder);
         },
         false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto file = dir / "black.blist";
        const std::string old = "old content, whole";
        WriteFileBytes(file, old);
        {
            auto scene = c.scene(file);
            const std::string fresh(100000, 'n');
            EXPECT_EQ(ReplaceFileAtomically(file, fresh), c.replaced) << c.what;
            EXPECT_TRUE(ReadFileBytes(file) == (c.replaced ? fresh : old)) << c.what;
            if (auto holder = std::static_pointer_cast<Holder>(scene)) {
                // The reader keeps reading the file it opened.
                EXPECT_EQ(holder->Read(), old) << c.what;
            }
        }
        EXPECT_EQ(EntriesIn(dir.path()), 1u) << c.what << ": left " << Listing(dir.path());
    }
}

TEST(FileReplaceTest, NewFilesAndFailuresToWriteTheTemporaryFile) {
    test::TempDir dir;
    // A new file goes in place by a move.
    ASSERT_TRUE(ReplaceFileAtomically(dir / "new.xml", "Сессия"));
    EXPECT_EQ(ReadFileBytes(dir / "new.xml"), "Сессия");
    // No folder for the temporary file: nothing is written anywhere.
    EXPECT_FALSE(ReplaceFileAtomically(dir / "missing" / "x.xml", "x"));
    // A folder in the way of the replacement stays with its content.
    std::filesystem::create_directory(dir / "folder");
    WriteFileBytes(dir / "folder" / "inside", "keep");
    EXPECT_FALSE(ReplaceFileAtomically(dir / "folder", "x"));
    EXPECT_EQ(ReadFileBytes(dir / "folder" / "inside"), "keep");
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(FileReplaceTest, AppendsFromSeveralThreadsNeverInterleave) {
    test::TempDir dir;
    const auto file = dir / "vorn_update.exe_2026.03.07_0123456789.log";
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string line = std::string(100, static_cast<char>('a' + t)) + "\r\n";
            for (int i = 0; i < kLines; ++i) {
                EXPECT_TRUE(AppendToFile(file, line));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::string text = ReadFileBytes(file);
    ASSERT_EQ(text.size(), static_cast<std::size_t>(kThreads * kLines * 102));
    for (std::size_t at = 0; at < text.size(); at += 102) {
        EXPECT_EQ(text.substr(at, 100), std::string(100, text[at])) << "at " << at;
        EXPECT_EQ(text.substr(at + 100, 2), "\r\n");
    }
}

}  // namespace
}  // namespace vorn::platform
