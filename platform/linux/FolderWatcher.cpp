#include "platform/FolderWatcher.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vorn::platform {

struct FolderWatcher::State {
    int fd = -1;
    std::string fileName;
    bool ended = false;
};

FolderWatcher::FolderWatcher(const std::filesystem::path& folder, std::string fileName)
    : state_(std::make_unique<State>()) {
    state_->fileName = std::move(fileName);
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        state_->ended = true;
        return;
    }
    const std::uint32_t mask = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                               IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(fd, folder.c_str(), mask) < 0) {
        ::close(fd);
        state_->ended = true;
        return;
    }
    state_->fd = fd;
}

FolderWatcher::~FolderWatcher() {
    if (state_->fd >= 0) {
        ::close(state_->fd);
    }
}

bool FolderWatcher::ok() const {
    return state_->fd >= 0;
}

FolderChange FolderWatcher::Wait(const StopSignal& stop) {
    alignas(inotify_event) char buffer[8192];
    while (!state_->ended) {
        pollfd fds[2] = {{stop.native(), POLLIN, 0}, {state_->fd, POLLIN, 0}};
        const int rc = ::poll(fds, 2, -1);
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc < 0) {
            state_->ended = true;
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return FolderChange::Stopped;
        }
        if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            state_->ended = true;
            break;
        }
        bool written = false;
        for (;;) {
            const ssize_t n = ::read(state_->fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n == 0 || errno != EAGAIN) {
                    state_->ended = true;
                }
                break;
            }
            const auto size = static_cast<std::size_t>(n);
            for (std::size_t offset = 0; offset + sizeof(inotify_event) <= size;) {
                inotify_event event{};
                std::memcpy(&event, buffer + offset, sizeof event);
                const std::size_t nameOffset = offset + sizeof event;
                if (event.len > size - nameOffset) {
                    break;
                }
                const char* namePtr = buffer + nameOffset;
                const std::string_view name(namePtr, ::strnlen(namePtr, event.len));
                offset = nameOffset + event.len;

                const std::uint32_t dirNameChange =
                    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
                if ((event.mask & IN_ISDIR) != 0 && (event.mask & dirNameChange) != 0) {
                    state_->ended = true;  // a folder was renamed, created or removed
                } else if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                    state_->ended = true;  // the watched folder itself is gone
                } else if ((event.mask & IN_Q_OVERFLOW) != 0) {
                    written = true;
                } else if (name == state_->fileName &&
                           (event.mask & (IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE)) !=
                               0) {
                    written = true;
                }
            }
        }
        if (!state_->ended && written) {
            return FolderChange::FileWritten;
        }
    }
    return FolderChange::Ended;
}

}  // namespace vorn::platform
