#pragma once

// Removable volumes as the desktop sees them, in place of the logical-drive mask: a mount
// point stands where a drive letter stood.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace vorn::platform {

struct MountedVolume {
    std::filesystem::path mountPoint;
    std::string name;  // as the desktop shows it; may be empty
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
