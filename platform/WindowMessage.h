#pragma once

// Hands a block of bytes to a top-level window of another program, found by its title, and
// waits for the window's answer.

#include <chrono>
#include <cstdint>
#include <string_view>

namespace vorn::platform {

enum class CopyDataResult {
    Taken,     // the window answered 1
    NoWindow,  // no window has that title
    Failed,    // delivery failed, timed out, or the window answered anything but 1
};

// Sends `bytes` with `tag` to the window titled `windowTitle` (UTF-8) and waits at most
// `timeout` for its answer. On Windows this is WM_COPYDATA (wParam `tag`, a copy-data record of
// type 0 holding the bytes); on Linux the window's program listens on a record socket named
// for the title instead, takes one record (the tag as four little-endian bytes, then the bytes)
// and answers with four little-endian bytes.
CopyDataResult SendCopyData(std::string_view windowTitle, std::uint32_t tag, std::string_view bytes,
                            std::chrono::milliseconds timeout);

}  // namespace vorn::platform
