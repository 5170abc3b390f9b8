#pragma once

#include <memory>

#include "platform/VolumeWatcher.h"

namespace vorn::platform {

// The desktop's own watch over removable disks: on Linux its volume monitor (GIO, following
// udisks), whose signals arrive through the GLib main loop that the toolkit runs; on Windows the
// logical-drive mask, read again on every device change the system broadcasts. Callbacks come
// on the UI thread. UI thread only.
std::unique_ptr<VolumeWatcher> CreateDesktopVolumeWatcher();

}  // namespace vorn::platform
