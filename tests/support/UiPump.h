#pragma once

// Running the UI thread's events from a window test, the way the event loop would.

#include <wx/app.h>

#include <chrono>
#include <thread>

namespace vorn::test {

// Hands due timer messages to their windows. The toolkit's own yield looks at the queue without
// taking from it, and under Wine timer messages are only generated for a call that takes them:
// without this, no timer fires in a window test on Windows. Nothing to do on Linux.
void DispatchSystemTimers();

// Processes pending and idle events until `done` holds or `limit` has passed; the default limit
// only catches a hang.
template <class Pred>
bool PumpUntil(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        wxTheApp->Yield(true);
        DispatchSystemTimers();
        wxTheApp->ProcessIdle();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Processes events for `time`.
inline void Pump(std::chrono::milliseconds time = std::chrono::milliseconds(30)) {
    PumpUntil([] { return false; }, time);
}

}  // namespace vorn::test
