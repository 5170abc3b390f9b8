#include "platform/KnownFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vorn::platform {

namespace {

std::filesystem::path FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

}  // namespace

std::filesystem::path ProgramPath() {
    // readlink does not say whether it cut the path short, so grow until it fits.
    std::vector<char> buffer(512);
    while (buffer.size() <= 65536) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(n)));
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::filesystem::path ProgramFolder() {
    return ProgramPath().parent_path();
}

std::filesystem::path HomeFolder() {
    std::filesystem::path home = FromEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
        return result->pw_dir;
    }
    return {};
}

std::filesystem::path DataFolder() {
    std::filesystem::path data = FromEnv("VORN_DATA_DIR");
    if (!data.empty()) {
        return data;
    }
    std::filesystem::path base = FromEnv("XDG_DATA_HOME");
    if (!base.is_absolute()) {
        base = HomeFolder() / ".local" / "share";
    }
    return base / "Quorin" / "Zelt";
}

std::filesystem::path LocalAppDataFolder() {
    // A relative XDG_DATA_HOME counts as unset: logs and scans must not follow the working
    // folder.
    std::filesystem::path base = FromEnv("XDG_DATA_HOME");
    if (base.is_absolute()) {
        return base;
    }
    const std::filesystem::path home = HomeFolder();
    return home.empty() ? home : home / ".local" / "share";
}

std::filesystem::path DefaultDocumentFolder() {
    return HomeFolder();
}

std::filesystem::path DefaultLogSettingsFile() {
    return "/etc/gwsettings.xml";
}

std::filesystem::path ExecutableFileName(std::string_view name) {
    return std::filesystem::path(std::string(name));
}

}  // namespace vorn::platform
