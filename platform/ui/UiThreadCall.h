#pragma once

#include <functional>
#include <memory>

class wxEvtHandler;

namespace vorn::platform {

// The one road from a worker thread to a window. A worker hands a call to the window's UI
// thread and waits for it, as a window message would. The owner closes the gate first thing in
// its destruction: a waiting worker is released at once and later calls are refused, so
// stopping a worker that is busy talking to the window can never deadlock.
class UiThreadCall {
public:
    // handler: the window whose event queue carries the calls; it must outlive the gate.
    explicit UiThreadCall(wxEvtHandler* handler);
    ~UiThreadCall();
    UiThreadCall(const UiThreadCall&) = delete;
    UiThreadCall& operator=(const UiThreadCall&) = delete;

    // Runs fn on the UI thread and returns once it has run: true when it ran, false when the
    // gate was closed before it could. On the UI thread itself fn runs straight away.
    bool Run(const std::function<void()>& fn);

    // Refuses further calls and releases every waiting worker. Idempotent; UI thread only.
    void Close();
    bool IsClosed() const;

private:
    struct State;
    wxEvtHandler* handler_;
    std::shared_ptr<State> state_;
};

}  // namespace vorn::platform
