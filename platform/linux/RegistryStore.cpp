#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/KnownFolders.h"
#include "platform/RegistryBackend.h"

namespace vorn::platform {

namespace {

constexpr auto kLockWait = std::chrono::seconds(10);

std::filesystem::path EnvFolder(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

}  // namespace

std::filesystem::path RegistryFile(RegistryRoot root) {
    std::filesystem::path folder = EnvFolder("VORN_REGISTRY_DIR");
    if (folder.empty()) {
        if (root == RegistryRoot::LocalMachine) {
            folder = "/etc/Quorin";
        } else {
            // A relative folder would move the settings with the working folder: such a value
            // counts as unset, and a missing HOME is taken from the user database.
            std::filesystem::path config = EnvFolder("XDG_CONFIG_HOME");
            if (!config.is_absolute()) {
                config = HomeFolder() / ".config";
            }
            folder = config / "Quorin";
        }
    }
    return folder / (std::string(RegistryRootName(root)) + ".reg");
}

namespace detail {

std::shared_ptr<RegistryBackend> MakeSystemRegistry(RegistryRoot root,
                                                    std::filesystem::path& file) {
    file = RegistryFile(root);
    return MakeFileRegistry(file, RegistryRootName(root));
}

// An exclusive flock on the lock file; closing the descriptor releases it.
RegistryFileLock::RegistryFileLock(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    handle_ = fd;
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    locked_ = true;
}

RegistryFileLock::~RegistryFileLock() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

}  // namespace detail

}  // namespace vorn::platform
