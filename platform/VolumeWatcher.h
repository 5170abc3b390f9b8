#pragma once

// Removable volumes as the desktop sees them: on Windows a drive letter of the logical-drive
// mask, on Linux a mount point, which stands where a drive letter stood.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vorn::platform {

struct MountedVolume {
    std::filesystem::path mountPoint;
    std::string name;      // as the desktop shows it; may be empty
    char driveLetter = 0;  // 'A' to 'Z' where volumes go by letters (Windows), else 0
};

class VolumeWatcher {
public:
    using Callback = std::function<void(const MountedVolume&)>;
    virtual ~VolumeWatcher() = default;

    // Reports every volume mounted or unmounted from now on, on the UI thread, until Stop or
    // destruction. A second Start replaces the callbacks.
    virtual void Start(Callback added, Callback removed) = 0;
    virtual void Stop() = 0;

    // The file-system type of a mounted volume ("vfat", "exfat", ...); empty when unknown.
    virtual std::string FileSystemType(const std::filesystem::path& mountPoint) = 0;
};

}  // namespace vorn::platform
