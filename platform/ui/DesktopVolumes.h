#pragma once

#include <memory>

#include "platform/VolumeWatcher.h"

namespace vorn::platform {

// The desktop's volume monitor (GIO, following udisks). Its signals arrive through the GLib
// main loop that the toolkit runs, so callbacks come on the UI thread. UI thread only.
std::unique_ptr<VolumeWatcher> CreateDesktopVolumeWatcher();

}  // namespace vorn::platform
