#pragma once

#include "platform/windows/WindowsApi.h"

namespace vorn::platform {

// The named event through which RequestTermination asks this process for an orderly end, made
// on first use; a window program waits on it beside its message loop.
HANDLE TerminationEvent();

}  // namespace vorn::platform
