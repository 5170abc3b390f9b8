#include "platform/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

namespace vorn::platform {

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool AppendToFile(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, bytes);
    return ::close(fd) == 0 && written;
}

bool IsReplacementLeftover(std::string_view entryName, std::string_view fileName) {
    // "." + name + "." + six characters of mkstemp's alphabet.
    constexpr std::size_t kSuffix = 6;
    if (entryName.size() != fileName.size() + 2 + kSuffix || entryName.front() != '.' ||
        entryName.substr(1, fileName.size()) != fileName || entryName[fileName.size() + 1] != '.') {
        return false;
    }
    for (const char c : entryName.substr(fileName.size() + 2)) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            return false;
        }
    }
    return true;
}

namespace {

// A writer killed between creating its temporary file and the rename leaves that file behind.
// One younger than a minute may belong to a writer still at work (another process), so it stays.
void RemoveOldLeftovers(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const std::string name = file.filename().string();
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    if (error) {
        return;
    }
    const auto now = std::chrono::system_clock::now();
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) {
            return;
        }
        const std::string entry = it->path().filename().string();
        if (!IsReplacementLeftover(entry, name)) {
            continue;
        }
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec);
        if (now - modified > kLeftoverAge) {
            ::unlink(it->path().c_str());
        }
    }
}

// The rename lives in the folder's own entries: without this a power loss may bring back the
// old name even though the call reported success.
void SyncFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    RemoveOldLeftovers(file);
    std::string temporary =
        (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    const mode_t mode = ::stat(file.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.c_str(), file.c_str()) == 0) {
        SyncFolder(file);
        return true;
    }
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace vorn::platform
