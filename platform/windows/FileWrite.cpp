#include "platform/FileWrite.h"

#include "platform/windows/WindowsApi.h"

#include <algorithm>
#include <limits>
#include <random>
#include <string>

#include "platform/PathText.h"

namespace vorn::platform {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(
            std::min<std::size_t>(bytes.size(), std::numeric_limits<DWORD>::max() / 2));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// A writer killed between creating its temporary file and the replacement leaves that file
// behind. One younger than a minute may belong to a writer still at work (another process), so
// it stays.
void RemoveOldLeftovers(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const std::string name = PathToUtf8(file.filename());
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        return;
    }
    const auto now = std::filesystem::file_time_type::clock::now();
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            return;
        }
        if (!IsReplacementLeftover(PathToUtf8(it->path().filename()), name)) {
            continue;
        }
        std::error_code entryError;
        if (!std::filesystem::is_regular_file(
                std::filesystem::symlink_status(it->path(), entryError))) {
            continue;
        }
        const auto modified = std::filesystem::last_write_time(it->path(), entryError);
        if (!entryError && now - modified > kLeftoverAge) {
            ::DeleteFileW(it->path().c_str());
        }
    }
}

// Creates "." + name + "." + six letters or digits beside `file`, new and written through.
HANDLE CreateTemporary(const std::filesystem::path& file, std::filesystem::path& temporary) {
    static constexpr char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::mt19937 generator(device());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix;
        for (int i = 0; i < 6; ++i) {
            suffix += static_cast<wchar_t>(kAlphabet[pick(generator)]);
        }
        temporary = file.parent_path() / (L"." + file.filename().wstring() + L"." + suffix);
        HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return handle;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return INVALID_HANDLE_VALUE;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace

bool AppendToFile(const std::filesystem::path& file, std::string_view bytes) {
    // FILE_APPEND_DATA alone: every write lands at the end, whoever else appends meanwhile.
    HANDLE handle = ::CreateFileW(file.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Appenders also take turns on one byte far past any data (Wine, unlike Windows, finds the
    // end and writes in two steps, so two appends could land on the same place). The lock goes
    // with the handle should the process die.
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFFu;
    turn.OffsetHigh = 0x7FFFFFFFu;
    const bool locked = ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != 0;
    const bool written = WriteAll(handle, bytes);
    if (locked) {
        ::UnlockFileEx(handle, 0, 1, 0, &turn);
    }
    return ::CloseHandle(handle) != 0 && written;
}

bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    // A file that someone holds open without sharing it for deletion cannot be replaced until
    // they let go: fail before anything is written (Wine's ReplaceFileW would also leave a file
    // of its own behind when it finds out).
    HANDLE probe =
        ::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(probe);
    } else if (::GetLastError() == ERROR_SHARING_VIOLATION) {
        return false;
    }
    RemoveOldLeftovers(file);
    std::filesystem::path temporary;
    HANDLE handle = CreateTemporary(file, temporary);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = WriteAll(handle, bytes) && ::FlushFileBuffers(handle) != 0;
    ok = ::CloseHandle(handle) != 0 && ok;
    if (ok) {
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        const bool exists =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        // ReplaceFileW keeps the old file's attributes and access list; where it cannot be used
        // (a file system without it, a target it refuses) the rename over the old file still
        // replaces it in one step.
        if (exists && ::ReplaceFileW(file.c_str(), temporary.c_str(), nullptr,
                                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0) {
            return true;
        }
        if (MoveOver(temporary, file)) {
            return true;
        }
    }
    ::DeleteFileW(temporary.c_str());
    return false;
}

struct OutputFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
};

OutputFile::OutputFile(const std::filesystem::path& file, std::error_code& error) {
    // A link at the last component is refused rather than followed out of the target folder.
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        error = std::error_code(ERROR_CANT_ACCESS_FILE, std::system_category());
        return;
    }
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = std::error_code(static_cast<int>(::GetLastError()), std::system_category());
        return;
    }
    error.clear();
    handle_ = std::make_unique<Handle>();
    handle_->file = handle;
}

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::ok() const {
    return handle_ != nullptr && handle_->file != INVALID_HANDLE_VALUE;
}

bool OutputFile::Write(std::string_view bytes) {
    return ok() && WriteAll(handle_->file, bytes);
}

bool OutputFile::Truncate() {
    LARGE_INTEGER start{};
    return ok() && ::SetFilePointerEx(handle_->file, start, nullptr, FILE_BEGIN) != 0 &&
           ::SetEndOfFile(handle_->file) != 0;
}

bool OutputFile::Close() {
    if (!ok()) {
        return false;
    }
    HANDLE file = handle_->file;
    handle_->file = INVALID_HANDLE_VALUE;
    return ::CloseHandle(file) != 0;
}

}  // namespace vorn::platform
