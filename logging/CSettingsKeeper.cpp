#include "logging/CSettingsKeeper.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "logging/GreywickRegistry.h"
#include "logging/SettingsSearch.h"
#include "platform/linux/LocalSocket.h"

namespace Kavro::Greywick {

namespace {

using vorn::platform::UniqueFd;

// A settings file is a few kilobytes; anything past this is not one.
constexpr std::size_t kMaxSettingsBytes = 16 * 1024 * 1024;

std::optional<std::string> ReadSettingsFile(const std::string& path) {
    // Non-blocking so that a FIFO put in the file's place cannot hang the reader.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxSettingsBytes) {
            return std::nullopt;
        }
    }
}

}  // namespace

CSettingsKeeper::CSettingsKeeper(ModulePath module, bool suppressMonitoring)
    : suppressMonitoring_(suppressMonitoring),
      settingsPath_(ReadGreywickString("settings_filename").value_or(kDefaultSettingsPath)),
      module_(std::move(module)),
      moduleName_(ModuleFileName(module_)) {
    Load(settingsPath_);
    if (suppressMonitoring_ || !IsLoaded()) {
        // A settings file that appears later is not noticed.
        return;
    }

    const std::size_t slash = settingsPath_.find_last_of('/');
    // A bare file name is opened from the current folder, so that is the folder to watch.
    const std::string folder =
        slash == std::string::npos ? "." : settingsPath_.substr(0, slash + 1);
    std::string fileName =
        slash == std::string::npos ? settingsPath_ : settingsPath_.substr(slash + 1);

    // The watch is armed here rather than in the thread so that no save made right after
    // construction can slip by unseen.
    UniqueFd notifications(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!notifications) {
        return;
    }
    const std::uint32_t mask = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                               IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(notifications.get(), folder.c_str(), mask) < 0) {
        return;
    }
    watching_ = true;
    watcher_ =
        std::thread(&CSettingsKeeper::Watch, this, std::move(notifications), std::move(fileName));
}

CSettingsKeeper::~CSettingsKeeper() {
    stop_.Signal();
    if (watcher_.joinable()) {
        watcher_.join();
    }
}

bool CSettingsKeeper::IsLevelEnabled(std::uint32_t level) const {
    std::lock_guard guard(lock_);
    if (!loaded_) {
        return level < kDefaultLevelLimit;
    }
    return levels_.IsEnabled(level);
}

bool CSettingsKeeper::IsLoaded() const {
    std::lock_guard guard(lock_);
    return loaded_;
}

void CSettingsKeeper::Load(const std::string& settingsPath) {
    // The new table is built aside and swapped in whole, so a call during a reload sees either
    // the old levels or the new ones, never an empty table.
    const std::optional<std::string> text = ReadSettingsFile(settingsPath);
    LevelTable fresh;
    if (text) {
        fresh.Apply(FindModuleLevelList(*text, moduleName_));
    }
    std::lock_guard guard(lock_);
    levels_ = std::move(fresh);
    loaded_ = text.has_value();
}

void CSettingsKeeper::Watch(UniqueFd notifications, std::string fileName) {
    // Below normal, as a background chore; failure to lower it is harmless.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 5);

    alignas(inotify_event) char buffer[8192];
    bool running = true;
    while (running) {
        const auto wait = vorn::platform::WaitReadable(notifications.get(), &stop_, std::nullopt);
        if (wait != vorn::platform::WaitResult::Ready) {
            break;
        }
        bool reload = false;
        for (;;) {
            const ssize_t n = ::read(notifications.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                running = running && n < 0 && errno == EAGAIN;
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
                    running = false;  // a folder was renamed, created or removed
                } else if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                    running = false;  // the watched folder itself is gone
                } else if ((event.mask & IN_Q_OVERFLOW) != 0) {
                    reload = true;
                } else if (name == fileName && (event.mask & (IN_MODIFY | IN_CLOSE_WRITE |
                                                              IN_MOVED_TO | IN_CREATE)) != 0) {
                    reload = true;
                }
            }
        }
        if (running && reload) {
            Load(settingsPath_);
        }
    }
    watching_ = false;
}

}  // namespace Kavro::Greywick
