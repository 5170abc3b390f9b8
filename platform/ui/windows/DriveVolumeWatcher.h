#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/VolumeWatcher.h"
#include "platform/windows/WindowsApi.h"

namespace vorn::platform {

// Removable disks by drive letter: the logical-drive mask (bit 0 = drive A) is read again when
// the system broadcasts a device change (WM_DEVICECHANGE, which reaches top-level windows only,
// so the watcher keeps a hidden one) and once a second besides, for the arrivals that no
// broadcast announces. Every letter that appears or disappears is reported, lowest first; a
// network drive is not a disk that can be plugged in and is left out. UI thread only: the
// window's messages come through the UI thread's message loop.
class DriveVolumeWatcher final : public VolumeWatcher {
public:
    // What the watcher asks the system; tests give their own.
    struct Drives {
        std::function<std::uint32_t()> mask;                 // GetLogicalDrives
        std::function<unsigned(char letter)> type;           // GetDriveTypeW of "X:\"
        std::function<std::string(char letter)> fileSystem;  // GetVolumeInformationW
        std::function<std::string(char letter)> label;
    };
    static Drives SystemDrives();

    explicit DriveVolumeWatcher(Drives drives = SystemDrives());
    ~DriveVolumeWatcher() override;
    DriveVolumeWatcher(const DriveVolumeWatcher&) = delete;
    DriveVolumeWatcher& operator=(const DriveVolumeWatcher&) = delete;

    // Remembers the current mask, then reports changes from it on.
    void Start(Callback added, Callback removed) override;
    void Stop() override;
    // "X:\" takes the file-system name of drive X; empty when the query fails.
    std::string FileSystemType(const std::filesystem::path& mountPoint) override;

    // Reads the mask and reports what changed since the last reading.
    void Rescan();
    // The hidden window that receives the broadcasts; null while stopped.
    HWND window() const { return window_; }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    MountedVolume Describe(char letter) const;

    Drives drives_;
    Callback added_;
    Callback removed_;
    std::uint32_t known_ = 0;
    HWND window_ = nullptr;
    bool reporting_ = false;  // a callback is running; a nested rescan waits for the next tick
};

}  // namespace vorn::platform
