#include "platform/FolderWatcher.h"

#include "platform/windows/WindowsApi.h"

namespace vorn::platform {

struct FolderWatcher::State {
    HANDLE lastWrite = INVALID_HANDLE_VALUE;
    HANDLE dirName = INVALID_HANDLE_VALUE;
    // A file renamed into place is how most editors save: that changes a name, writes nothing.
    HANDLE fileName = INVALID_HANDLE_VALUE;
    bool ended = false;
};

FolderWatcher::FolderWatcher(const std::filesystem::path& folder, std::string /*fileName*/)
    : state_(std::make_unique<State>()) {
    // The notifications do not name the file; every write in the folder counts.
    state_->lastWrite =
        ::FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_LAST_WRITE);
    state_->dirName =
        ::FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
    state_->fileName =
        ::FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    state_->ended = !ok();
}

FolderWatcher::~FolderWatcher() {
    if (state_->lastWrite != INVALID_HANDLE_VALUE) {
        ::FindCloseChangeNotification(state_->lastWrite);
    }
    if (state_->dirName != INVALID_HANDLE_VALUE) {
        ::FindCloseChangeNotification(state_->dirName);
    }
    if (state_->fileName != INVALID_HANDLE_VALUE) {
        ::FindCloseChangeNotification(state_->fileName);
    }
}

bool FolderWatcher::ok() const {
    return state_->lastWrite != INVALID_HANDLE_VALUE && state_->dirName != INVALID_HANDLE_VALUE &&
           state_->fileName != INVALID_HANDLE_VALUE;
}

FolderChange FolderWatcher::Wait(const StopSignal& stop) {
    if (state_->ended) {
        return FolderChange::Ended;
    }
    // A folder change outranks a write reported in the same wake-up, as the order says.
    HANDLE handles[4] = {state_->dirName, state_->lastWrite, state_->fileName, stop.native()};
    const DWORD rc = ::WaitForMultipleObjects(4, handles, FALSE, INFINITE);
    if (rc == WAIT_OBJECT_0 + 1 || rc == WAIT_OBJECT_0 + 2) {
        // Re-armed before the caller reads the file, so that a save made while it reads is
        // reported by the next wait.
        if (::FindNextChangeNotification(handles[rc - WAIT_OBJECT_0])) {
            return FolderChange::FileWritten;
        }
    } else if (rc == WAIT_OBJECT_0 + 3) {
        return FolderChange::Stopped;
    }
    state_->ended = true;
    return FolderChange::Ended;
}

}  // namespace vorn::platform
