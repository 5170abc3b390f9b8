#include "platform/windows/WindowsApi.h"

#include "support/UiPump.h"

namespace vorn::test {

void DispatchSystemTimers() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

}  // namespace vorn::test
