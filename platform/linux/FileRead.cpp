#include "platform/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vorn::platform {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes) {
    // Non-blocking so that a FIFO put in the file's place cannot hang the reader.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::string text;
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                break;
            }
            if (n == 0) {
                result = std::move(text);
                break;
            }
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.size() > maxBytes) {
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

bool IsMissingFile(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

}  // namespace vorn::platform
