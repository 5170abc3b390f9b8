#include <algorithm>

#include <wx/log.h>
#include <wx/notifmsg.h>
// After wx/notifmsg.h, which declares its base class.
#include <wx/generic/notifmsg.h>

#include "platform/ui/DesktopTray.h"

namespace vorn::platform {

// Desktops on Linux show notifications of their own rather than balloons from the tray, and
// many have no tray at all.
bool DesktopTray::ShowBalloon(const wxString& title, const wxString& text, int timeoutMs) {
    // A desktop notification needs no icon: without a tray it is the only sign of what happened.
    lastBalloon_ = text;
    // As with the tray's own balloon, an empty text takes the balloon away.
    if (text.empty()) {
        if (balloon_) {
            balloon_->Close();
        }
        if (fallbackBalloon_) {
            fallbackBalloon_->Close();
        }
        return true;
    }
    const int seconds = std::max(1, (timeoutMs + 999) / 1000);
    // One balloon at a time: a new text replaces the one still shown instead of piling up.
    if (!fallbackBalloon_) {
        if (!balloon_) {
            balloon_ = std::make_unique<wxNotificationMessage>();
            balloon_->SetParent(parent_);
            balloon_->SetFlags(wxICON_INFORMATION);
        }
        balloon_->SetTitle(title);
        balloon_->SetMessage(text);
        {
            // The toolkit's debug line about a missing service would repeat what follows.
            wxLogNull quiet;
            if (balloon_->Show(seconds)) {
                return true;
            }
        }
        // No notification service on this desktop; it will not appear later in the session.
        balloon_.reset();
        fallbackBalloon_ = std::make_unique<wxGenericNotificationMessage>();
        fallbackBalloon_->SetParent(parent_);
        fallbackBalloon_->SetFlags(wxICON_INFORMATION);
    }
    fallbackBalloon_->SetTitle(title);
    fallbackBalloon_->SetMessage(text);
    return fallbackBalloon_->Show(seconds);
}

}  // namespace vorn::platform
