#include "platform/ui/DesktopTray.h"

#include <wx/menu.h>
#include <wx/notifmsg.h>
#include <wx/taskbar.h>
// After wx/notifmsg.h, which declares its base class.
#include <wx/generic/notifmsg.h>

#include "platform/ui/DesktopTrayIcon.h"

namespace vorn::platform {

namespace {

std::optional<bool> g_availabilityOverride;

}  // namespace

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

wxEvtHandler* DesktopTray::IconEvents() const {
    return icon_.get();
}

wxMenu* DesktopTray::BuildMenu() const {
    return handlers_.buildMenu ? handlers_.buildMenu() : nullptr;
}

}  // namespace vorn::platform
