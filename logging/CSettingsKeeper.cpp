#include "logging/CSettingsKeeper.h"

#include <optional>

#include "logging/GreywickRegistry.h"
#include "logging/SettingsSearch.h"
#include "platform/FileRead.h"
#include "platform/KnownFolders.h"
#include "platform/PathText.h"
#include "platform/ThisProcess.h"

namespace Kavro::Greywick {

namespace {

// A settings file is a few kilobytes; anything past this is not one.
constexpr std::size_t kMaxSettingsBytes = 16 * 1024 * 1024;

}  // namespace

std::string CSettingsKeeper::DefaultSettingsPath() {
    return vorn::platform::PathToUtf8(vorn::platform::DefaultLogSettingsFile());
}

CSettingsKeeper::CSettingsKeeper(ModulePath module, bool suppressMonitoring)
    : suppressMonitoring_(suppressMonitoring),
      settingsPath_(ReadGreywickString("settings_filename").value_or(DefaultSettingsPath())),
      module_(std::move(module)),
      moduleName_(ModuleFileName(module_)) {
    Load(settingsPath_);
    if (suppressMonitoring_ || !IsLoaded()) {
        // A settings file that appears later is not noticed.
        return;
    }

    // A bare file name is opened from the current folder, so that is the folder to watch.
    const std::filesystem::path path = vorn::platform::PathFromUtf8(settingsPath_);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";

    // The watch is armed here rather than in the thread so that no save made right after
    // construction can slip by unseen.
    auto watcher = std::make_unique<vorn::platform::FolderWatcher>(
        folder, vorn::platform::PathToUtf8(path.filename()));
    if (!watcher->ok()) {
        return;
    }
    watching_ = true;
    watcher_ = std::thread(&CSettingsKeeper::Watch, this, std::move(watcher));
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
    const std::optional<std::string> text = vorn::platform::ReadWholeFile(
        vorn::platform::PathFromUtf8(settingsPath), kMaxSettingsBytes);
    LevelTable fresh;
    if (text) {
        fresh.Apply(FindModuleLevelList(*text, moduleName_));
    }
    std::lock_guard guard(lock_);
    levels_ = std::move(fresh);
    loaded_ = text.has_value();
}

void CSettingsKeeper::Watch(std::unique_ptr<vorn::platform::FolderWatcher> watcher) {
    // Below normal, as a background chore.
    vorn::platform::LowerCurrentThreadPriority();
    // A folder created, removed or renamed beside the file ends the watch, as does the stop.
    while (watcher->Wait(stop_) == vorn::platform::FolderChange::FileWritten) {
        Load(settingsPath_);
    }
    watching_ = false;
}

}  // namespace Kavro::Greywick
