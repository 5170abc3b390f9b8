#include "platform/ui/OutsideRequests.h"

#include <csignal>

#include <wx/app.h>

namespace vorn::platform {

namespace {

std::function<void()> g_end;

// Runs from the event loop, not in signal context: the toolkit only records the signal.
void OnSignal(int /*signal*/) {
    if (g_end) {
        g_end();
    }
}

}  // namespace

void ReceiveEndRequests(std::function<void()> end) {
    g_end = std::move(end);
    wxTheApp->SetSignalHandler(SIGTERM, &OnSignal);
    wxTheApp->SetSignalHandler(SIGINT, &OnSignal);
}

void StopEndRequests() {
    g_end = nullptr;
}

// A second start reaches the first through SingleInstance's own channel.
void ReceiveActivationMessages(wxWindow* /*window*/, std::function<void()> /*activate*/) {}
void StopActivationMessages(wxWindow* /*window*/) {}

}  // namespace vorn::platform
