#include "platform/ui/OutsideRequests.h"

#include "platform/windows/WindowsApi.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <thread>

#include <wx/app.h>
#include <wx/window.h>

#include "platform/StopSignal.h"
#include "platform/ThisProcess.h"
#include "platform/windows/TerminationEvent.h"

namespace vorn::platform {

namespace {

// The message a second start posts (WM_USER + 107), with wParam and lParam 0.
constexpr UINT kActivationMessage = WM_USER + 107;
constexpr UINT_PTR kSubclassId = 1131;

// Waits for the termination event beside a stop signal, and hands a request to the UI thread.
class EndRequestWaiter {
public:
    explicit EndRequestWaiter(std::function<void()> end) : end_(std::move(end)) {
        TakeTerminationRequests();
        thread_ = std::thread([this] { Wait(); });
        wxTheApp->Bind(wxEVT_END_SESSION, &EndRequestWaiter::OnEndSession, this);
    }
    ~EndRequestWaiter() {
        wxTheApp->Unbind(wxEVT_END_SESSION, &EndRequestWaiter::OnEndSession, this);
        stop_.Signal();
        thread_.join();
    }
    EndRequestWaiter(const EndRequestWaiter&) = delete;
    EndRequestWaiter& operator=(const EndRequestWaiter&) = delete;

private:
    void Wait() {
        const HANDLE handles[] = {TerminationEvent(), stop_.native()};
        while (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) {
            // Manual-reset: cleared here so that a later request is seen again.
            ::ResetEvent(handles[0]);
            wxTheApp->CallAfter([end = end_] { end(); });
        }
    }
    // The session ends once this returns: end in order now, not from the queue.
    void OnEndSession(wxCloseEvent& event) {
        end_();
        event.Skip();
    }

    std::function<void()> end_;
    StopSignal stop_;
    std::thread thread_;
};

std::unique_ptr<EndRequestWaiter> g_waiter;

LRESULT CALLBACK ActivationProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*id*/, DWORD_PTR data) {
    if (message == kActivationMessage && wParam == 0 && lParam == 0) {
        (*reinterpret_cast<std::function<void()>*>(data))();
        return 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// The handlers by window, owned here while the window is subclassed.
std::map<HWND, std::unique_ptr<std::function<void()>>>& ActivationHandlers() {
    static std::map<HWND, std::unique_ptr<std::function<void()>>> handlers;
    return handlers;
}

}  // namespace

void ReceiveEndRequests(std::function<void()> end) {
    g_waiter.reset();
    g_waiter = std::make_unique<EndRequestWaiter>(std::move(end));
}

void StopEndRequests() {
    g_waiter.reset();
}

void ReceiveActivationMessages(wxWindow* window, std::function<void()> activate) {
    StopActivationMessages(window);
    const auto handle = static_cast<HWND>(window->GetHWND());
    auto handler = std::make_unique<std::function<void()>>(std::move(activate));
    if (::SetWindowSubclass(handle, &ActivationProcedure, kSubclassId,
                            reinterpret_cast<DWORD_PTR>(handler.get()))) {
        ActivationHandlers()[handle] = std::move(handler);
    }
}

void StopActivationMessages(wxWindow* window) {
    const auto handle = static_cast<HWND>(window->GetHWND());
    auto& handlers = ActivationHandlers();
    if (const auto found = handlers.find(handle); found != handlers.end()) {
        ::RemoveWindowSubclass(handle, &ActivationProcedure, kSubclassId);
        handlers.erase(found);
    }
}

}  // namespace vorn::platform
