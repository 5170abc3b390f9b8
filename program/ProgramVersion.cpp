#include "program/ProgramVersion.h"

#include "app/AgentSettings.h"
#include "monitor/NotificationHandler.h"

namespace vorn {

// Notification handling compares announced revisions with the last number of the version.
static_assert(kProgramVersion[3] == kProgramRevision);

std::wstring ProgramVersionText() {
    std::wstring text;
    for (int part : kProgramVersion) {
        if (!text.empty()) {
            text += L'.';
        }
        text += std::to_wstring(part);
    }
    return text;
}

std::wstring MainWindowTitle() {
    return L"Vorn Update v" + ProgramVersionText();
}

void StoreMainWindowTitle(const std::wstring& title) {
    SetMainWindowTitle(title);
}

}  // namespace vorn
