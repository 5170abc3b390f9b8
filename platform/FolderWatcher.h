#pragma once

// Watches one folder (not its subfolders) for saves of one file in it, until a folder in it is
// created, removed or renamed, the folder itself goes away, or the owner stops the wait.
// Linux: inotify on the folder. Windows: two change notifications on the folder
// (FindFirstChangeNotificationW: last write, directory name).
//
//   FolderWatcher watcher(folder, "gwsettings.xml");
//   while (watcher.ok() && watcher.Wait(stop) == FolderChange::FileWritten) {
//       Reload();
//   }

#include <filesystem>
#include <memory>
#include <string>

#include "platform/StopSignal.h"

namespace vorn::platform {

enum class FolderChange {
    // The file was written, created or moved in (Windows: some file in the folder was written,
    // which may be it), or changes were lost: read the file again.
    FileWritten,
    // A folder in the watched one was created, removed or renamed, the watched folder itself is
    // gone, or the watch failed: there is nothing more to wait for.
    Ended,
    // The stop signal was raised.
    Stopped,
};

class FolderWatcher {
public:
    // Arms the watch at once, so that no change made after construction is missed. `fileName` is
    // the name of the file in `folder` whose saves count.
    FolderWatcher(const std::filesystem::path& folder, std::string fileName);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // False when the folder cannot be watched; Wait() then returns Ended at once.
    bool ok() const;

    // Blocks until the next change that matters or the stop signal; nothing wakes it
    // periodically. Once it has returned Ended it keeps doing so.
    FolderChange Wait(const StopSignal& stop);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::platform
