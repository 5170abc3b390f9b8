#include <algorithm>

#include <wx/notifmsg.h>

#include "platform/ui/DesktopTray.h"
#include "platform/ui/DesktopTrayIcon.h"

namespace vorn::platform {

// The notification area's own balloon, from the program's icon; without the icon, a
// notification of the system's, which brings an icon of its own for the time it is shown.
bool DesktopTray::ShowBalloon(const wxString& title, const wxString& text, int timeoutMs) {
    lastBalloon_ = text;
    if (added_ && icon_) {
        // An empty text takes the balloon away, as the notification area does.
        return icon_->ShowBalloon(title, text, static_cast<unsigned>(std::max(0, timeoutMs)),
                                  wxICON_INFORMATION);
    }
    if (text.empty()) {
        if (balloon_) {
            balloon_->Close();
        }
        return true;
    }
    if (!balloon_) {
        balloon_ = std::make_unique<wxNotificationMessage>();
        balloon_->SetParent(parent_);
        balloon_->SetFlags(wxICON_INFORMATION);
    }
    balloon_->SetTitle(title);
    balloon_->SetMessage(text);
    return balloon_->Show(std::max(1, (timeoutMs + 999) / 1000));
}

}  // namespace vorn::platform
