#include "platform/ui/DesktopTray.h"

#include <algorithm>

#include <wx/log.h>
#include <wx/menu.h>
#include <wx/notifmsg.h>
#include <wx/taskbar.h>
// After wx/notifmsg.h, which declares its base class.
#include <wx/generic/notifmsg.h>

namespace vorn::platform {

namespace {

std::optional<bool> g_availabilityOverride;

}  // namespace

class DesktopTray::Icon : public wxTaskBarIcon {
public:
    explicit Icon(DesktopTray& owner) : owner_(owner) {
        // GTK's status icon reports a click as LEFT_DOWN (and a double click only when that
        // went unhandled); it never sends LEFT_UP.
#ifdef __WXGTK__
        const auto leftClick = wxEVT_TASKBAR_LEFT_DOWN;
#else
        const auto leftClick = wxEVT_TASKBAR_LEFT_UP;
#endif
        Bind(leftClick, [this](wxTaskBarIconEvent&) {
            if (owner_.handlers_.leftClick) {
                owner_.handlers_.leftClick();
            }
        });
        Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
            if (owner_.handlers_.menuCommand) {
                owner_.handlers_.menuCommand(event.GetId());
            }
        });
    }

protected:
    // wxWidgets shows this menu on a right click and deletes it afterwards.
    wxMenu* CreatePopupMenu() override {
        return owner_.BuildMenu();
    }

private:
    DesktopTray& owner_;
};

DesktopTray::DesktopTray(wxWindow* parent, Handlers handlers)
    : parent_(parent), handlers_(std::move(handlers)) {}

DesktopTray::~DesktopTray() {
    Remove();
}

bool DesktopTray::IsAvailable() {
    if (g_availabilityOverride) {
        return *g_availabilityOverride;
    }
    return wxTaskBarIcon::IsAvailable();
}

void DesktopTray::OverrideAvailability(std::optional<bool> available) {
    g_availabilityOverride = available;
}

bool DesktopTray::Add(const wxBitmapBundle& icon, const wxString& tip) {
    if (added_ || !IsAvailable()) {
        return false;
    }
    if (!icon_) {
        icon_ = std::make_unique<Icon>(*this);
    }
    if (!icon_->SetIcon(icon, tip)) {
        return false;
    }
    image_ = icon;
    tip_ = tip;
    added_ = true;
    return true;
}

bool DesktopTray::Modify(const wxBitmapBundle& icon, const wxString& tip) {
    if (!added_) {
        return false;
    }
    if (!icon_->SetIcon(icon, tip)) {
        return false;
    }
    image_ = icon;
    tip_ = tip;
    return true;
}

void DesktopTray::Remove() {
    balloon_.reset();
    fallbackBalloon_.reset();
    if (icon_) {
        icon_->RemoveIcon();
        // wxTaskBarIcon may still have events queued; let wxWidgets delete it when idle.
        icon_.release()->Destroy();
    }
    added_ = false;
}

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

wxEvtHandler* DesktopTray::IconEvents() const {
    return icon_.get();
}

wxMenu* DesktopTray::BuildMenu() const {
    return handlers_.buildMenu ? handlers_.buildMenu() : nullptr;
}

}  // namespace vorn::platform
