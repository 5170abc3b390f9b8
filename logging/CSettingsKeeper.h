#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "logging/LevelTable.h"
#include "logging/ModuleName.h"
#include "platform/LocalPipe.h"

namespace Kavro::Greywick {

// Decides which log levels of one module are written, from the machine-wide settings file
// named in the registry, and reloads that file when it is saved.
class CSettingsKeeper {
public:
    static constexpr const char* kDefaultSettingsPath = "/etc/gwsettings.xml";
    // Levels enabled while no settings file has been read: 0 to 99.
    static constexpr std::uint32_t kDefaultLevelLimit = 100;

    // Loads the settings and, unless suppressed, watches the settings file's folder.
    CSettingsKeeper(ModulePath module, bool suppressMonitoring);
    // Stops the watcher and waits for it; it wakes at once on the stop signal.
    virtual ~CSettingsKeeper();

    CSettingsKeeper(const CSettingsKeeper&) = delete;
    CSettingsKeeper& operator=(const CSettingsKeeper&) = delete;

    bool IsLevelEnabled(std::uint32_t level) const;
    // Rereads the file and replaces the level data; a file that cannot be read leaves only the
    // default levels enabled.
    void Load(const std::string& settingsPath);

    bool IsLoaded() const;
    bool IsWatching() const { return watching_.load(); }
    const std::string& SettingsPath() const { return settingsPath_; }
    const std::string& ModuleName() const { return moduleName_; }

private:
    void Watch(vorn::platform::PipeHandle notifications, std::string fileName);

    const bool suppressMonitoring_;
    std::string settingsPath_;
    const ModulePath module_;
    const std::string moduleName_;

    mutable std::mutex lock_;
    bool loaded_ = false;
    LevelTable levels_;

    vorn::platform::StopSignal stop_;
    std::atomic<bool> watching_{false};
    std::thread watcher_;
};

}  // namespace Kavro::Greywick
