// Fuzz target for notification handling: any bytes arrive as a notification (and as the head of
// a refused one) at a window that only records what it is asked to do. The same window takes
// a few hundred inputs in a row, so the device table carries state from one to the next as it
// would (and a long run does not grow it without end).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "monitor/DeviceTable.h"
#include "monitor/NotificationHandler.h"
#include "tests/monitor/fuzz/RecordingWindow.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto window = std::make_unique<vorn::fuzz::RecordingWindow>();
    static unsigned inputs = 0;
    if (++inputs % 256 == 0) {
        window = std::make_unique<vorn::fuzz::RecordingWindow>();
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    vorn::HandleNotification(text, *window);
    vorn::HandleRefusedNotification(text, *window);
    // The bar's position is a percentage whatever the agent sent.
    if (window->progress < 0 || window->progress > 100) {
        std::abort();
    }
    return 0;
}
