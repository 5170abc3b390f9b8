#include "platform/FileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

namespace vorn::platform {

namespace {

// Writes every byte to `fd`, going on after interrupted or short writes.
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

}  // namespace

bool AppendToFile(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, bytes);
    return ::close(fd) == 0 && written;
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

struct OutputFile::Handle {
    int fd = -1;
};

OutputFile::OutputFile(const std::filesystem::path& file, std::error_code& error) {
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return;
    }
    error.clear();
    handle_ = std::make_unique<Handle>();
    handle_->fd = fd;
}

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::ok() const {
    return handle_ != nullptr && handle_->fd >= 0;
}

bool OutputFile::Write(std::string_view bytes) {
    return ok() && WriteAll(handle_->fd, bytes);
}

bool OutputFile::Truncate() {
    return ok() && ::ftruncate(handle_->fd, 0) == 0;
}

bool OutputFile::Close() {
    if (!ok()) {
        return false;
    }
    const int fd = handle_->fd;
    handle_->fd = -1;
    return ::close(fd) == 0;
}

}  // namespace vorn::platform
