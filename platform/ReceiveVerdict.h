#pragma once

// Inside the platform layer only: how a receive on a pipe of either platform ends.

#include <cstddef>
#include <string>

#include "platform/LocalPipe.h"

namespace vorn::platform::detail {

// The verdict of a receive that stopped with `status` after `total` bytes, `refused` once they
// passed the cap: a refused message is TooLarge however its reading ended (unless stopped or
// failed) and `out` keeps its first kRefusedHeadBytes; any other failure empties `out`.
// `messageBytes`, when given, receives `total`.
PipeStatus FinishReceive(PipeStatus status, std::string& out, bool refused, std::size_t total,
                         std::size_t* messageBytes);

}  // namespace vorn::platform::detail
