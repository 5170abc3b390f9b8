#pragma once

// What the system or another start of the program asks of the running program from outside:
// an orderly end, and bringing the main window back.

#include <functional>

class wxWindow;

namespace vorn::platform {

// Calls `end` on the UI thread whenever the program is asked for an orderly end: SIGTERM or
// SIGINT on Linux; on Windows the process's termination event (RequestTermination) and the end
// of the user's session. Until StopEndRequests, which the program calls before its windows go.
void ReceiveEndRequests(std::function<void()> end);
void StopEndRequests();

// Calls `activate` on the UI thread when a second start asks for `window` back: on Windows the
// activation message (1131) that the second start posts to the window it found by title. On
// Linux the request comes through SingleInstance::ServeActivations instead and this does
// nothing. The window must outlive the handler or call StopActivationMessages first.
void ReceiveActivationMessages(wxWindow* window, std::function<void()> activate);
void StopActivationMessages(wxWindow* window);

}  // namespace vorn::platform
