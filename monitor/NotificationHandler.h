#pragma once

#include <string>

namespace vorn {

class MainWindowOperations;

// The program's own revision; an announced revision above it is newer.
inline constexpr long long kProgramRevision = 2293;

// Applies one agent message (an 8-bit XML text) to the device table and the main window.
// Messages that are not XML or have no root element change nothing. Runs on the event channel's
// worker thread, and on the UI thread for the reply to the set-options request.
void HandleNotification(const std::string& message, MainWindowOperations& window);

// Tells the operator about a notification refused for its size, from its beginning `head`:
// a lost RAM file is reported as bad data; other kinds were only logged.
void HandleRefusedNotification(const std::string& head, MainWindowOperations& window);

}  // namespace vorn
